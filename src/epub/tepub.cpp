#include "epub/tepub.h"

#include "core/message_sink.h"
#include "epub/archive_reader.h"

namespace epub {

TEpuB::TEpuB(core::MessageSink& messages)
    : ownQueries_(std::make_unique<XmlDocumentQueries>(messages)), queries_(*ownQueries_) {}

TEpuB::TEpuB(XmlDocumentQueries& queries) : queries_(queries) {}

TEpuB::~TEpuB() = default;

void TEpuB::Clear() {
    static_cast<BookRecord&>(*this) = BookRecord();
    WorkBuffer.clear();
}

bool TEpuB::ReadEntry(const QString& path, const QString& entryName,
                      epub::WorkBuffer& buffer) const {
    return readEntry(path, entryName, buffer);
}

// Reads one entry into WorkBuffer (emptied first); false when the archive has no such entry.
bool TEpuB::readInto(const OpenArchive& archive, const QString& entryName) {
    WorkBuffer.clear();
    if (!archive.read(entryName, WorkBuffer)) return false;
    refuseDamagedEntry(entryName);
    return true;
}

// An entry that inflates past the cap is damaged or hostile, and half of it is no use; one whose
// bytes fail their CRC is not what the book's maker stored.
void TEpuB::refuseDamagedEntry(const QString& entryName) const {
    if (WorkBuffer.oversized)
        throw EntryTooLargeError("Archive entry too large: " + entryName.toStdString());
    if (WorkBuffer.crcError) throw BookReadError("CRC error in " + entryName.toStdString());
}

void TEpuB::Open(const QString& path) {
    Open(path, BookFile::fetch(path));
}

void TEpuB::Open(const QString& path, BookFile file) {
    Clear();
    FileName = path;

    // One open archive for the whole book: every entry comes from the same state of the file.
    const OpenArchive archive(std::move(file));
    if (archive.tooManyEntries())
        throw BookReadError("Too many entries in the archive (more than " +
                            std::to_string(kMaxArchiveEntries) + ")");
    WorkBuffer.clear();
    if (!archive.read(ContainerEntryName, WorkBuffer))
        throw BookReadError("Not an EPUB file: no META-INF\\container.xml");
    refuseDamagedEntry(ContainerEntryName);
    queries_.LoadXmlDocument(WorkBuffer.unread());

    OpfPath = archiveEntryName(queries_.GetXMLValuex(u"rootfiles", u"full-path"));

    // Without its package document the book has no metadata and no spine: say so, rather than
    // let the missing spine speak for it.
    if (!readInto(archive, OpfPath))
        throw BookReadError("Package document not found: " +
                            (OpfPath.isEmpty() ? std::string("(no full-path in container.xml)")
                                               : OpfPath.toStdString()));
    queries_.LoadXmlDocument(WorkBuffer.unread());

    ReadMetadata();

    queries_.XmlSpineList.clear();
    queries_.GetXmlSpineList();
    Spine = queries_.XmlSpineList;

    queries_.XmlManifestList.clear();
    queries_.GetXmlManifestList();
    Manifest = queries_.XmlManifestList;

    const qsizetype lastSeparator = OpfPath.lastIndexOf(QLatin1Char('\\'));
    OpfFolder = lastSeparator < 0 ? QString() : OpfPath.left(lastSeparator);

    // The NCX href is relative to the package document's folder.
    QString ncxName = archiveEntryName(queries_.GetNcxPath());
    if (!OpfFolder.isEmpty()) ncxName = OpfFolder + QLatin1Char('\\') + ncxName;
    readInto(archive, ncxName);  // a missing NCX leaves the book without a table of contents
    queries_.LoadXmlDocument(WorkBuffer.unread());

    queries_.XmlTocList.clear();
    Toc.clear();
    queries_.BuildToc(queries_.FindTopElement(u"navMap"));
    Toc = std::move(queries_.XmlTocList);
    queries_.XmlTocList.clear();

    Loaded = true;
    LastIndex = static_cast<std::int32_t>(Manifest.size()) - 1;
    CurrentIndex = 0;
}

void TEpuB::ReadMetadata() {
    try {
        Title = queries_.GetXMLValue(u"metadata", u"title");
        Creator = queries_.GetXMLValue(u"metadata", u"creator");
        Publisher = queries_.GetXMLValue(u"metadata", u"publisher");
        Description = queries_.GetXMLValue(u"metadata", u"description");
        Language = queries_.GetXMLValue(u"metadata", u"language");
        Subject = queries_.GetXMLValue(u"metadata", u"subject");
        Date = queries_.GetXMLValue(u"metadata", u"date");
        Source = queries_.GetXMLValue(u"metadata", u"source");
        Identifier = queries_.GetXMLValueWithAttribute(u"metadata", u"identifier", u"id");
        if (Identifier.isEmpty()) Identifier = queries_.GetXMLValue(u"metadata", u"identifier");
        Series = queries_.GetMetaContent(u"calibre:series");
        SeriesIndex = queries_.GetMetaContent(u"calibre:series_index");
        Isbn = queries_.GetIdentifierByScheme(u"ISBN");
        queries_.GetSubjectList(Subjects);
        Version = queries_.GetPackageVersion();
        if (queries_.HasCover()) CoverPath = queries_.GetCoverPath();
    } catch (const std::exception& error) {
        queries_.messages().showMessage(QStringLiteral("Hiba\r\n") +
                                        QString::fromUtf8(error.what()));
    }
}

}  // namespace epub
