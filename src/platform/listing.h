#pragma once
// Folder listing with attributes.
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/error.h"

namespace platform {

enum Attribute : unsigned {
    AttrDirectory = 1u << 0,
    AttrHidden = 1u << 1,  // POSIX: the name begins with a dot
    AttrSystem = 1u << 2,  // never set on POSIX
    AttrReadOnly = 1u << 3,
    AttrLink = 1u << 4,  // symbolic link or junction; AttrDirectory too when it leads to a folder
};

struct FolderEntry {
    std::string name;
    unsigned attributes = 0;
};

// Lists a folder's entries in the order the file system returns them, unsorted; "." and ".."
// are left out. onEntry returns false to stop early (no error then). The listing tolerates
// entries being removed while it runs. A folder that is missing, is not a folder or cannot be
// reached is NotFound; one that may not be read is AccessDenied.
OsError listFolder(const std::string& folder,
                   const std::function<bool(const FolderEntry&)>& onEntry);

// Identity of a folder (device and inode; volume serial and file index), so that a search can
// tell that a link leads back into a folder it is already searching.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
std::optional<FileIdentity> folderIdentity(const std::string& path);

}  // namespace platform
