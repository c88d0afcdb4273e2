#pragma once
// What the run journal and its undo need of files besides copying and moving: a file's size and
// modification time, a comparison of two files' bytes, and a file that only ever grows by whole
// lines. Paths are UTF-8 text with the native separator; nothing here throws.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/error.h"

namespace platform {

struct FileStatus {
    std::int64_t size = 0;
    // Nanoseconds since 1970-01-01 00:00 UTC, as precise as the file system keeps it.
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStatus&) const = default;
};

// The status of an existing file (a folder is not a file). Empty when there is none; error then
// says why (NotFound for a missing file).
std::optional<FileStatus> fileStatus(const std::string& path, OsError& error);

// Compares the bytes of two files and sets `same`, or returns the error. Two names of one file
// (the same path, a hard link) are not two copies: `same` is false for them.
OsError compareFiles(const std::string& a, const std::string& b, bool& same);
// The same comparison for telling a duplicate from another file: one file under two names holds
// the same bytes, so `same` is true for it. Sizes first, then the bytes in bounded chunks.
OsError sameContents(const std::string& a, const std::string& b, bool& same);

// A file opened only for appending. Every append is handed to the system at once, so a process
// killed afterwards leaves it in the file; flush() also forces it to the disk.
class AppendOnlyFile {
public:
    AppendOnlyFile() = default;
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // Creates a new file; fails with Exists when the name is taken.
    OsError create(const std::string& path);
    // Opens an existing file to add to its end.
    OsError openExisting(const std::string& path);
    bool isOpen() const { return handle_ != kClosed; }
    // Writes all the bytes at the end of the file.
    OsError append(const std::string& bytes);
    OsError flush();
    void close();

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};

}  // namespace platform
