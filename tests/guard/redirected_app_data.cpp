// Linked into every test program: before the first test, the roaming application-data folder is
// redirected into a fresh temporary folder, so that no test run reads or replaces the settings and
// favourites of the user running it, on any platform. Tests that need a folder of their own
// redirect it again for their duration.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "platform/system_folders.h"

namespace {

namespace fs = std::filesystem;

class RedirectedAppData : public ::testing::Environment {
public:
    void SetUp() override {
        std::random_device random;
        const fs::path temp = fs::temp_directory_path();
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const fs::path candidate = temp / ("epub-polcaro-appdata-" + std::to_string(random()));
            std::error_code error;
            if (fs::create_directory(candidate, error)) folder_ = candidate;
        }
        ASSERT_FALSE(folder_.empty()) << "no temporary folder for the application data";
        const std::u8string utf8 = folder_.u8string();
        platform::redirectRoamingAppDataFolder(std::string(utf8.begin(), utf8.end()));
    }

    void TearDown() override {
        platform::redirectRoamingAppDataFolder(std::string());
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }

private:
    fs::path folder_;
};

[[maybe_unused]] ::testing::Environment* const kRedirected =
    ::testing::AddGlobalTestEnvironment(new RedirectedAppData);

}  // namespace
