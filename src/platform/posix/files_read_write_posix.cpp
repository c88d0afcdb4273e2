// Reading files whole and replacing them atomically, on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/posix/file_descriptor.h"

namespace platform {

namespace {

OsError native(int code) {
    return OsError::fromNative(static_cast<std::uint32_t>(code));
}

OsError lastError() {
    return native(errno);
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& bytes, OsError& error) {
    bytes.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        error = lastError();
        return false;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode))
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error = lastError();
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
    error = OsError();
    return true;
}

bool readSmallFile(const std::string& path, std::size_t limit, FileBytes& bytes) {
    bytes.clear();
    // Non-blocking, so that a FIFO under a book's name is turned down instead of waited on.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > limit)
        return false;
    // One byte more than the size: a file that grew since fstat is seen to have grown.
    const std::size_t room = static_cast<std::size_t>(info.st_size) + 1;
    bytes.data = std::make_unique_for_overwrite<char[]>(room);
    std::size_t filled = 0;
    while (filled < room) {
        const ssize_t n = ::read(fd.get(), bytes.data.get() + filled, room - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > static_cast<std::size_t>(info.st_size)) {
        bytes.clear();
        return false;
    }
    bytes.size = filled;
    return true;
}

bool ReadOnlyFile::open(const std::string& path) {
    close();
    // Non-blocking, so that a FIFO under a book's name is turned down instead of waited on.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return false;
    size_ = static_cast<std::uint64_t>(info.st_size);
    handle_ = fd.release();
    return true;
}

void ReadOnlyFile::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
    size_ = 0;
}

std::int64_t ReadOnlyFile::readAt(std::uint64_t offset, std::size_t count, void* out) const {
    if (handle_ < 0) return -1;
    std::size_t filled = 0;
    while (filled < count) {
        const std::uint64_t at = offset + filled;
        if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) break;
        const ssize_t n = ::pread(static_cast<int>(handle_), static_cast<char*>(out) + filled,
                                  count - filled, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(filled);
}

OsError writeFileAtomically(const std::string& requested, const std::string& bytes) {
    // A settings file kept as a link (dotfile managers do that) is replaced at its target,
    // so that the link survives.
    std::string path = requested;
    struct stat info {};
    if (::lstat(requested.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(requested.c_str(), nullptr)) {
            path = resolved;
            std::free(resolved);
        }
    }
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return native(EISDIR);

    const std::string folder = parentFolder(path);
    std::string tempPath;
    // 0666 lets the umask decide, as for any new file; an existing file keeps its mode.
    FileDescriptor out =
        posix::createExclusiveTemporary(folder, lastComponent(path), 0666, tempPath);
    if (!out) return lastError();
    int error = posix::writeAll(out.get(), bytes.data(), bytes.size());
    if (error == 0 && exists) ::fchmod(out.get(), info.st_mode & 07777);
    if (error == 0 && ::fsync(out.get()) != 0) error = errno;
    out.reset();
    if (error == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        return native(error);
    }
    posix::syncFolder(folder);
    return OsError();
}

}  // namespace platform
