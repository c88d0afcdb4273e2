// Opening whole books: what lands in each field, and every way a book fails to open.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "epub/archive_reader.h"
#include "epub/reference_prepass.h"
#include "epub/tepub.h"
#include "recording_sink.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

using epub::BookReadError;
using epub::TEpuB;
using testsupport::BookSpec;
using testsupport::Compression;
using testsupport::writeBook;
using testsupport::writeZip;
using testsupport::ZipEntry;

namespace {

class Book : public ::testing::Test {
protected:
    QString write(const BookSpec& spec, const QString& name = QStringLiteral("book.epub")) {
        const QString path = tree.path(name);
        writeBook(path, spec);
        return path;
    }
    // A book whose container, OPF (at OEBPS/content.opf) and NCX (OEBPS/toc.ncx) are given raw.
    QString writeRaw(const QByteArray& opf, const QByteArray& ncx = QByteArray()) {
        const QString path = tree.path(QStringLiteral("raw.epub"));
        QList<ZipEntry> entries{{QStringLiteral("META-INF/container.xml"),
                                 testsupport::containerXml(QStringLiteral("OEBPS/content.opf"))},
                                {QStringLiteral("OEBPS/content.opf"), opf}};
        if (!ncx.isNull()) entries.append({QStringLiteral("OEBPS/toc.ncx"), ncx});
        writeZip(path, entries);
        return path;
    }

    testsupport::TempTree tree;
    epubtest::RecordingSink sink;
    TEpuB book{sink};
};

const QByteArray kSpineAndManifest =
    "<manifest><item id='ncx' href='toc.ncx'/><item id='c1' href='c1.xhtml'/></manifest>"
    "<spine toc='ncx'><itemref idref='c1'/></spine>";

}  // namespace

TEST_F(Book, NewAndClearedBooksAreEmpty) {
    EXPECT_FALSE(book.Loaded);
    EXPECT_TRUE(book.Title.isEmpty());
    BookSpec spec;
    spec.series = QStringLiteral("S");
    book.Open(write(spec));
    ASSERT_TRUE(book.Loaded);
    book.Clear();
    EXPECT_FALSE(book.Loaded);
    EXPECT_TRUE(book.FileName.isEmpty() && book.Title.isEmpty() && book.Creator.isEmpty() &&
                book.Series.isEmpty() && book.Identifier.isEmpty() && book.OpfPath.isEmpty() &&
                book.OpfFolder.isEmpty() && book.Version.isEmpty() && book.Language.isEmpty());
    EXPECT_TRUE(book.Manifest.isEmpty() && book.Spine.isEmpty() && book.Toc.isEmpty() &&
                book.Subjects.isEmpty());
    EXPECT_TRUE(book.WorkBuffer.bytes.isEmpty());
    EXPECT_EQ(book.LastIndex, -1);
    EXPECT_EQ(book.CurrentIndex, -1);
}

TEST_F(Book, OpenFillsEveryField) {
    BookSpec spec;
    spec.title = QStringLiteral(u"Egri csillagok & más");
    spec.creators = {QStringLiteral(u"Gárdonyi Géza"), QStringLiteral("Illustrator")};
    spec.language = QStringLiteral("hu");
    spec.publisher = QStringLiteral("Kiadó");
    spec.description = QStringLiteral("<p>Escaped markup</p>");
    spec.date = QStringLiteral("1899");
    spec.source = QStringLiteral("src");
    spec.subjects = {QStringLiteral("Regény"), QStringLiteral("Történelmi"),
                     QStringLiteral("Regény")};
    spec.identifiers = {
        {QString(), QStringLiteral("ISBN"), QStringLiteral("9789630000000")},
        {QStringLiteral("uid"), QStringLiteral("UUID"), QStringLiteral("urn:uuid:1234")}};
    spec.series = QStringLiteral("Klasszikusok");
    spec.seriesIndex = QStringLiteral("2.0");
    spec.chapters = {QStringLiteral("Text/c1.xhtml"), QStringLiteral("Text/c2.xhtml"),
                     QStringLiteral("c3.xhtml"), QStringLiteral("c4.xhtml"),
                     QStringLiteral("c5.xhtml")};
    spec.coverHref = QStringLiteral("Images/cover.jpg");
    spec.toc = {{QStringLiteral("Volume One"),
                 QStringLiteral("Text/c1.xhtml"),
                 {{QStringLiteral("Ch 1"), QStringLiteral("Text/c1.xhtml#s1"), {}},
                  {QStringLiteral("Ch 2"), QStringLiteral("Text/c2.xhtml"), {}}}},
                {QStringLiteral("Volume Two"), QStringLiteral("c3.xhtml"), {}}};
    const QString path = write(spec);
    book.Open(path);

    EXPECT_TRUE(book.Loaded);
    EXPECT_EQ(book.FileName, path);
    EXPECT_EQ(book.Title, spec.title);
    EXPECT_EQ(book.Creator, QStringLiteral("Illustrator"));
    EXPECT_EQ(book.Language, QStringLiteral("hu"));
    EXPECT_EQ(book.Publisher, QStringLiteral("Kiadó"));
    EXPECT_EQ(book.Description, QStringLiteral("<p>Escaped markup</p>"));
    EXPECT_EQ(book.Date, QStringLiteral("1899"));
    EXPECT_EQ(book.Source, QStringLiteral("src"));
    EXPECT_EQ(book.Subjects, spec.subjects);
    EXPECT_EQ(book.Subject, QStringLiteral("Regény"));
    EXPECT_EQ(book.Identifier, QStringLiteral("urn:uuid:1234"));
    EXPECT_EQ(book.Isbn, QStringLiteral("9789630000000"));
    EXPECT_EQ(book.Series, QStringLiteral("Klasszikusok"));
    EXPECT_EQ(book.SeriesIndex, QStringLiteral("2.0"));
    EXPECT_EQ(book.Version, QStringLiteral("2.0"));
    EXPECT_EQ(book.CoverPath, QStringLiteral("Images/cover.jpg"));
    EXPECT_EQ(book.OpfPath, QStringLiteral("OEBPS\\content.opf"));
    EXPECT_EQ(book.OpfFolder, QStringLiteral("OEBPS"));
    EXPECT_EQ(book.Spine, (QStringList{QStringLiteral("item1"), QStringLiteral("item2"),
                                       QStringLiteral("item3"), QStringLiteral("item4"),
                                       QStringLiteral("item5")}));
    EXPECT_EQ(book.Manifest.first(), QStringLiteral("Text\\c1.xhtml"));
    EXPECT_EQ(book.Manifest.size(), 5);
    EXPECT_EQ(book.LastIndex, 4);
    EXPECT_EQ(book.CurrentIndex, 0);
    ASSERT_EQ(book.Toc.size(), 4);
    EXPECT_EQ(book.Toc[0].second.Label, QStringLiteral("Volume One"));
    EXPECT_EQ(book.Toc[1].second.Src, QStringLiteral("Text/c1.xhtml#s1"));
    EXPECT_EQ(book.Toc[2].first, QStringLiteral("Ch 2"));
    EXPECT_EQ(book.Toc[3].second.Label, QStringLiteral("Volume Two"));
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Book, IdentifierFallsBackToTheLastIdentifier) {
    BookSpec spec;
    spec.identifiers = {{QString(), QStringLiteral("ISBN"), QStringLiteral("isbn-value")},
                        {QString(), QStringLiteral("isbn"), QStringLiteral("last one")}};
    book.Open(write(spec));
    EXPECT_EQ(book.Identifier, QStringLiteral("last one"));
    EXPECT_EQ(book.Isbn, QStringLiteral("isbn-value"));
    spec.identifiers.clear();
    spec.series.clear();
    book.Open(write(spec, QStringLiteral("b2.epub")));
    EXPECT_TRUE(book.Identifier.isEmpty() && book.Isbn.isEmpty() && book.Series.isEmpty() &&
                book.SeriesIndex.isEmpty());
}

TEST_F(Book, NcxIsReadRelativeToThePackageFolder) {
    BookSpec atRoot;
    atRoot.opfFolder.clear();
    book.Open(write(atRoot, QStringLiteral("root.epub")));
    EXPECT_EQ(book.OpfPath, QStringLiteral("content.opf"));
    EXPECT_EQ(book.OpfFolder, QString());
    EXPECT_EQ(book.Toc.size(), 2);

    BookSpec nested;
    nested.opfFolder = QStringLiteral("OEBPS/pkg");
    nested.ncxHref = QStringLiteral("nav/toc.ncx");
    book.Open(write(nested, QStringLiteral("nested.epub")));
    EXPECT_EQ(book.OpfPath, QStringLiteral("OEBPS\\pkg\\content.opf"));
    EXPECT_EQ(book.OpfFolder, QStringLiteral("OEBPS\\pkg"));
    EXPECT_EQ(book.Toc.size(), 2);  // read from OEBPS\pkg\nav\toc.ncx

    // Backslashes in the stored names are the same names.
    QList<ZipEntry> entries = testsupport::bookEntries(nested);
    for (ZipEntry& entry : entries) entry.name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    entries[1].name = QStringLiteral("META-INF/container.xml");
    writeZip(tree.path(QStringLiteral("backslash.epub")), entries);
    book.Open(tree.path(QStringLiteral("backslash.epub")));
    EXPECT_EQ(book.Toc.size(), 2);
}

TEST_F(Book, BooksWithoutNcxOrMetadataStillOpen) {
    BookSpec epub3;
    epub3.withNcx = false;
    epub3.version = QStringLiteral("3.0");
    book.Open(write(epub3));
    EXPECT_TRUE(book.Loaded);
    EXPECT_TRUE(book.Toc.isEmpty());
    EXPECT_EQ(book.Version, QStringLiteral("3.0"));

    // Spine names an NCX that is not in the archive.
    book.Open(writeRaw("<package>" + kSpineAndManifest + "</package>"));
    EXPECT_TRUE(book.Loaded);
    EXPECT_TRUE(book.Toc.isEmpty());
    EXPECT_TRUE(book.Title.isEmpty() && book.Creator.isEmpty() && book.Identifier.isEmpty());
    EXPECT_EQ(book.Manifest, QStringList{QStringLiteral("c1.xhtml")});

    // An empty reading order.
    book.Open(
        writeRaw("<package><metadata><title>T</title></metadata><manifest/><spine/></package>"));
    EXPECT_EQ(book.Title, QStringLiteral("T"));
    EXPECT_EQ(book.LastIndex, -1);
    EXPECT_EQ(book.CurrentIndex, 0);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Book, StoredAndDeflatedBooksReadAlike) {
    BookSpec spec;
    spec.compression = Compression::Stored;
    book.Open(write(spec));
    const QString title = book.Title;
    const QStringList manifest = book.Manifest;
    spec.compression = Compression::Deflate;
    book.Open(write(spec, QStringLiteral("d.epub")));
    EXPECT_EQ(book.Title, title);
    EXPECT_EQ(book.Manifest, manifest);
}

TEST_F(Book, FilesThatAreNoEpubFail) {
    const QString missing = tree.path(QStringLiteral("missing.epub"));
    EXPECT_THROW(book.Open(missing), BookReadError);
    EXPECT_EQ(book.FileName, missing);
    EXPECT_FALSE(book.Loaded);
    EXPECT_THROW(book.Open(tree.writeFile(QStringLiteral("empty.epub"))), BookReadError);
    EXPECT_THROW(book.Open(tree.writeFile(QStringLiteral("text.epub"), "Not a zip at all.\n")),
                 BookReadError);

    BookSpec spec;
    QList<ZipEntry> entries = testsupport::bookEntries(spec);
    entries[1].name = QStringLiteral("meta-inf/container.xml");
    writeZip(tree.path(QStringLiteral("case.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("case.epub"))), BookReadError);

    const QString whole = write(spec);
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const qsizetype length : {qsizetype(10), bytes.size() / 3, bytes.size() - 30}) {
        EXPECT_THROW(book.Open(tree.writeFile(QStringLiteral("cut.epub"), bytes.left(length))),
                     BookReadError)
            << length;
        EXPECT_FALSE(book.Loaded);
    }
    EXPECT_TRUE(sink.messages.isEmpty());
}

// What a damaged archive's reason says: the real fault, not the missing spine it leads to.
TEST_F(Book, DamagedArchivesSayWhatIsWrong) {
    const auto reasonOf = [this](const QString& path) -> std::string {
        try {
            book.Open(path);
        } catch (const BookReadError& error) {
            return error.what();
        }
        return "opened";
    };
    QList<ZipEntry> entries = testsupport::bookEntries(BookSpec());
    entries[1].data = testsupport::containerXml(QStringLiteral("OEBPS/missing.opf"));
    writeZip(tree.path(QStringLiteral("noopf.epub")), entries);
    EXPECT_EQ(reasonOf(tree.path(QStringLiteral("noopf.epub"))),
              "Package document not found: OEBPS\\missing.opf");

    // A stored package document with one byte changed after its CRC was written.
    BookSpec stored;
    stored.compression = Compression::Stored;
    stored.title = QStringLiteral("Unmistakable title");
    const QString crc = tree.path(QStringLiteral("crc.epub"));
    writeBook(crc, stored);
    QFile file(crc);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("Unmistakable");
    ASSERT_GE(at, 0);
    bytes[at] = 'u';
    file.seek(0);
    file.write(bytes);
    file.close();
    EXPECT_EQ(reasonOf(crc), "CRC error in OEBPS\\content.opf");

    // More entries than a ZIP holds without zip64: refused before the directory is read, both
    // when the book is read whole and when libzip reads it from the file.
    QList<ZipEntry> many = testsupport::bookEntries(BookSpec());
    many.reserve(70000);
    const qsizetype padding = epub::kMaxArchiveEntries + 1 - many.size();
    for (qsizetype i = 0; i < padding; ++i)
        many.append({QString::number(i, 36), QByteArray(), Compression::Stored});
    writeZip(tree.path(QStringLiteral("many.epub")), many);
    EXPECT_GT(QFileInfo(tree.path(QStringLiteral("many.epub"))).size(), 256 * 1024);
    EXPECT_EQ(reasonOf(tree.path(QStringLiteral("many.epub"))),
              "Too many entries in the archive (more than 65535)");
    many.removeLast();
    writeZip(tree.path(QStringLiteral("enough.epub")), many);
    EXPECT_EQ(reasonOf(tree.path(QStringLiteral("enough.epub"))), "opened");
}

TEST_F(Book, ContainerThatPointsNowhereFails) {
    BookSpec spec;
    QList<ZipEntry> entries = testsupport::bookEntries(spec);
    entries[1].data = testsupport::containerXml(QStringLiteral("/OEBPS/content.opf"));
    writeZip(tree.path(QStringLiteral("slash.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("slash.epub"))), BookReadError);
    EXPECT_EQ(book.OpfPath, QStringLiteral("\\OEBPS\\content.opf"));
    EXPECT_TRUE(book.Title.isEmpty());

    entries[1].data =
        "<container><rootfiles><rootfile "
        "full-path='OEBPS/content.opf'/><!--x--></rootfiles></container>";
    writeZip(tree.path(QStringLiteral("comment.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("comment.epub"))), BookReadError);

    entries[1].data = "<container><rootfile full-path='OEBPS/content.opf'/></container>";
    writeZip(tree.path(QStringLiteral("norootfiles.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("norootfiles.epub"))),
                 epub::MissingElementError);
    EXPECT_TRUE(book.OpfPath.isEmpty());

    // Encrypted container document: found without bytes.
    entries[1].data = testsupport::containerXml(testsupport::opfPath(spec));
    entries[1].encrypted = true;
    writeZip(tree.path(QStringLiteral("encrypted.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("encrypted.epub"))), BookReadError);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Book, MalformedDocumentsFailTheBook) {
    BookSpec spec;
    QList<ZipEntry> entries = testsupport::bookEntries(spec);
    const QList<ZipEntry> good = entries;

    entries[1].data = "<container><rootfiles>";
    writeZip(tree.path(QStringLiteral("c.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("c.epub"))), epub::XmlError);

    entries = good;
    entries[2].data = "<package><metadata><title>T</metadata></package>";
    writeZip(tree.path(QStringLiteral("o.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("o.epub"))), epub::XmlError);
    EXPECT_EQ(book.OpfPath, QStringLiteral("OEBPS\\content.opf"));

    // A malformed NCX fails the book after every metadata field was filled.
    entries = good;
    entries[3].data = "<ncx><navMap><navPoint></navMap></ncx>";
    writeZip(tree.path(QStringLiteral("n.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("n.epub"))), epub::XmlError);
    EXPECT_FALSE(book.Loaded);
    EXPECT_EQ(book.Title, spec.title);
    EXPECT_EQ(book.Manifest.size(), 2);
    EXPECT_EQ(book.LastIndex, -1);

    // Package document without spine, and spine without manifest.
    EXPECT_THROW(book.Open(writeRaw("<package><metadata><title>T</title></metadata></package>")),
                 epub::MissingElementError);
    EXPECT_EQ(book.Title, QStringLiteral("T"));
    EXPECT_THROW(book.Open(writeRaw("<package><spine><itemref idref='a'/></spine></package>")),
                 epub::MissingElementError);
    EXPECT_EQ(book.Spine, QStringList{QStringLiteral("a")});
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(Book, HostileEntriesFailCleanly) {
    // An NCX that inflates past the cap: the book is damaged, nothing is held in memory.
    BookSpec spec;
    QList<ZipEntry> entries = testsupport::bookEntries(spec);
    entries[3].data = "<ncx>" + QByteArray(epub::kMaxEntrySize, ' ') + "</ncx>";
    writeZip(tree.path(QStringLiteral("bomb.epub")), entries);
    EXPECT_THROW(book.Open(tree.path(QStringLiteral("bomb.epub"))), epub::EntryTooLargeError);
    EXPECT_FALSE(book.Loaded);
    EXPECT_TRUE(book.WorkBuffer.bytes.isEmpty());
    EXPECT_EQ(book.Title, spec.title);

    // Entity expansion inside the package document is never done.
    const QByteArray opf =
        "<!DOCTYPE package [<!ENTITY a 'aaaaaaaaaaaaaaaaaaaa'>"
        "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'><!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'>"
        "<!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'><!ENTITY e '&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'>"
        "<!ENTITY f '&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;'><!ENTITY g '&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;'>]>"
        "<package><metadata><title>&g;</title></metadata>" +
        kSpineAndManifest + "</package>";
    book.Open(writeRaw(opf));
    EXPECT_EQ(book.Title, QStringLiteral("&g;"));
}

TEST_F(Book, DocumentsPastSaneLimitsAreDamagedBooks) {
    // Up to the limit a document reads as usual; one past it is refused before parsing, as any
    // unreadable book is.
    const auto metaWith = [](qsizetype attributes) {
        QByteArray meta = "<meta";
        for (qsizetype i = 0; i < attributes; ++i) meta += " a" + QByteArray::number(i) + "=''";
        return "<package><metadata><title>T</title>" + meta + "/></metadata>" + kSpineAndManifest +
               "</package>";
    };
    book.Open(writeRaw(metaWith(epub::XmlLimits::kAttributesPerElement)));
    EXPECT_TRUE(book.Loaded);
    EXPECT_EQ(book.Title, QStringLiteral("T"));
    EXPECT_THROW(book.Open(writeRaw(metaWith(epub::XmlLimits::kAttributesPerElement + 1))),
                 BookReadError);
    EXPECT_FALSE(book.Loaded);

    const QByteArray navPoints = QByteArray("<navPoint/>").repeated(epub::XmlLimits::kElements);
    EXPECT_THROW(book.Open(writeRaw(testsupport::opfXml(BookSpec()),
                                    "<ncx><navMap>" + navPoints + "</navMap></ncx>")),
                 BookReadError);
    const QByteArray text(epub::XmlLimits::kTextBytes + 1, 'x');
    EXPECT_THROW(
        book.Open(writeRaw("<package><metadata><description>" + text + "</description></metadata>" +
                           kSpineAndManifest + "</package>")),
        BookReadError);

    // Repeated ids named by repeated idrefs would multiply into a list of billions.
    const QByteArray items = QByteArray("<item id='a' href='a.xhtml'/>").repeated(500);
    const QByteArray itemrefs = QByteArray("<itemref idref='a'/>").repeated(500);
    EXPECT_THROW(book.Open(writeRaw("<package><manifest>" + items + "</manifest><spine>" +
                                    itemrefs + "</spine></package>")),
                 BookReadError);
}

TEST_F(Book, ReopeningStartsFromAnEmptyRecord) {
    BookSpec first;
    first.series = QStringLiteral("Series");
    first.subjects = {QStringLiteral("x")};
    book.Open(write(first, QStringLiteral("1.epub")));
    ASSERT_EQ(book.Series, QStringLiteral("Series"));
    BookSpec second;
    second.title = QStringLiteral("Second");
    second.withNcx = false;
    book.Open(write(second, QStringLiteral("2.epub")));
    EXPECT_EQ(book.Title, QStringLiteral("Second"));
    EXPECT_TRUE(book.Series.isEmpty());
    EXPECT_TRUE(book.Subjects.isEmpty());
    EXPECT_TRUE(book.Toc.isEmpty());

    // Books sharing one query object do not see each other's data.
    epub::XmlDocumentQueries shared(sink);
    TEpuB a(shared);
    TEpuB b(shared);
    a.Open(tree.path(QStringLiteral("1.epub")));
    b.Open(tree.path(QStringLiteral("2.epub")));
    EXPECT_EQ(a.Series, QStringLiteral("Series"));
    EXPECT_EQ(a.Toc.size(), 2);
    EXPECT_TRUE(b.Toc.isEmpty());
}
