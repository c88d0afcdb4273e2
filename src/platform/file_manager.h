#pragma once
#include <string>

namespace platform {

// Opens a file-manager window on the folder that holds `path` with that item selected
// (Windows: SHOpenFolderAndSelectItems; POSIX: the freedesktop FileManager1 ShowItems call on
// the session bus, falling back to opening the folder). Reports nothing.
void showInFileManager(const std::string& path);

}  // namespace platform
