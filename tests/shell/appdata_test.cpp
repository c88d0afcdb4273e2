#include "shell/appdata.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/system_folders.h"
#include "shell/assertion.h"
#include "shell_test_support.h"

namespace {

namespace fs = std::filesystem;
const char Sep = platform::nativeSeparator();

class AppDataTest : public ::testing::Test {
protected:
    void SetUp() override { shell::AppName = "Epub_polcaro"; }
    void TearDown() override { shell::AppName.clear(); }
    testsupport::TempDir folder_;
};

TEST_F(AppDataTest, FolderIsTheRoamingFolderAndTheNameWithOneFinalSeparator) {
    const std::string base = platform::roamingAppDataFolder();
    ASSERT_FALSE(base.empty());
    const std::string folder = shell::GetAppDataFolder();
    const std::string expected = std::string("Epub_polcaro") + Sep;
    ASSERT_GE(folder.size(), expected.size());
    EXPECT_EQ(folder.substr(folder.size() - expected.size()), expected);
    EXPECT_EQ(folder.rfind(base, 0), 0u);
    EXPECT_EQ(folder.find(std::string(2, Sep)), std::string::npos) << folder;
}

TEST_F(AppDataTest, InvalidAppNameIsAFailedAssertion) {
    for (const std::string bad :
         {"a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a\tb"}) {
        shell::AppName = bad;
        try {
            shell::GetAppDataFolder();
            ADD_FAILURE() << "accepted " << bad;
        } catch (const shell::AssertionFailed& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("Invalid chars in AppName: " + bad + " (appdata, line ", 0), 0u)
                << text;
        }
    }
    shell::AppName = "Epub polcaro. ok-name_ő";
    EXPECT_NO_THROW(shell::GetAppDataFolder());
}

TEST_F(AppDataTest, ForceFolderCreatesEveryMissingLevel) {
    const std::string deep = folder_.path("a/b/c");
    EXPECT_TRUE(shell::ForceFolder(deep + Sep));
    EXPECT_TRUE(platform::folderExists(deep));
    // Present already: true, and nothing else happens.
    EXPECT_TRUE(shell::ForceFolder(deep));
    EXPECT_TRUE(shell::ForceFolder(folder_.path()));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(testsupport::fsPath(deep)))
        ++entries;
    EXPECT_EQ(entries, 0u);
}

TEST_F(AppDataTest, ForceFolderReportsAFileInTheWayWithoutRaising) {
    testsupport::writeFile(folder_.path("Epub_polcaro"), "not a folder");
    EXPECT_FALSE(shell::ForceFolder(folder_.path("Epub_polcaro") + Sep));
    EXPECT_FALSE(shell::ForceFolder(folder_.path("Epub_polcaro/inner")));
    EXPECT_TRUE(platform::fileExists(folder_.path("Epub_polcaro")));
}

TEST_F(AppDataTest, EmptyPathRaisesTheCreationErrorNamingTheAppDataFolder) {
    try {
        shell::ForceFolder("");
        FAIL() << "no error";
    } catch (const shell::InOutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Nem tudom a " + shell::GetAppDataFolder() + "-t létrehozni");
    }
}

TEST_F(AppDataTest, RelativeFolderWithNoParentRaisesTheCreationError) {
    // What happens when the roaming folder is unknown: the relative "Epub_polcaro\" has an
    // empty parent. The working folder is a fresh temporary one, so nothing of that name exists.
    const fs::path previous = fs::current_path();
    fs::current_path(testsupport::fsPath(folder_.path()));
    std::string message;
    try {
        shell::ForceFolder(std::string("Epub_polcaro") + Sep);
    } catch (const shell::InOutError& e) {
        message = e.what();
    }
    fs::current_path(previous);
    EXPECT_EQ(message, "Nem tudom a " + shell::GetAppDataFolder() + "-t létrehozni");
    EXPECT_FALSE(fs::exists(testsupport::fsPath(folder_.path("Epub_polcaro"))));
}

}  // namespace
