#pragma once
// What the fuzz targets share: a scratch file per process, an EPUB archive built in memory, and
// the split of one input into the container, package document and NCX.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzzsupport {

// A file of this process in the temporary folder, rewritten with bytes; returns its path.
QString writeScratch(const std::uint8_t* data, std::size_t size);

// A ZIP archive with the mimetype, META-INF/container.xml, OEBPS/content.opf and
// OEBPS/toc.ncx holding the three documents (deflated, as books usually are).
QByteArray epubArchive(const QByteArray& container, const QByteArray& opf, const QByteArray& ncx);

// The three documents of one input, separated by kSeparator; missing parts are empty.
inline constexpr char kSeparator[] = "\n--8<--\n";
QList<QByteArray> splitDocuments(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzsupport
