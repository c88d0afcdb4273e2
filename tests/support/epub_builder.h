#pragma once
// Test EPUBs written with libzip into any path (usually inside a TempTree).
//
// Low level: writeZip(path, entries) stores the entries in the given order, with the names
// exactly as given (forward or backslashes, duplicates allowed), Stored or Deflate per entry.
//
//   testsupport::writeZip(path, {{"META-INF/container.xml", containerXml("OEBPS/content.opf")},
//                                {"OEBPS/content.opf", myOpfBytes, Compression::Stored}});
//
// High level: writeBook(path, spec) writes a well-formed EPUB 2 book (mimetype, container,
// OPF with metadata, manifest, spine, guide, NCX with nested navPoints, XHTML chapters).
//
//   testsupport::BookSpec spec;
//   spec.title = "Egri csillagok"; spec.creator = "Gárdonyi Géza"; spec.series = "Klasszikusok";
//   testsupport::writeBook(tree.path("book.epub"), spec);
//
// Text fields of BookSpec are XML-escaped when written. Functions throw std::runtime_error
// when the file cannot be written.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {

enum class Compression { Stored, Deflate };

struct ZipEntry {
    QString name;  // stored exactly (UTF-8), '/' and '\' kept as given
    QByteArray data;
    Compression compression = Compression::Deflate;
    bool encrypted = false;  // AES-256 with the password "secret"
};

// Writes a ZIP container with exactly these entries, in this order. An empty list writes an
// empty archive (end-of-directory record only).
void writeZip(const QString& path, const QList<ZipEntry>& entries);

struct IdentifierSpec {
    QString id;      // "id" attribute; empty: no attribute
    QString scheme;  // "opf:scheme" attribute; empty: no attribute
    QString value;
};

struct NavPointSpec {
    QString label;
    QString src;
    QList<NavPointSpec> children;
};

struct BookSpec {
    QString title = QStringLiteral("Test Book");
    QStringList creators = {QStringLiteral("Test Author")};  // each a dc:creator, in order
    QString language = QStringLiteral("en");
    QString publisher;
    QString description;
    QString date;
    QString source;
    QStringList subjects;
    QList<IdentifierSpec> identifiers = {
        {QStringLiteral("bookid"), QStringLiteral("UUID"), QStringLiteral("urn:uuid:0000-test")}};
    QString series;       // calibre:series meta, omitted when empty
    QString seriesIndex;  // calibre:series_index meta, omitted when empty
    QString version = QStringLiteral("2.0");

    QString opfFolder = QStringLiteral("OEBPS");  // empty: the OPF lies at the archive root
    QString opfName = QStringLiteral("content.opf");
    // Content documents in reading order, hrefs relative to the OPF folder; manifest ids are
    // "item1", "item2", ... Each gets a small XHTML entry.
    QStringList chapters = {QStringLiteral("chapter1.xhtml"), QStringLiteral("chapter2.xhtml")};
    QString coverHref;  // image href relative to the OPF folder; empty: no cover
    bool withNcx = true;
    QString ncxHref = QStringLiteral("toc.ncx");  // relative to the OPF folder
    // Navigation points; empty: one point per chapter ("Chapter 1" -> chapter1.xhtml).
    QList<NavPointSpec> toc;
    Compression compression = Compression::Deflate;
    QList<ZipEntry> extraEntries;  // appended after the book's own entries
};

// OPF path inside the archive with '/' ("OEBPS/content.opf").
QString opfPath(const BookSpec& spec);
QByteArray containerXml(const QString& opfFullPath);
QByteArray opfXml(const BookSpec& spec);
QByteArray ncxXml(const BookSpec& spec);
// Every entry of the book in archive order: mimetype (Stored), container, OPF, NCX,
// chapters, cover, then spec.extraEntries.
QList<ZipEntry> bookEntries(const BookSpec& spec);
void writeBook(const QString& path, const BookSpec& spec);

// XML text escaping of &, <, >, " and '.
QString xmlEscape(const QString& text);

}  // namespace testsupport
