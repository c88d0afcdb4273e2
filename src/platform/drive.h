#pragma once
#include <string>

namespace platform {

// False only when `path` begins with a drive ("D:") that does not exist. Paths without a
// drive (relative, UNC, every POSIX path) give true. Used by folderPathAcceptable.
bool pathDriveExists(const std::string& path);

}  // namespace platform
