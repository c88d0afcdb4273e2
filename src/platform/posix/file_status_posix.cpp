// File status, byte comparison and append-only files on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_status.h"
#include "platform/posix/file_descriptor.h"

namespace platform {

namespace {

// Reads up to size bytes, fewer only at the end of the file. Returns the count or -1.
ssize_t readFully(int fd, char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

OsError lastError() {
    return OsError::fromNative(static_cast<std::uint32_t>(errno));
}

}  // namespace

std::optional<FileStatus> fileStatus(const std::string& path, OsError& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = lastError();
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        error = OsError::fromNative(EISDIR);
        return std::nullopt;
    }
    error = OsError();
    FileStatus status;
    status.size = static_cast<std::int64_t>(info.st_size);
    status.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                        static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    return status;
}

namespace {

// The bytes of a and b compared, a chunk at a time; one file under two names counts as the same
// only when oneFileIsSame.
OsError compareBytes(const std::string& a, const std::string& b, bool oneFileIsSame, bool& same) {
    same = false;
    FileDescriptor first(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    if (!first) return lastError();
    FileDescriptor second(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    if (!second) return lastError();
    struct stat infoA {
    }, infoB{};
    if (::fstat(first.get(), &infoA) != 0 || ::fstat(second.get(), &infoB) != 0) return lastError();
    if (S_ISDIR(infoA.st_mode) || S_ISDIR(infoB.st_mode)) return OsError::fromNative(EISDIR);
    if (infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino) {
        same = oneFileIsSame;
        return OsError();
    }
    if (infoA.st_size != infoB.st_size) return OsError();

    static thread_local std::vector<char> bufferA(1u << 18), bufferB(1u << 18);
    for (;;) {
        const ssize_t n = readFully(first.get(), bufferA.data(), bufferA.size());
        if (n < 0) return lastError();
        const ssize_t m = readFully(second.get(), bufferB.data(), bufferB.size());
        if (m < 0) return lastError();
        if (n != m || std::memcmp(bufferA.data(), bufferB.data(), static_cast<std::size_t>(n)))
            return OsError();
        if (n == 0) break;
    }
    same = true;
    return OsError();
}

}  // namespace

OsError compareFiles(const std::string& a, const std::string& b, bool& same) {
    return compareBytes(a, b, false, same);
}

OsError sameContents(const std::string& a, const std::string& b, bool& same) {
    return compareBytes(a, b, true, same);
}

AppendOnlyFile::~AppendOnlyFile() {
    close();
}

OsError AppendOnlyFile::create(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return lastError();
    handle_ = fd;
    return OsError();
}

OsError AppendOnlyFile::openExisting(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return lastError();
    handle_ = fd;
    return OsError();
}

OsError AppendOnlyFile::append(const std::string& bytes) {
    if (!isOpen()) return OsError::fromNative(EBADF);
    return OsError::fromNative(static_cast<std::uint32_t>(
        posix::writeAll(static_cast<int>(handle_), bytes.data(), bytes.size())));
}

OsError AppendOnlyFile::flush() {
    if (!isOpen()) return OsError::fromNative(EBADF);
    return ::fsync(static_cast<int>(handle_)) == 0 ? OsError() : lastError();
}

void AppendOnlyFile::close() {
    if (isOpen()) ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

}  // namespace platform
