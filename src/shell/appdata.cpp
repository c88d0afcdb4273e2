#include "shell/appdata.h"

#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/system_folders.h"
#include "shell/assertion.h"

namespace shell {

std::string AppName;

namespace {

bool validFolderName(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x20) return false;
        switch (c) {
            case '"':
            case '*':
            case '/':
            case ':':
            case '<':
            case '>':
            case '?':
            case '\\':
            case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

}  // namespace

std::string GetAppDataFolder() {
    Assert(validFolderName(AppName), "Invalid chars in AppName: " + AppName, "appdata");
    std::string folder = platform::roamingAppDataFolder();
    if (!folder.empty()) folder = platform::withTrailingSeparator(folder);
    return platform::withTrailingSeparator(folder + AppName);
}

bool ForceFolder(const std::string& path) {
    if (path.empty()) throw InOutError("Nem tudom a " + GetAppDataFolder() + "-t létrehozni");
    const std::string folder = platform::withoutTrailingSeparators(path);
    if (platform::folderExists(folder)) return true;
    // "D:name" lies in "D:". A root is its own parent: a drive that does not exist ("Q:")
    // stops the climb instead of looping. A bare name has no parent to create first: the
    // empty one raises the creation error, as a relative app-data folder always has.
    const std::string parent =
        platform::lastComponent(folder) == folder ? std::string() : platform::parentFolder(folder);
    if (parent == folder) return false;
    if (!ForceFolder(parent)) return false;
    // A folder that another process created meanwhile is as good as one created here.
    return !platform::createFolder(folder) || platform::folderExists(folder);
}

std::string EnsureAppDataFolder() {
    const std::string folder = GetAppDataFolder();
    ForceFolder(folder);
    return folder;
}

}  // namespace shell
