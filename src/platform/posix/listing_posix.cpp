// Folder listing on POSIX. Hidden means a leading dot; there is no system attribute.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/posix/file_descriptor.h"

#include "platform/listing.h"

namespace platform {
namespace {

OsError lastError() {
    return OsError::fromNative(static_cast<std::uint32_t>(errno));
}

// Fills the attributes of one entry. False when the entry vanished since readdir saw it.
bool describe(int folderFd, const char* name, unsigned char type, FolderEntry& out) {
    unsigned attributes = 0;
    if (name[0] == '.') attributes |= AttrHidden;

    out.name = name;
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return false;
        // A folder we may read but not search: the entry type is all we can know.
        if (type == DT_DIR) attributes |= AttrDirectory;
        if (type == DT_LNK) attributes |= AttrLink;
        out.attributes = attributes;
        return true;
    }
    if (S_ISLNK(info.st_mode)) {
        attributes |= AttrLink;
        struct stat target {};
        if (::fstatat(folderFd, name, &target, 0) == 0) {
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

OsError listFolder(const std::string& folder,
                   const std::function<bool(const FolderEntry&)>& onEntry) {
    // getdents64 on a plain descriptor: opendir would add an fstat and an fcntl to every
    // listing, and the empty-folder walk lists tens of thousands of folders several times.
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return lastError();
    std::vector<char> buffer(32768);
    FolderEntry entry;
    for (;;) {
        const ssize_t size = ::getdents64(fd.get(), buffer.data(), buffer.size());
        if (size < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (size == 0) return {};
        for (ssize_t offset = 0; offset < size;) {
            const auto* raw = reinterpret_cast<const dirent64*>(buffer.data() + offset);
            offset += raw->d_reclen;
            const char* name = raw->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if (!describe(fd.get(), name, raw->d_type, entry)) continue;
            if (!onEntry(entry)) return {};
        }
    }
}

std::optional<FileIdentity> folderIdentity(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace platform
