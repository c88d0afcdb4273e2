// Behaviour of the folder listing that holds on every platform.
#include "platform/listing.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace {

using testsupport::fsPath;
using testsupport::TempDir;

TEST(ListingEverywhere, OrderIsTheFileSystemsAndStopsEarly) {
    TempDir tmp;
    for (int i = 0; i < 40; ++i) tmp.write("f/" + std::to_string(i) + ".epub", "");
    tmp.folder("f/sub");
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(fsPath(tmp.path("f"))))
        expected.push_back(entry.path().filename().string());

    std::vector<std::string> seen;
    unsigned folders = 0;
    EXPECT_EQ(platform::listFolder(tmp.path("f"),
                                   [&](const platform::FolderEntry& entry) {
                                       seen.push_back(entry.name);
                                       if (entry.attributes & platform::AttrDirectory) ++folders;
                                       return true;
                                   }),
              platform::OsError());
    EXPECT_EQ(seen, expected);  // "." and ".." are left out
    EXPECT_EQ(folders, 1u);

    int calls = 0;
    EXPECT_EQ(platform::listFolder(tmp.path("f"),
                                   [&](const platform::FolderEntry&) { return ++calls < 3; }),
              platform::OsError());
    EXPECT_EQ(calls, 3);

    calls = 0;
    tmp.folder("empty");
    EXPECT_EQ(platform::listFolder(tmp.path("empty"),
                                   [&](const platform::FolderEntry&) { return ++calls, true; }),
              platform::OsError());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(platform::listFolder(tmp.path("missing"),
                                   [&](const platform::FolderEntry&) { return true; })
                  .condition(),
              platform::ErrorCondition::NotFound);
}

TEST(ListingEverywhere, ToleratesRemovalWhileListing) {
    TempDir tmp;
    for (int i = 0; i < 200; ++i) tmp.folder("f/d" + std::to_string(i));
    int seen = 0;
    EXPECT_EQ(platform::listFolder(tmp.path("f"),
                                   [&](const platform::FolderEntry& entry) {
                                       ++seen;
                                       std::error_code error;
                                       return std::filesystem::remove(
                                           fsPath(tmp.path("f/" + entry.name)), error);
                                   }),
              platform::OsError());
    EXPECT_EQ(seen, 200);
    EXPECT_TRUE(tmp.names("f").empty());
}

TEST(ListingEverywhere, FolderIdentityTellsFoldersApart) {
    TempDir tmp;
    const auto a = platform::folderIdentity(tmp.folder("a"));
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(platform::folderIdentity(tmp.path("a")), a);
    EXPECT_NE(platform::folderIdentity(tmp.folder("b")), a);
    EXPECT_FALSE(platform::folderIdentity(tmp.path("missing")).has_value());
}

}  // namespace
