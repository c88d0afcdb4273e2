#pragma once
#include <string>

namespace platform {

// The user's roaming application-data folder (Windows: SHGetFolderPath CSIDL_APPDATA; POSIX:
// $XDG_CONFIG_HOME, else ~/.config). Empty when it cannot be determined.
std::string roamingAppDataFolder();

// Full path of the running program file.
std::string executablePath();

}  // namespace platform
