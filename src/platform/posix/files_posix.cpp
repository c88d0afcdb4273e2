// Files and folders on POSIX (Linux). Copies never replace: the data goes to a file with no
// name (O_TMPFILE) or a hidden temporary name in the target folder and is then linked into place
// with an operation that fails when the target exists. A copy whose source is deleted afterwards
// (a move across volumes) is flushed to the disk first.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/files_testing.h"
#include "platform/temporaries.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace platform {

using posix::syncFolder;

namespace {

struct CopyFault {
    bool armed = false;
    std::int64_t afterBytes = 0;
    int errorCode = 0;
};
CopyFault nextCopyFault;
bool linkMovesForced = false;
int nextSourceRemovalError = 0;

OsError native(int code) {
    return OsError::fromNative(static_cast<std::uint32_t>(code));
}

OsError lastError() {
    return native(errno);
}

// Removes the old name of a moved file; 0 or errno.
int removeSource(const std::string& src) {
    if (const int injected = std::exchange(nextSourceRemovalError, 0)) return injected;
    return ::unlink(src.c_str()) == 0 ? 0 : errno;
}

int renameNoReplace(const std::string& from, const std::string& to) {
#ifdef SYS_renameat2
    if (syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
#else
    (void)from;
    (void)to;
    return ENOSYS;
#endif
}

// Errors that say "this file system cannot do that operation", as opposed to a real failure.
bool renameFlagsUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}
// FAT and exFAT refuse hard links with EPERM.
bool hardLinksUnsupported(int error) {
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP ||
           error == EMLINK;
}

CopyFault takeCopyFault() {
    const CopyFault fault = nextCopyFault;
    nextCopyFault = CopyFault{};
    return fault;
}

bool namedTemporariesForced = false;

// O_TMPFILE files are given their name through /proc/self/fd.
bool anonymousTemporariesAvailable() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available && !namedTemporariesForced;
}

// Copies the data of in to out. Uses copy_file_range (which lets the kernel or the file system
// copy without passing the data through us) and falls back to a buffered loop.
int copyData(int in, int out, std::uint64_t size, const CopyFault& fault) {
    std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    if (fault.armed)
        limit = static_cast<std::uint64_t>(fault.afterBytes < 0 ? 0 : fault.afterBytes);

    std::uint64_t copied = 0;
    bool kernelCopy = !fault.armed;
    // Until the kernel finds the end: past the size fstat gave, one more call answers 0, or
    // copies what a source that grew meanwhile gained.
    while (kernelCopy) {
        const std::uint64_t chunk =
            copied < size ? std::min<std::uint64_t>(size - copied, 1u << 30) : 1u << 20;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                break;
            }
            return errno;
        }
        if (n == 0) {
            if (copied >= size) return 0;
            break;  // fewer bytes than fstat said: the plain loop below finds the end
        }
        copied += static_cast<std::uint64_t>(n);
    }
    if (kernelCopy) {
        if (::lseek(in, static_cast<off_t>(copied), SEEK_SET) < 0) return errno;
        if (::lseek(out, static_cast<off_t>(copied), SEEK_SET) < 0) return errno;
    }

    // One buffer for every copy: allocating (and zeroing) a fresh megabyte per book cost more
    // than the kernel copy itself.
    static thread_local std::vector<char> buffer(1u << 20);
    for (;;) {
        const std::uint64_t room = limit - copied;
        if (room == 0) return fault.errorCode;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), room));
        const ssize_t n = ::read(in, buffer.data(), want);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        if (const int error = posix::writeAll(out, buffer.data(), static_cast<std::size_t>(n)))
            return error;
        copied += static_cast<std::uint64_t>(n);
    }
    if (fault.armed) return fault.errorCode;
    return 0;
}

}  // namespace

namespace posix {

int syncFolder(const std::string& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return errno;
    if (::fsync(fd.get()) != 0 && errno != EINVAL) return errno;
    return 0;
}

int writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

FileDescriptor createExclusiveTemporary(const std::string& folder, const std::string& forName,
                                        mode_t mode, std::string& tempPath) {
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + "/" + temporaryName(forName, static_cast<unsigned>(random()));
        FileDescriptor fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return FileDescriptor();
}

}  // namespace posix

char nativeSeparator() {
    return '/';
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

OsError createFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? OsError() : lastError();
}

namespace {

int removeFolderNative(const std::string& path) {
    if (::rmdir(path.c_str()) == 0) return 0;
    const int error = errno;
    if (error != EACCES && error != EPERM) return error;
    // Removing a folder needs write permission on its parent, where Windows looks only at the
    // folder itself. A parent the user made read-only gets its write permission for this one
    // removal and then its mode back; nothing else is changed.
    std::string parent = path;
    while (parent.size() > 1 && isSeparator(parent.back())) parent.pop_back();
    std::size_t cut = parent.size();
    while (cut > 0 && !isSeparator(parent[cut - 1])) --cut;
    if (cut == 0) return error;
    parent.resize(cut == 1 ? 1 : cut - 1);  // the root keeps its separator
    struct stat info {};
    if (::lstat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        (info.st_mode & S_IWUSR) != 0 || info.st_uid != ::geteuid())
        return error;
    if (::chmod(parent.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0) return error;
    const int result = ::rmdir(path.c_str()) == 0 ? 0 : errno;
    ::chmod(parent.c_str(), info.st_mode & 07777);
    return result;
}

}  // namespace

OsError removeFolder(const std::string& path) {
    return native(removeFolderNative(path));
}

void resetAttributes(const std::string& path) {
    struct stat info {};
    // A link has no permissions of its own; changing its target is not what was asked.
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return;
    if ((info.st_mode & S_IWUSR) == 0) ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR);
}

namespace {

// durable: the data and the new name are forced to the disk before returning, for a copy whose
// source is about to be deleted.
int copyNoReplace(const std::string& src, const std::string& dst, bool durable) {
    const CopyFault fault = takeCopyFault();
    FileDescriptor in(::open(src.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) return errno;
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    // Saves copying a whole book only to find the place taken; the link below still decides.
    struct stat existing {};
    if (::lstat(dst.c_str(), &existing) == 0) return EEXIST;

    const std::string folder = parentFolder(dst);
    const mode_t mode = info.st_mode & 0777;

    // A file without a name cannot be left behind by a crash. File systems without
    // O_TMPFILE (FAT, exFAT, network shares) get a hidden temporary name instead.
    std::string tempPath;
    FileDescriptor out;
    if (anonymousTemporariesAvailable())
        out = FileDescriptor(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    const bool anonymous = static_cast<bool>(out);
    if (!anonymous) {
        // Where copies need names, a killed earlier run may have left some: clear them once.
        static thread_local std::set<std::string> swept;
        if (swept.insert(folder).second) removeStaleTemporaries(folder);
        out = posix::createExclusiveTemporary(folder, lastComponent(dst), 0600, tempPath);
        if (!out) return errno;
    }
    auto discard = [&](int error) {
        out.reset();
        if (!anonymous) ::unlink(tempPath.c_str());
        return error;
    };

    if (const int error =
            copyData(in.get(), out.get(), static_cast<std::uint64_t>(info.st_size), fault))
        return discard(error);
    ::fchmod(out.get(), mode);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(out.get(), times);
    if (durable && ::fsync(out.get()) != 0) return discard(errno);

    int error = 0;
    if (anonymous) {
        const std::string procPath = "/proc/self/fd/" + std::to_string(out.get());
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, dst.c_str(), AT_SYMLINK_FOLLOW) != 0)
            error = errno;
    } else {
        // link() fails when dst exists. FAT has no hard links; renameat2 with RENAME_NOREPLACE
        // then gives the same guarantee.
        error = ::link(tempPath.c_str(), dst.c_str()) == 0 ? 0 : errno;
        if (error == 0) {
            ::unlink(tempPath.c_str());
        } else if (hardLinksUnsupported(error)) {
            error = renameNoReplace(tempPath, dst);
            if (renameFlagsUnsupported(error)) {
                // Last resort for file systems that have neither: claim the name exclusively,
                // then rename over our own empty placeholder.
                FileDescriptor claim(
                    ::open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
                error = claim ? 0 : errno;
                if (error == 0 && ::rename(tempPath.c_str(), dst.c_str()) != 0) {
                    error = errno;
                    ::unlink(dst.c_str());
                }
            }
        }
    }
    if (error != 0) return discard(error);
    out.reset();
    if (durable) syncFolder(folder);
    return 0;
}

}  // namespace

OsError copyFileNoReplace(const std::string& src, const std::string& dst) {
    return native(copyNoReplace(src, dst, false));
}

OsError flushFileSystems(const std::vector<std::string>& paths) {
    std::vector<dev_t> flushed;
    int result = 0;
    for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) continue;
        if (std::find(flushed.begin(), flushed.end(), info.st_dev) != flushed.end()) continue;
        flushed.push_back(info.st_dev);
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd || ::syncfs(fd.get()) != 0) result = errno;
    }
    return native(result);
}

namespace {

int moveNoReplace(const std::string& src, const std::string& dst) {
    int error = linkMovesForced ? EINVAL : renameNoReplace(src, dst);
    if (error == 0) return 0;
    if (renameFlagsUnsupported(error)) {
        // No RENAME_NOREPLACE here: a hard link cannot replace either.
        error = ::link(src.c_str(), dst.c_str()) == 0 ? 0 : errno;
        if (error == 0) {
            // The book has two names until the old one goes. When it cannot go, the new one
            // goes instead: the book is either moved or untouched, never in both places. An old
            // name that someone else removed meanwhile leaves the book moved, and only there.
            error = removeSource(src);
            if (error == ENOENT) return 0;
            if (error != 0) ::unlink(dst.c_str());
            return error;
        }
        if (!hardLinksUnsupported(error)) return error;
        error = EXDEV;  // neither works: copy and delete, as across volumes
    }
    if (error != EXDEV) return error;

    // The source goes away below, so the copy must be on the disk first.
    if (const int copyError = copyNoReplace(src, dst, true)) return copyError;
    if (const int deleteError = removeSource(src)) {
        // POSIX lets a file that another program holds open be deleted. EBUSY is the nearest
        // thing to "in use": the copy is removed again so that the book exists once.
        if (deleteError == EBUSY || deleteError == ETXTBSY) {
            ::unlink(dst.c_str());
            return deleteError;
        }
        // Any other refusal (a read-only source folder) leaves the source in place.
    }
    syncFolder(parentFolder(src));
    return 0;
}

}  // namespace

OsError moveFileNoReplace(const std::string& src, const std::string& dst) {
    return native(moveNoReplace(src, dst));
}

bool sameVolume(const std::string& src, const std::string& dst) {
    struct stat source {};
    if (::stat(src.c_str(), &source) != 0) return false;
    std::string probe = dst;
    struct stat target {};
    while (::stat(probe.c_str(), &target) != 0) {
        const std::string parent = parentFolder(probe);
        if (parent == probe) return false;
        probe = parent;
    }
    return source.st_dev == target.st_dev;
}

OsError deleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? OsError() : lastError();
}

namespace testing {
void failNextCopyAfter(std::int64_t afterBytes, ErrorCondition condition) {
    nextCopyFault =
        CopyFault{true, afterBytes, static_cast<int>(OsError::of(condition).nativeCode())};
}
void useLinksForMoves(bool links) {
    linkMovesForced = links;
}
void failNextSourceRemoval(ErrorCondition condition) {
    nextSourceRemovalError = static_cast<int>(OsError::of(condition).nativeCode());
}
void useNamedTemporaryFiles(bool named) {
    namedTemporariesForced = named;
}
}  // namespace testing

}  // namespace platform
