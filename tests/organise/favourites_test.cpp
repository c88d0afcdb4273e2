#include "organise/favourites.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/error.h"
#include "support/temp_tree.h"

namespace {

using organise::Favourites;
using organise::FavouritesEncoding;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList list(std::initializer_list<const char*> items) {
    QStringList result;
    for (const char* item : items) result.append(QString::fromUtf8(item));
    return result;
}

TEST(Favourites, LineEndingsAndEmptyEntries) {
    struct Case {
        QByteArray bytes;
        QStringList entries;
    };
    const Case cases[] = {
        {"", {}},
        {"a\r\nb\r\n", list({"a", "b"})},
        {"a\r\nb", list({"a", "b"})},
        {"a\nb\rc\r\nd", list({"a", "b", "c", "d"})},
        {"\r\n", list({""})},
        {"a\r\n\r\nb\r\n", list({"a", "", "b"})},
        {"a\r\n\r\n", list({"a", ""})},
        {"\n\n", list({"", ""})},
        {"a\r\r\n", list({"a", ""})},
    };
    for (const Case& c : cases) {
        const Favourites favourites = organise::DecodeFavourites(c.bytes);
        EXPECT_EQ(favourites.entries, c.entries) << c.bytes.toStdString();
        EXPECT_TRUE(favourites.loaded);
    }
    Favourites written;
    written.entries = list({"/a/", "", "/b/"});
    EXPECT_EQ(organise::EncodeFavourites(written), QByteArray("/a/\r\n\r\n/b/\r\n"));
    written.entries.clear();
    EXPECT_EQ(organise::EncodeFavourites(written), QByteArray());
}

TEST(Favourites, EncodingsRoundTrip) {
    const QStringList entries = list({"/home/ő/Könyvek/", "C:\\Árvíztűrő\\", "/𝄞/"});
    const QByteArray text =
        QStringLiteral("/home/ő/Könyvek/\r\nC:\\Árvíztűrő\\\r\n/𝄞/\r\n").toUtf8();

    // UTF-8 with its mark is written back with the mark.
    const QByteArray utf8Bom = QByteArray("\xEF\xBB\xBF") + text;
    Favourites read = organise::DecodeFavourites(utf8Bom);
    EXPECT_EQ(read.encoding, FavouritesEncoding::Utf8Bom);
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(organise::EncodeFavourites(read), utf8Bom);

    // UTF-16 in both byte orders, mark skipped on reading and written back.
    QByteArray le("\xFF\xFE", 2);
    QByteArray be("\xFE\xFF", 2);
    const QString unicode = QString::fromUtf8(text);
    for (const QChar c : unicode) {
        const char16_t u = c.unicode();
        le += static_cast<char>(u & 0xFF);
        le += static_cast<char>(u >> 8);
        be += static_cast<char>(u >> 8);
        be += static_cast<char>(u & 0xFF);
    }
    read = organise::DecodeFavourites(le);
    EXPECT_EQ(read.encoding, FavouritesEncoding::Utf16LeBom);
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(organise::EncodeFavourites(read), le);
    read = organise::DecodeFavourites(be);
    EXPECT_EQ(read.encoding, FavouritesEncoding::Utf16BeBom);
    EXPECT_EQ(read.entries, entries);
    EXPECT_EQ(organise::EncodeFavourites(read), be);

    // No mark: UTF-8 when it is valid UTF-8, written back without a mark. Windows reads such
    // text in its ANSI code page, as its own programs wrote it.
    const bool ansi = platform::hasSystemCodePage();
    if (!ansi) {
        read = organise::DecodeFavourites(text);
        EXPECT_EQ(read.encoding, FavouritesEncoding::EightBit);
        EXPECT_EQ(read.entries, entries);
        EXPECT_EQ(organise::EncodeFavourites(read), text);
    }

    // No mark and not UTF-8: a Windows-1252 list, written back in Windows-1252 (on Windows: in
    // the ANSI code page, where 0xF6 and 0x80 are the same letters for Western and Central
    // European settings)...
    const QByteArray cp1252("C:\\K\xF6nyvek \x80\\\r\n");
    read = organise::DecodeFavourites(cp1252);
    EXPECT_EQ(read.encoding, ansi ? FavouritesEncoding::EightBit : FavouritesEncoding::Windows1252);
    EXPECT_EQ(read.entries, list({"C:\\Könyvek €\\"}));
    EXPECT_EQ(organise::EncodeFavourites(read), cp1252);
    // ...unless an added entry has no place in it: then UTF-8, never '?' in a folder name.
    read.entries.append(QStringLiteral("/Árvíztűrő/"));
    const QByteArray mixed = organise::EncodeFavourites(read);
    EXPECT_EQ(organise::DecodeFavourites(mixed).entries, read.entries);
}

TEST(Favourites, AddingComparesAsTheFileSystemDoes) {
    QStringList entries = list({"/Home/Könyvek/"});
    // Windows ignores letter case in folder names; POSIX file systems tell them apart.
    const bool ignoreCase = platform::pathsIgnoreCase();
    EXPECT_EQ(organise::addFavourite(entries, QStringLiteral("/home/KÖNYVEK/")), !ignoreCase);
    EXPECT_FALSE(organise::addFavourite(entries, QStringLiteral("/Home/Könyvek/")));
    if (!ignoreCase) entries.removeLast();
    EXPECT_TRUE(organise::addFavourite(entries, QString()));
    EXPECT_FALSE(organise::addFavourite(entries, QString()));
    EXPECT_TRUE(organise::addFavourite(entries, QStringLiteral("/other/")));
    EXPECT_EQ(entries, list({"/Home/Könyvek/", "", "/other/"}));
    EXPECT_TRUE(organise::containsIgnoringCase(entries, QStringLiteral("/OTHER/")));
}

TEST(Favourites, LoadAndSaveFiles) {
    testsupport::TempTree tree;
    const QString file = organise::favouritesFilePath(tree.path());
    EXPECT_EQ(file, tree.path(QStringLiteral("directory.txt")));

    Favourites none = organise::LoadFavourites(file);
    EXPECT_TRUE(none.loaded);
    EXPECT_TRUE(none.entries.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file));

    tree.writeFile(QStringLiteral("directory.txt"), "\xEF\xBB\xBF/a/\r\n/b/\r\n");
    Favourites favourites = organise::LoadFavourites(file);
    organise::addFavourite(favourites.entries, QStringLiteral("/c/"));
    organise::SaveFavourites(file, favourites);
    EXPECT_EQ(contentOf(file), QByteArray("\xEF\xBB\xBF/a/\r\n/b/\r\n/c/\r\n"));
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("directory.txt")});

    // A list written without having been read from a file: UTF-8 without a mark.
    Favourites fresh;
    fresh.loaded = true;
    fresh.entries = list({"/ő/"});
    organise::SaveFavourites(tree.path(QStringLiteral("fresh.txt")), fresh);
    EXPECT_EQ(organise::LoadFavourites(tree.path(QStringLiteral("fresh.txt"))).entries,
              fresh.entries);
    if (!platform::hasSystemCodePage()) {
        EXPECT_EQ(contentOf(tree.path(QStringLiteral("fresh.txt"))),
                  QStringLiteral("/ő/\r\n").toUtf8());
    }
}

TEST(Favourites, ListNeverLoadedDoesNotWipeTheStoredOne) {
    testsupport::TempTree tree;
    const QString file = tree.writeFile(QStringLiteral("directory.txt"), "/a/\r\n/b/\r\n");

    Favourites notLoaded;  // start-up skipped the reading
    organise::SaveFavourites(file, notLoaded);
    EXPECT_EQ(contentOf(file), QByteArray("/a/\r\n/b/\r\n"));

    // Entries added in such a session join the stored list; "/B/" is "/b/" on Windows only.
    organise::addFavourite(notLoaded.entries, QStringLiteral("/B/"));
    organise::addFavourite(notLoaded.entries, QStringLiteral("/c/"));
    organise::SaveFavourites(file, notLoaded);
    EXPECT_EQ(contentOf(file), platform::pathsIgnoreCase()
                                   ? QByteArray("/a/\r\n/b/\r\n/c/\r\n")
                                   : QByteArray("/a/\r\n/b/\r\n/B/\r\n/c/\r\n"));

    // Without a stored list the session's entries are simply written.
    const QString other = tree.path(QStringLiteral("other.txt"));
    organise::SaveFavourites(other, notLoaded);
    EXPECT_EQ(contentOf(other), QByteArray("/B/\r\n/c/\r\n"));
}

TEST(Favourites, WindowsClosedOneAfterAnotherKeepEachOthersEntries) {
    testsupport::TempTree tree;
    const QString file = tree.writeFile(QStringLiteral("directory.txt"), "\xEF\xBB\xBF/a/\n");

    // Two windows read the same stored list at start-up and each adds its own folders.
    Favourites first = organise::LoadFavourites(file);
    Favourites second = organise::LoadFavourites(file);
    organise::addFavourite(first.entries, QStringLiteral("/one/"));
    organise::addFavourite(first.entries, QStringLiteral("/shared/"));
    organise::addFavourite(second.entries, QStringLiteral("/shared/"));
    organise::addFavourite(second.entries, QStringLiteral("/two/"));

    // The first closes; the second, closed last, still keeps what the first saved, and the
    // stored file keeps its encoding.
    organise::SaveFavourites(file, first);
    organise::SaveFavourites(file, second);
    EXPECT_EQ(contentOf(file), QByteArray("\xEF\xBB\xBF/a/\r\n/one/\r\n/shared/\r\n/two/\r\n"));

    // An entry another window stored after this one started is never dropped, even when this
    // window adds nothing.
    tree.writeFile(QStringLiteral("directory.txt"), "/a/\r\n/later/\r\n");
    organise::SaveFavourites(file, organise::DecodeFavourites(QByteArray("/a/\r\n")));
    EXPECT_EQ(contentOf(file), QByteArray("/a/\r\n/later/\r\n"));
}

TEST(Favourites, FailuresNameTheFileAndTheReason) {
    testsupport::TempTree tree;
    const QString file = tree.path(QStringLiteral("missing/directory.txt"));
    Favourites favourites;
    favourites.loaded = true;
    favourites.entries = list({"/a/"});
    try {
        organise::SaveFavourites(file, favourites);
        FAIL() << "no error raised";
    } catch (const platform::Error& error) {
        // The reason is the system's own text for a missing folder.
        const QString text = QString::fromUtf8(error.what());
        const QString head =
            QStringLiteral("Cannot create file \"") + file + QStringLiteral("\". ");
        EXPECT_TRUE(text.startsWith(head)) << text.toStdString();
        EXPECT_GT(text.size(), head.size()) << text.toStdString();
    }

    // A favourites "file" that cannot be read is reported at loading.
    tree.makeFolder(QStringLiteral("folder/directory.txt"));
    EXPECT_THROW(organise::LoadFavourites(tree.path(QStringLiteral("folder/directory.txt"))),
                 platform::Error);
}

}  // namespace
