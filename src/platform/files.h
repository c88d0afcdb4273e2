#pragma once
// Files and folders. Paths are text as path_text.h describes it (UTF-8 on Windows, the file
// system's own bytes on POSIX) with the native separator. Every function here
// reports failure through its result (an OsError, true when something failed); none throws.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/path_text.h"

namespace platform {

// An existing file. A folder never counts as an existing file.
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Creates one folder level (the parent must exist). An error when nothing was created (Exists
// when the name is taken).
OsError createFolder(const std::string& path);
// Removes an empty folder.
OsError removeFolder(const std::string& path);
// Clears the attributes that stop a folder from being removed (Windows: FILE_ATTRIBUTE_NORMAL;
// POSIX: the owner's write permission is restored).
void resetAttributes(const std::string& path);

// Copies src to dst and never replaces an existing file. The data is written to a temporary
// name in dst's folder and only linked into place, with an operation that fails when dst
// exists, once it is complete. On any failure, a killed process included, neither dst nor the
// temporary file is left behind and src is untouched. The data is not forced to the disk one
// file at a time (that makes a run of many copies several times slower than `cp`): a batch of
// copies ends with flushFileSystems. Exists when dst exists, also when it appears while the
// data is copied.
OsError copyFileNoReplace(const std::string& src, const std::string& dst);

// Forces everything written to the volumes holding these paths to the disk (POSIX: syncfs,
// once per volume). Returns the last error.
OsError flushFileSystems(const std::vector<std::string>& paths);

// Moves src to dst, never replacing. On one volume this is an atomic rename (or, where the file
// system has no rename that refuses to replace, a new link followed by removing the old name;
// when the old name cannot be removed the new one is removed again and the move fails, so that
// the book never ends with two names). Across volumes it is copyFileNoReplace followed, once the
// copy is complete and flushed, by deleting src. A delete that fails because another program
// holds src is an error (the copy is then removed again so that the book exists once); any
// other failed delete leaves src in place and counts as success.
OsError moveFileNoReplace(const std::string& src, const std::string& dst);

// True when both paths lie on the same volume. dst may not exist yet: its nearest existing
// ancestor decides.
bool sameVolume(const std::string& src, const std::string& dst);

// Deletes a file.
OsError deleteFile(const std::string& path);

// Reads a whole file. Returns false and sets error when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, OsError& error);
// A file's bytes as read whole. The buffer is not cleared before the read fills it: for a book
// read at every open, zeroing it first cost more than the read.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;

    bool empty() const { return size == 0; }
    void clear() {
        data.reset();
        size = 0;
    }
};

// Reads a regular file of at most `limit` bytes whole, in one go. Returns false, with bytes
// empty, for anything else (too large, not a regular file, unreadable): the caller then reads
// it its usual way and meets the same error there.
bool readSmallFile(const std::string& path, std::size_t limit, FileBytes& bytes);
// A regular file kept open for reads at any offset, so that everything read from it comes from
// the same file even when its name is given to another meanwhile. Reads from several threads
// at once are safe. Closed on destruction.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile() { close(); }
    ReadOnlyFile(ReadOnlyFile&& other) noexcept
        : handle_(std::exchange(other.handle_, -1)), size_(std::exchange(other.size_, 0)) {}
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, -1);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens a regular file; false for anything else (missing, a folder, a FIFO or device,
    // unreadable), never waiting on a FIFO.
    bool open(const std::string& path);
    bool isOpen() const { return handle_ != -1; }
    // The size when it was opened.
    std::uint64_t size() const { return size_; }
    // Reads up to count bytes at offset into out, going on after short reads; the number of
    // bytes read (fewer only at the end of the file), or -1 on an error.
    std::int64_t readAt(std::uint64_t offset, std::size_t count, void* out) const;
    void close();

private:
    std::intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
    std::uint64_t size_ = 0;
};

// Replaces a file atomically: writes a temporary file beside it, flushes it, renames it over
// the old one. A crash leaves either the old or the new content.
OsError writeFileAtomically(const std::string& path, const std::string& bytes);

namespace testing {
// Fault injection for tests: the next copy fails with the system's error for `condition` after
// writing `afterBytes` bytes of data, as a full disk or a pulled cable would make it fail.
void failNextCopyAfter(std::int64_t afterBytes, ErrorCondition condition);
}  // namespace testing

}  // namespace platform
