// The app-data folder below a roaming folder that the test chooses.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "shell/appdata.h"
#include "shell_test_support.h"

namespace {

namespace fs = std::filesystem;

class AppDataPosixTest : public ::testing::Test {
protected:
    void SetUp() override { shell::AppName = "Epub_polcaro"; }
    void TearDown() override { shell::AppName.clear(); }
    testsupport::TempDir folder_;
};

TEST_F(AppDataPosixTest, EnsureCreatesExactlyTheAppFolder) {
    shelltest::ScopedRoamingFolder roaming(folder_.path("roaming") + "/");
    fs::create_directory(testsupport::fsPath(folder_.path("roaming")));
    const std::string expected = folder_.path("roaming") + "/Epub_polcaro/";
    EXPECT_EQ(shell::GetAppDataFolder(), expected) << "one separator, never two";
    EXPECT_FALSE(platform::folderExists(expected)) << "GetAppDataFolder creates nothing";
    EXPECT_EQ(shell::EnsureAppDataFolder(), expected);
    EXPECT_TRUE(platform::folderExists(expected));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e :
         fs::directory_iterator(testsupport::fsPath(folder_.path("roaming"))))
        ++entries;
    EXPECT_EQ(entries, 1u);
    // Present already: no error, same path.
    EXPECT_EQ(shell::EnsureAppDataFolder(), expected);
}

TEST_F(AppDataPosixTest, MissingRoamingFolderIsCreatedWithIt) {
    shelltest::ScopedRoamingFolder roaming(folder_.path("not/yet"));
    EXPECT_EQ(shell::EnsureAppDataFolder(), folder_.path("not/yet") + "/Epub_polcaro/");
    EXPECT_TRUE(platform::folderExists(folder_.path("not/yet/Epub_polcaro")));
}

TEST_F(AppDataPosixTest, UncreatableFolderIsNotReported) {
    testsupport::writeFile(folder_.path("roaming"), "a file where the roaming folder should be");
    shelltest::ScopedRoamingFolder roaming(folder_.path("roaming"));
    EXPECT_EQ(shell::EnsureAppDataFolder(), folder_.path("roaming") + "/Epub_polcaro/");
    EXPECT_FALSE(platform::folderExists(folder_.path("roaming/Epub_polcaro")));
}

}  // namespace

namespace {

TEST(AppDataPosix, BackslashIsAnOrdinaryNameCharacter) {
    testsupport::TempDir folder;
    EXPECT_TRUE(shell::ForceFolder(folder.path() + "/a\\b/c"));
    EXPECT_TRUE(platform::folderExists(folder.path() + "/a\\b/c"));
    EXPECT_FALSE(platform::folderExists(folder.path() + "/a"));
}

}  // namespace
