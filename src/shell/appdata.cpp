#include "shell/appdata.h"

#include <cctype>

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
    std::string folder = path;
    // The root folder keeps its separator: without it, it would name nothing.
    if (folder.size() > 1 && platform::isSeparator(folder.back())) folder.pop_back();
    if (platform::folderExists(folder)) return true;
    std::string parent;
    const auto cut = folder.find_last_of(platform::nativeSeparator());
    if (cut != std::string::npos) {
        parent = folder.substr(0, cut + 1);
    } else if (folder.size() >= 2 && folder[1] == ':' &&
               std::isalpha(static_cast<unsigned char>(folder[0]))) {
        parent = folder.substr(0, 2);  // the drive: "D:name" lies in "D:"
    }
    // A drive that does not exist is its own parent ("Q:"); stop instead of looping.
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
