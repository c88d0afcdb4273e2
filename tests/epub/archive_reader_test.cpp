// Finding and reading one archive entry: name rules, damaged and hostile archives.
#include <gtest/gtest.h>

#include <QFile>

#include "epub/archive_reader.h"
#include "support/epub_builder.h"
#include "support/temp_tree.h"

using epub::readEntry;
using epub::WorkBuffer;
using testsupport::Compression;
using testsupport::writeZip;
using testsupport::ZipEntry;

namespace {

QString bs(const char* name) {
    return QString::fromUtf8(name);
}

}  // namespace

TEST(ArchiveReader, StoredNamesMatchWithSlashesAsBackslashesAndExactCase) {
    testsupport::TempTree tree;
    const QString zip = tree.path(QStringLiteral("a.epub"));
    writeZip(zip, {{QStringLiteral("OEBPS/content.opf"), "opf"},
                   {QStringLiteral("OEBPS/Text/ch1.xhtml"), "ch1", Compression::Stored},
                   {QStringLiteral("OEBPS/"), ""},
                   {QStringLiteral("META-INF/Container.xml"), "wrong case"}});
    WorkBuffer buffer;
    EXPECT_TRUE(readEntry(zip, bs("OEBPS\\content.opf"), buffer));
    EXPECT_EQ(buffer.bytes, "opf");
    EXPECT_EQ(buffer.position, 0);

    buffer.clear();
    EXPECT_TRUE(readEntry(zip, bs("OEBPS\\Text\\ch1.xhtml"), buffer));
    EXPECT_EQ(buffer.bytes, "ch1");

    // The request is used as it comes: a forward slash never matches, nor does another case,
    // a leading separator or a "." segment.
    for (const char* name :
         {"OEBPS/content.opf", "OEBPS\\Content.opf", "oebps\\content.opf", "\\OEBPS\\content.opf",
          "OEBPS\\.\\content.opf", "OEBPS\\content.opf ", "META-INF\\container.xml", ""}) {
        buffer.clear();
        EXPECT_FALSE(readEntry(zip, bs(name), buffer)) << name;
        EXPECT_TRUE(buffer.bytes.isEmpty()) << name;
    }

    // A directory entry answers the name with a trailing backslash and has no bytes.
    buffer.clear();
    EXPECT_TRUE(readEntry(zip, bs("OEBPS\\"), buffer));
    EXPECT_TRUE(buffer.bytes.isEmpty());
}

TEST(ArchiveReader, FirstEntryInDirectoryOrderWinsAmongEqualNames) {
    testsupport::TempTree tree;
    const QString zip = tree.path(QStringLiteral("dup.epub"));
    writeZip(zip, {{QStringLiteral("x.txt"), "other"},
                   {QStringLiteral("a\\b.xml"), "backslash stored", Compression::Stored},
                   {QStringLiteral("a/b.xml"), "slash stored"},
                   {QStringLiteral("x.txt"), "second duplicate"}});
    WorkBuffer buffer;
    ASSERT_TRUE(readEntry(zip, bs("a\\b.xml"), buffer));
    EXPECT_EQ(buffer.bytes, "backslash stored");
    buffer.clear();
    ASSERT_TRUE(readEntry(zip, bs("x.txt"), buffer));
    EXPECT_EQ(buffer.bytes, "other");

    const QString reversed = tree.path(QStringLiteral("rev.epub"));
    writeZip(reversed, {{QStringLiteral("a/b.xml"), "slash stored"},
                        {QStringLiteral("a\\b.xml"), "backslash stored"}});
    buffer.clear();
    ASSERT_TRUE(readEntry(reversed, bs("a\\b.xml"), buffer));
    EXPECT_EQ(buffer.bytes, "slash stored");
}

TEST(ArchiveReader, StoredAndDeflatedEntriesReadWholeIncludingEmptyAndNonAscii) {
    testsupport::TempTree tree;
    const QString zip = tree.path(QStringLiteral("b.epub"));
    QByteArray big;
    for (int i = 0; i < 20000; ++i) big += "line " + QByteArray::number(i) + "\n";
    writeZip(zip, {{QStringLiteral("stored.xml"), big, Compression::Stored},
                   {QStringLiteral("deflated.xml"), big, Compression::Deflate},
                   {QStringLiteral("empty.xml"), QByteArray()},
                   {QStringLiteral("könyv/árvíztűrő.xml"), "unicode"}});
    WorkBuffer buffer;
    ASSERT_TRUE(readEntry(zip, bs("stored.xml"), buffer));
    EXPECT_EQ(buffer.bytes, big);
    buffer.clear();
    ASSERT_TRUE(readEntry(zip, bs("deflated.xml"), buffer));
    EXPECT_EQ(buffer.bytes, big);
    buffer.clear();
    EXPECT_TRUE(readEntry(zip, bs("empty.xml"), buffer));
    EXPECT_TRUE(buffer.bytes.isEmpty());
    buffer.clear();
    EXPECT_TRUE(readEntry(zip, QStringLiteral(u"könyv\\árvíztűrő.xml"), buffer));
    EXPECT_EQ(buffer.bytes, "unicode");
}

TEST(ArchiveReader, FilesThatAreNoArchiveAreNotFound) {
    testsupport::TempTree tree;
    const QString name = bs("META-INF\\container.xml");
    WorkBuffer buffer;
    EXPECT_FALSE(readEntry(tree.path(QStringLiteral("missing.epub")), name, buffer));
    EXPECT_FALSE(readEntry(tree.writeFile(QStringLiteral("empty.epub")), name, buffer));
    EXPECT_FALSE(
        readEntry(tree.writeFile(QStringLiteral("text.epub"), "just some text\n"), name, buffer));
    EXPECT_FALSE(readEntry(tree.makeFolder(QStringLiteral("folder.epub")), name, buffer));
    const QString noEntries = tree.path(QStringLiteral("noentries.epub"));
    writeZip(noEntries, {});
    EXPECT_FALSE(readEntry(noEntries, name, buffer));
    EXPECT_TRUE(buffer.bytes.isEmpty());
}

TEST(ArchiveReader, TruncatedOrDamagedArchivesFailCleanly) {
    testsupport::TempTree tree;
    const QString zip = tree.path(QStringLiteral("whole.epub"));
    QByteArray text;
    for (int i = 0; i < 2000; ++i) text += "<p>paragraph " + QByteArray::number(i) + "</p>\n";
    writeZip(zip, {{QStringLiteral("META-INF/container.xml"), text},
                   {QStringLiteral("tail.bin"), QByteArray(5000, 'x')}});
    QFile file(zip);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();

    // Cut before the central directory: no directory, no entries.
    WorkBuffer buffer;
    EXPECT_FALSE(readEntry(tree.writeFile(QStringLiteral("cut.epub"), whole.left(whole.size() / 2)),
                           bs("META-INF\\container.xml"), buffer));

    // Damaged deflate data with an intact directory: found, and the bytes are not the entry.
    QByteArray damaged = whole;
    for (qsizetype i = 200; i < 400; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    buffer.clear();
    EXPECT_TRUE(readEntry(tree.writeFile(QStringLiteral("damaged.epub"), damaged),
                          bs("META-INF\\container.xml"), buffer));
    EXPECT_NE(buffer.bytes, text);

    // Every cut length ends without a crash or hang.
    for (qsizetype length = 0; length < whole.size(); length += 97) {
        WorkBuffer partial;
        readEntry(tree.writeFile(QStringLiteral("partial.epub"), whole.left(length)),
                  bs("META-INF\\container.xml"), partial);
        EXPECT_LE(partial.bytes.size(), text.size());
    }
}

TEST(ArchiveReader, EncryptedEntryIsFoundWithoutBytes) {
    testsupport::TempTree tree;
    const QString zip = tree.path(QStringLiteral("enc.epub"));
    ZipEntry secret{QStringLiteral("secret.xml"), "<a>hidden</a>"};
    secret.encrypted = true;
    writeZip(zip, {secret});
    WorkBuffer buffer;
    EXPECT_TRUE(readEntry(zip, bs("secret.xml"), buffer));
    EXPECT_FALSE(buffer.bytes.contains("hidden"));
}

TEST(ArchiveReader, EntryInflatingPastTheCapIsMarkedOversizedAndDropped) {
    testsupport::TempTree tree;
    const QString zip = tree.path(QStringLiteral("bomb.epub"));
    writeZip(zip, {{QStringLiteral("bomb.xml"), QByteArray(epub::kMaxEntrySize + 1, ' ')},
                   {QStringLiteral("exact.xml"), QByteArray(epub::kMaxEntrySize, ' ')}});
    WorkBuffer buffer;
    EXPECT_TRUE(readEntry(zip, bs("bomb.xml"), buffer));
    EXPECT_TRUE(buffer.oversized);
    EXPECT_TRUE(buffer.bytes.isEmpty());

    buffer.clear();
    EXPECT_TRUE(readEntry(zip, bs("exact.xml"), buffer));
    EXPECT_FALSE(buffer.oversized);
    EXPECT_EQ(buffer.bytes.size(), epub::kMaxEntrySize);
}

TEST(ArchiveReader, LargeArchivesReadAsSmallOnesDo) {
    // Small books are read into memory whole, larger ones straight from the file: both ways
    // must find the same entries, give the same bytes and refuse the same damage.
    testsupport::TempTree tree;
    const QByteArray container = "<container>Könyv</container>";
    QByteArray padding(600 * 1024, '\0');
    for (qsizetype i = 0; i < padding.size(); ++i)
        padding[i] = static_cast<char>((i * 7919) ^ (i >> 5));
    const QString small = tree.path(QStringLiteral("small.epub"));
    const QString large = tree.path(QStringLiteral("large.epub"));
    writeZip(small, {{QStringLiteral("META-INF/container.xml"), container}});
    writeZip(large, {{QStringLiteral("cover.bin"), padding, Compression::Stored},
                     {QStringLiteral("META-INF/container.xml"), container}});
    ASSERT_GT(QFile(large).size(), 512 * 1024);

    for (const QString& path : {small, large}) {
        SCOPED_TRACE(path.toStdString());
        WorkBuffer buffer;
        EXPECT_TRUE(readEntry(path, bs("META-INF\\container.xml"), buffer));
        EXPECT_EQ(buffer.bytes, container);
        EXPECT_FALSE(readEntry(path, bs("META-INF\\missing.xml"), buffer));

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        // Without its end-of-directory record neither is an archive.
        WorkBuffer cut;
        EXPECT_FALSE(readEntry(tree.writeFile(QStringLiteral("cut.epub"), whole.chopped(10)),
                               bs("META-INF\\container.xml"), cut));
    }
}

TEST(ArchiveReader, DirectorySizesAndCrcsThatLieNeverDecideTheBytes) {
    // The directory's size and CRC of a deflated entry are claims: an entry is read to its real
    // end whatever size is claimed (never past the cap, never trusted to set memory aside), and
    // a CRC that does not match marks the bytes.
    testsupport::TempTree tree;
    QByteArray text;
    for (int i = 0; i < 3000; ++i) text += "<p>line " + QByteArray::number(i * 7) + "</p>\n";
    const QString zip = tree.path(QStringLiteral("honest.epub"));
    writeZip(zip, {{QStringLiteral("doc.xml"), text}});
    QFile file(zip);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray honest = file.readAll();
    const qsizetype central = honest.indexOf(QByteArray("PK\x01\x02", 4));
    ASSERT_GT(central, 0);
    const auto patched = [&](int field, quint32 value) {
        QByteArray bytes = honest;
        for (int i = 0; i < 4; ++i)
            bytes[central + field + i] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    constexpr int kCrc = 16;
    constexpr int kSize = 24;
    const auto size = static_cast<quint32>(text.size());

    for (const quint32 claimed :
         {size / 2, size - 1, size + 1, size * 2, static_cast<quint32>(epub::kMaxEntrySize) + 1}) {
        SCOPED_TRACE(claimed);
        WorkBuffer buffer;
        ASSERT_TRUE(readEntry(tree.writeFile(QStringLiteral("size.epub"), patched(kSize, claimed)),
                              bs("doc.xml"), buffer));
        EXPECT_EQ(buffer.bytes, text);
        EXPECT_FALSE(buffer.oversized);
        EXPECT_FALSE(buffer.crcError);
    }

    WorkBuffer buffer;
    const quint32 crc =
        static_cast<quint32>(static_cast<unsigned char>(honest[central + kCrc])) ^ 1u;
    ASSERT_TRUE(readEntry(tree.writeFile(QStringLiteral("crc.epub"), patched(kCrc, crc)),
                          bs("doc.xml"), buffer));
    EXPECT_EQ(buffer.bytes, text);
    EXPECT_TRUE(buffer.crcError);
}

TEST(ArchiveReader, AFetchedBookIsReadFromTheFileItFetchedAfterItsNameMovesOn) {
    // A book is fetched ahead and opened later: its entries, those in the parts read ahead and
    // those read from the file at opening alike, come from the file that was fetched, even when
    // its name has been given to another file meanwhile.
    testsupport::TempTree tree;
    QByteArray filler(1200 * 1024, '\0');
    for (qsizetype i = 0; i < filler.size(); ++i)
        filler[i] = static_cast<char>((i * 2654435761u) >> 13);
    const QByteArray container = "<container>first</container>";
    const QByteArray package = "<package>first</package>";
    const QByteArray far = "<ncx>past two fillers</ncx>";
    const QString path = tree.path(QStringLiteral("book.epub"));
    writeZip(path, {{QStringLiteral("META-INF/container.xml"), container},
                    {QStringLiteral("cover.bin"), filler, Compression::Stored},
                    {QStringLiteral("content.opf"), package},
                    {QStringLiteral("plate.bin"), filler, Compression::Stored},
                    {QStringLiteral("plate2.bin"), filler, Compression::Stored},
                    {QStringLiteral("toc.ncx"), far},
                    {QStringLiteral("notes.xml"), far}});

    epub::BookFile fetched = epub::BookFile::fetch(path);
    ASSERT_TRUE(fetched.isOpen());
    ASSERT_TRUE(QFile::rename(path, tree.path(QStringLiteral("moved.epub"))));
    writeZip(path, {{QStringLiteral("META-INF/container.xml"), "<container>second</container>"}});

    const epub::OpenArchive archive(std::move(fetched));
    for (const auto& [name, bytes] :
         {std::pair{"META-INF\\container.xml", container}, std::pair{"content.opf", package},
          std::pair{"toc.ncx", far}, std::pair{"notes.xml", far}}) {
        WorkBuffer buffer;
        EXPECT_TRUE(archive.read(bs(name), buffer)) << name;
        EXPECT_EQ(buffer.bytes, bytes) << name;
    }
    WorkBuffer buffer;
    EXPECT_TRUE(readEntry(path, bs("META-INF\\container.xml"), buffer));
    EXPECT_EQ(buffer.bytes, "<container>second</container>");
}
