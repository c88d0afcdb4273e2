// Folder listing on POSIX. Hidden means a leading dot; there is no system attribute.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/listing.h"

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

ListStatus statusFor(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ListStatus::NotFound;
        case EACCES:
        case EPERM:
            return ListStatus::AccessDenied;
        default:
            return ListStatus::Failed;
    }
}

// Fills the attributes of one entry. False when the entry vanished since readdir saw it.
bool describe(int folderFd, const dirent& entry, FolderEntry& out) {
    unsigned attributes = 0;
    if (entry.d_name[0] == '.') attributes |= AttrHidden;

    out.name = entry.d_name;
    struct stat info {};
    if (::fstatat(folderFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return false;
        // A folder we may read but not search: the entry type is all we can know.
        if (entry.d_type == DT_DIR) attributes |= AttrDirectory;
        if (entry.d_type == DT_LNK) attributes |= AttrLink;
        out.attributes = attributes;
        return true;
    }
    if (S_ISLNK(info.st_mode)) {
        attributes |= AttrLink;
        struct stat target {};
        if (::fstatat(folderFd, entry.d_name, &target, 0) == 0) {
            if (S_ISDIR(target.st_mode)) attributes |= AttrDirectory;
            if ((target.st_mode & S_IWUSR) == 0) attributes |= AttrReadOnly;
        }
    } else {
        if (S_ISDIR(info.st_mode)) attributes |= AttrDirectory;
        if ((info.st_mode & S_IWUSR) == 0) attributes |= AttrReadOnly;
    }
    out.attributes = attributes;
    return true;
}

}  // namespace

ListStatus listFolder(const std::string& folder,
                      const std::function<bool(const FolderEntry&)>& onEntry) {
    DirHandle dir(::opendir(folder.c_str()));
    if (!dir) return statusFor(errno);
    const int folderFd = ::dirfd(dir.get());
    FolderEntry entry;
    for (;;) {
        errno = 0;
        const dirent* raw = ::readdir(dir.get());
        if (!raw) return errno == 0 ? ListStatus::Ok : ListStatus::Failed;
        const char* name = raw->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        if (!describe(folderFd, *raw, entry)) continue;
        if (!onEntry(entry)) return ListStatus::Ok;
    }
}

std::optional<FileIdentity> folderIdentity(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace platform
