// The per-user configuration folder and the program's own path on POSIX.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/system_folders.h"

namespace platform {

std::string systemRoamingAppDataFolder() {
    // The XDG base-directory rules: a relative $XDG_CONFIG_HOME is invalid and ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return config;
    std::string home;
    if (const char* value = std::getenv("HOME"); value && value[0] != '\0') home = value;
    if (home.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    if (home.empty()) return std::string();
    if (home.back() != '/') home += '/';
    return home + ".config";
}

std::string executablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
