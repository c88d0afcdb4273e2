#include "platform/listing.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

using platformtest::TempDir;

std::map<std::string, unsigned> listAll(const std::string& folder,
                                        platform::ListStatus* status = nullptr) {
    std::map<std::string, unsigned> entries;
    const auto result = platform::listFolder(folder, [&](const platform::FolderEntry& entry) {
        entries[entry.name] = entry.attributes;
        return true;
    });
    if (status) *status = result;
    return entries;
}

TEST(Listing, AttributesOfEveryKindOfEntry) {
    TempDir tmp;
    const std::string root = tmp.folder("root");
    tmp.write("root/book.epub", "x");
    tmp.write("root/.hidden", "x");
    tmp.folder("root/.dotfolder");
    tmp.folder("root/Folder");
    const std::string readOnly = tmp.write("root/readonly.epub", "x");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::string outside = tmp.folder("outside");
    ASSERT_EQ(::symlink(outside.c_str(), tmp.path("root/link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink(tmp.path("root/book.epub").c_str(), tmp.path("root/link-to-file").c_str()),
              0);
    ASSERT_EQ(::symlink(tmp.path("nowhere").c_str(), tmp.path("root/dangling").c_str()), 0);

    platform::ListStatus status{};
    const auto entries = listAll(root, &status);
    EXPECT_EQ(status, platform::ListStatus::Ok);
    const std::map<std::string, unsigned> expected{
        {"book.epub", 0},
        {".hidden", platform::AttrHidden},
        {".dotfolder", platform::AttrHidden | platform::AttrDirectory},
        {"Folder", platform::AttrDirectory},
        {"readonly.epub", platform::AttrReadOnly},
        {"link-to-folder", platform::AttrLink | platform::AttrDirectory},
        {"link-to-file", platform::AttrLink},
        {"dangling", platform::AttrLink},
    };
    EXPECT_EQ(entries, expected);
}

TEST(Listing, OrderIsTheFileSystemsAndStopsEarly) {
    TempDir tmp;
    for (int i = 0; i < 40; ++i) tmp.write("f/" + std::to_string(i), "");
    std::vector<std::string> expected;
    DIR* dir = ::opendir(tmp.path("f").c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = ::readdir(dir))
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            expected.push_back(entry->d_name);
    ::closedir(dir);

    std::vector<std::string> seen;
    EXPECT_EQ(platform::listFolder(tmp.path("f"),
                                   [&](const platform::FolderEntry& entry) {
                                       seen.push_back(entry.name);
                                       return true;
                                   }),
              platform::ListStatus::Ok);
    EXPECT_EQ(seen, expected);

    int calls = 0;
    EXPECT_EQ(platform::listFolder(tmp.path("f"),
                                   [&](const platform::FolderEntry&) { return ++calls < 3; }),
              platform::ListStatus::Ok);
    EXPECT_EQ(calls, 3);
}

TEST(Listing, ToleratesRemovalWhileListing) {
    TempDir tmp;
    for (int i = 0; i < 200; ++i) tmp.folder("f/d" + std::to_string(i));
    int seen = 0;
    EXPECT_EQ(platform::listFolder(tmp.path("f"),
                                   [&](const platform::FolderEntry& entry) {
                                       ++seen;
                                       return ::rmdir(tmp.path("f/" + entry.name).c_str()) == 0;
                                   }),
              platform::ListStatus::Ok);
    EXPECT_EQ(seen, 200);
    EXPECT_TRUE(tmp.names("f").empty());
}

TEST(Listing, StatusOfFoldersThatCannotBeListed) {
    TempDir tmp;
    platform::ListStatus status{};
    listAll(tmp.path("missing"), &status);
    EXPECT_EQ(status, platform::ListStatus::NotFound);
    listAll(tmp.write("file", "x"), &status);
    EXPECT_EQ(status, platform::ListStatus::NotFound);
    if (::geteuid() != 0) {
        const std::string locked = tmp.folder("locked");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        listAll(locked, &status);
        EXPECT_EQ(status, platform::ListStatus::AccessDenied);
    }
}

TEST(Listing, FolderIdentityFollowsLinks) {
    TempDir tmp;
    const std::string folder = tmp.folder("a");
    ASSERT_EQ(::symlink(folder.c_str(), tmp.path("link").c_str()), 0);
    const auto direct = platform::folderIdentity(folder);
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(platform::folderIdentity(tmp.path("link")), direct);
    EXPECT_NE(platform::folderIdentity(tmp.folder("b")), direct);
    EXPECT_FALSE(platform::folderIdentity(tmp.path("missing")).has_value());
    EXPECT_FALSE(platform::folderIdentity(tmp.write("file", "")).has_value());
}

}  // namespace
