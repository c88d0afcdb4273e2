// Behaviour of the file operations that holds on every platform.
#include "platform/files.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace {

using testsupport::contentOf;
using testsupport::TempDir;

std::string payload(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919u) >> 3);
    return bytes;
}

TEST(FilesEverywhere, ExistenceTellsFilesFromFolders) {
    TempDir tmp;
    const std::string file = tmp.write("book.epub", "x");
    const std::string folder = tmp.folder("Out");
    EXPECT_TRUE(platform::fileExists(file));
    EXPECT_FALSE(platform::folderExists(file));
    EXPECT_TRUE(platform::folderExists(folder));
    EXPECT_FALSE(platform::fileExists(folder));
    EXPECT_FALSE(platform::fileExists(tmp.path("missing")));
    EXPECT_FALSE(platform::folderExists(tmp.path("missing")));
}

TEST(FilesEverywhere, FoldersAreCreatedOneLevelAndRemovedWhenEmpty) {
    TempDir tmp;
    EXPECT_TRUE(platform::createFolder(tmp.path("A/B")));  // the parent is missing
    EXPECT_FALSE(platform::createFolder(tmp.path("A")));
    EXPECT_TRUE(platform::createFolder(tmp.path("A")));  // nothing new was created
    tmp.write("A/file", "x");
    EXPECT_TRUE(platform::removeFolder(tmp.path("A")));
    EXPECT_FALSE(platform::deleteFile(tmp.path("A/file")));
    EXPECT_FALSE(platform::removeFolder(tmp.path("A")));
    EXPECT_TRUE(platform::removeFolder(tmp.path("A")));
    EXPECT_TRUE(platform::deleteFile(tmp.path("A")));
    EXPECT_EQ(tmp.names(), std::set<std::string>{});
}

TEST(FilesEverywhere, CopyNeverReplacesAndLeavesNothingOnFailure) {
    TempDir tmp;
    const std::string data = payload(3 * 1024 * 1024 + 17);
    const std::string src = tmp.write("src/book.epub", data);
    tmp.folder("dst");
    const std::string dst = tmp.path("dst/Könyv – ő.epub");

    // The disk fills up halfway: no target, no temporary file, the source untouched.
    platform::testing::failNextCopyAfter(1024 * 1024 + 5, platform::ErrorCondition::NoSpace);
    EXPECT_EQ(platform::copyFileNoReplace(src, dst).condition(), platform::ErrorCondition::NoSpace);
    EXPECT_TRUE(tmp.names("dst").empty());
    EXPECT_EQ(contentOf(src), data);

    ASSERT_FALSE(platform::copyFileNoReplace(src, dst));  // the fault was used up
    EXPECT_EQ(contentOf(dst), data);
    EXPECT_EQ(tmp.names("dst"), std::set<std::string>{"Könyv – ő.epub"});

    const std::string other = tmp.write("src/other.epub", "other");
    EXPECT_EQ(platform::copyFileNoReplace(other, dst).condition(),
              platform::ErrorCondition::Exists);
    EXPECT_EQ(contentOf(dst), data);
    tmp.folder("dst/folder.epub");  // a folder in the way counts as taken as well
    EXPECT_TRUE(platform::copyFileNoReplace(other, tmp.path("dst/folder.epub")));
    EXPECT_TRUE(platform::copyFileNoReplace(tmp.path("src/none.epub"), tmp.path("dst/x.epub")));
    EXPECT_TRUE(platform::copyFileNoReplace(src, tmp.path("nowhere/x.epub")));
    EXPECT_EQ(tmp.names("dst"), (std::set<std::string>{"Könyv – ő.epub", "folder.epub"}));
    EXPECT_EQ(tmp.names(), (std::set<std::string>{"src", "dst"}));

    const std::string empty = tmp.write("src/empty.epub", "");
    EXPECT_FALSE(platform::copyFileNoReplace(empty, tmp.path("dst/empty.epub")));
    EXPECT_TRUE(platform::fileExists(tmp.path("dst/empty.epub")));
}

TEST(FilesEverywhere, MoveNeverReplaces) {
    TempDir tmp;
    const std::string src = tmp.write("src/book.epub", "book");
    tmp.folder("dst");
    const std::string dst = tmp.path("dst/moved.epub");
    EXPECT_TRUE(platform::sameVolume(src, tmp.path("dst/not/yet/there.epub")));
    ASSERT_FALSE(platform::moveFileNoReplace(src, dst));
    EXPECT_FALSE(platform::fileExists(src));
    EXPECT_EQ(contentOf(dst), "book");

    const std::string second = tmp.write("src/second.epub", "second");
    EXPECT_TRUE(platform::moveFileNoReplace(second, dst));
    EXPECT_EQ(contentOf(dst), "book");
    EXPECT_EQ(contentOf(second), "second");
    EXPECT_TRUE(platform::moveFileNoReplace(tmp.path("src/none.epub"), tmp.path("dst/x")));
    EXPECT_EQ(tmp.names("dst"), std::set<std::string>{"moved.epub"});
}

TEST(FilesEverywhere, ReadAndAtomicReplace) {
    TempDir tmp;
    std::string bytes;
    platform::OsError error;
    EXPECT_FALSE(platform::readWholeFile(tmp.path("missing"), bytes, error));
    EXPECT_EQ(error.condition(), platform::ErrorCondition::NotFound);

    const std::string file = tmp.path("settings.ini");
    ASSERT_FALSE(platform::writeFileAtomically(file, "first"));
    ASSERT_FALSE(platform::writeFileAtomically(file, std::string("second\0binary", 13)));
    ASSERT_TRUE(platform::readWholeFile(file, bytes, error));
    EXPECT_EQ(bytes, std::string("second\0binary", 13));
    EXPECT_EQ(tmp.names(), std::set<std::string>{"settings.ini"});
    EXPECT_TRUE(platform::writeFileAtomically(tmp.path("missing/file"), "x"));
    EXPECT_EQ(tmp.names(), std::set<std::string>{"settings.ini"});
}

}  // namespace
