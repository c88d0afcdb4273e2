// POSIX attributes: hidden means a leading dot, links are flagged, read-only from the mode.
#include "platform/listing.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"

namespace {

using testsupport::TempDir;

std::map<std::string, unsigned> listAll(const std::string& folder,
                                        platform::OsError* status = nullptr) {
    std::map<std::string, unsigned> entries;
    const auto result = platform::listFolder(folder, [&](const platform::FolderEntry& entry) {
        entries[entry.name] = entry.attributes;
        return true;
    });
    if (status) *status = result;
    return entries;
}

TEST(ListingPosix, AttributesOfEveryKindOfEntry) {
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

    platform::OsError status;
    const auto entries = listAll(root, &status);
    EXPECT_EQ(status, platform::OsError());
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

TEST(ListingPosix, StatusOfFoldersThatCannotBeListed) {
    TempDir tmp;
    platform::OsError status;
    listAll(tmp.path("missing"), &status);
    EXPECT_EQ(status.condition(), platform::ErrorCondition::NotFound);
    listAll(tmp.write("file", "x"), &status);
    EXPECT_EQ(status.condition(), platform::ErrorCondition::NotFound);
    if (::geteuid() != 0) {
        const std::string locked = tmp.folder("locked");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        listAll(locked, &status);
        EXPECT_EQ(status.condition(), platform::ErrorCondition::AccessDenied);
    }
}

TEST(ListingPosix, FolderIdentityFollowsLinks) {
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
