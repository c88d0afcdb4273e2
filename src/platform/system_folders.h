#pragma once
#include <string>

namespace platform {

// The user's roaming application-data folder: the system's one (systemRoamingAppDataFolder),
// unless a test has pointed it elsewhere.
std::string roamingAppDataFolder();

// The system's roaming application-data folder (Windows: SHGetFolderPath CSIDL_APPDATA; POSIX:
// $XDG_CONFIG_HOME, else ~/.config). Empty when it cannot be determined.
std::string systemRoamingAppDataFolder();

// Points roamingAppDataFolder at `folder` for the rest of the process (empty: back to the
// system's folder) and returns the previous redirection. Test programs set it before their first
// test, so that no test run reads or replaces a user's real settings and favourites on any
// platform. Not synchronised: set it while no other thread asks for the folder.
std::string redirectRoamingAppDataFolder(std::string folder);

// Full path of the running program file.
std::string executablePath();

}  // namespace platform
