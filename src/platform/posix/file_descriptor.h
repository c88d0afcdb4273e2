#pragma once
// An owned POSIX file descriptor, closed once, on every path.
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <utility>

namespace platform {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const noexcept { return fd_; }
    // Gives the descriptor up without closing it.
    int release() noexcept { return std::exchange(fd_, -1); }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    void reset() noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

namespace posix {
// Forces a folder's entries (a new name in it) to the disk; 0 or errno.
int syncFolder(const std::string& folder);
// Writes all of data, going on after short writes and interruptions; 0 or errno.
int writeAll(int fd, const char* data, std::size_t size);
// Our hidden temporary name for forName:
// ".<forName>.polcaro-<host>-<pid>-<random as 6 hex digits>" (see temporaries_posix.cpp).
std::string temporaryName(const std::string& forName, unsigned random);
// Creates and opens a new file with a hidden temporary name (temporaryName) in folder, failing
// rather than opening anything that exists. tempPath receives its path. On failure the result is
// empty and errno tells why.
FileDescriptor createExclusiveTemporary(const std::string& folder, const std::string& forName,
                                        mode_t mode, std::string& tempPath);
}  // namespace posix

}  // namespace platform
