// The redirection of the roaming folder; the system's folder comes from posix/ or win32/.
#include "platform/system_folders.h"

#include <utility>

namespace platform {
namespace {

std::string& redirection() {
    static std::string folder;
    return folder;
}

}  // namespace

std::string roamingAppDataFolder() {
    const std::string& redirected = redirection();
    return redirected.empty() ? systemRoamingAppDataFolder() : redirected;
}

std::string redirectRoamingAppDataFolder(std::string folder) {
    return std::exchange(redirection(), std::move(folder));
}

}  // namespace platform
