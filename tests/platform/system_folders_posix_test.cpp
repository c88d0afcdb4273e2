#include "platform/system_folders.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

class Environment {
public:
    Environment() {
        save("XDG_CONFIG_HOME", config_);
        save("HOME", home_);
    }
    ~Environment() {
        restore("XDG_CONFIG_HOME", config_);
        restore("HOME", home_);
    }

private:
    static void save(const char* name, std::optional<std::string>& slot) {
        if (const char* value = std::getenv(name)) slot = value;
    }
    static void restore(const char* name, const std::optional<std::string>& slot) {
        if (slot)
            ::setenv(name, slot->c_str(), 1);
        else
            ::unsetenv(name);
    }
    std::optional<std::string> config_;
    std::optional<std::string> home_;
};

TEST(SystemFoldersPosix, RoamingFolderFollowsXdgRules) {
    Environment keep;
    ::setenv("XDG_CONFIG_HOME", "/tmp/polcaro-config", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(platform::systemRoamingAppDataFolder(), "/tmp/polcaro-config");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
    EXPECT_EQ(platform::systemRoamingAppDataFolder(), "/home/someone/.config");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/someone/", 1);
    EXPECT_EQ(platform::systemRoamingAppDataFolder(), "/home/someone/.config");
}

TEST(SystemFoldersPosix, ExecutablePathNamesThisProgram) {
    const std::string path = platform::executablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));
}

}  // namespace
