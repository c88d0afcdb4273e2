// Files and folders on Windows. Copies never replace and never leave a partial file: the data
// goes to a temporary name in the target folder, is flushed, and only then is renamed to the
// target with MoveFileExW without MOVEFILE_REPLACE_EXISTING, which fails when the target exists.

// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <random>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/win32/utf.h"

namespace platform {

namespace {

using win32::widen;

struct CopyFault {
    bool armed = false;
    std::int64_t afterBytes = 0;
    int errorCode = 0;
};
CopyFault nextCopyFault;

CopyFault takeCopyFault() {
    const CopyFault fault = nextCopyFault;
    nextCopyFault = CopyFault{};
    return fault;
}

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    // Gives the handle up without closing it.
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void reset(HANDLE h) {
        close();
        h_ = h;
    }
    void close() {
        if (valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

OsError native(int code) {
    return OsError::fromNative(static_cast<std::uint32_t>(code));
}

OsError lastError() {
    return OsError::fromNative(GetLastError());
}

DWORD attributesOf(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str());
}

// MoveFileExW reports an existing target as ERROR_ALREADY_EXISTS; both are Exists, and the
// copy and the move say it in the words CopyFileW uses (ERROR_FILE_EXISTS).
int existingAsFileExists(DWORD error) {
    return static_cast<int>(error == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : error);
}

// A temporary name beside `path`, created empty and opened for writing. Short on purpose: the
// target path may be up to 247 characters and the temporary one must stay below MAX_PATH.
bool createTemporaryBeside(const std::string& path, std::wstring& temporary, Handle& file,
                           DWORD& error) {
    static std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t suffix[16];
        swprintf(suffix, 16, L".~%06x", static_cast<unsigned>(random() & 0xFFFFFF));
        temporary = widen(path) + suffix;
        HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file.reset(h);
            return true;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool writeAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) return false;
        data += written;
        size -= written;
    }
    return true;
}

// The volume root ("C:\", "\\server\share\") of a path or, when it does not exist yet, of its
// nearest existing ancestor.
std::wstring volumeOf(const std::string& path) {
    std::string current = path;
    while (!current.empty() &&
           GetFileAttributesW(widen(current).c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::string parent = parentFolder(current);
        if (parent == current) break;
        current = parent;
    }
    // assign(1, ...) rather than = ".": GCC 12 wrongly warns about the literal (-Wrestrict).
    if (current.empty()) current.assign(1, '.');
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(widen(current).c_str(), volume, MAX_PATH + 1)) return std::wstring();
    return volume;
}

}  // namespace

char nativeSeparator() {
    return '\\';
}

bool fileExists(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

OsError createFolder(const std::string& path) {
    return CreateDirectoryW(widen(path).c_str(), nullptr) ? OsError() : lastError();
}

OsError removeFolder(const std::string& path) {
    return RemoveDirectoryW(widen(path).c_str()) ? OsError() : lastError();
}

void resetAttributes(const std::string& path) {
    SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

namespace {

int copyNoReplace(const std::string& src, const std::string& dst) {
    const CopyFault fault = takeCopyFault();
    if (fileExists(dst) || folderExists(dst)) return ERROR_FILE_EXISTS;

    Handle source(CreateFileW(widen(src).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.valid()) return static_cast<int>(GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(source.get(), &info)) return static_cast<int>(GetLastError());

    std::wstring temporary;
    Handle target;
    DWORD error = ERROR_GEN_FAILURE;
    if (!createTemporaryBeside(dst, temporary, target, error)) return static_cast<int>(error);

    auto fail = [&](DWORD code) {
        target.close();
        DeleteFileW(temporary.c_str());
        return static_cast<int>(code);
    };

    std::vector<char> buffer(1 << 20);
    std::int64_t copied = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr)) {
            return fail(GetLastError());
        }
        if (read == 0) break;
        if (fault.armed && copied + read > fault.afterBytes) {
            const auto part =
                static_cast<std::size_t>(fault.afterBytes > copied ? fault.afterBytes - copied : 0);
            writeAll(target.get(), buffer.data(), part);
            return fail(static_cast<DWORD>(fault.errorCode));
        }
        if (!writeAll(target.get(), buffer.data(), read)) return fail(GetLastError());
        copied += read;
    }
    if (fault.armed && copied >= fault.afterBytes) return fail(static_cast<DWORD>(fault.errorCode));
    // The copy keeps the source's modification time, as CopyFileW does.
    SetFileTime(target.get(), &info.ftCreationTime, nullptr, &info.ftLastWriteTime);
    if (!FlushFileBuffers(target.get())) return fail(GetLastError());
    target.close();
    source.close();

    if (!MoveFileExW(temporary.c_str(), widen(dst).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD moveError = GetLastError();
        DeleteFileW(temporary.c_str());
        return existingAsFileExists(moveError);
    }
    const DWORD keep = info.dwFileAttributes &
                       (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    if (keep) SetFileAttributesW(widen(dst).c_str(), keep);
    return 0;
}

}  // namespace

OsError copyFileNoReplace(const std::string& src, const std::string& dst) {
    return native(copyNoReplace(src, dst));
}

// Every Windows copy is flushed before it is renamed into place, so there is nothing left to do.
OsError flushFileSystems(const std::vector<std::string>&) {
    return OsError();
}

namespace {

int moveNoReplace(const std::string& src, const std::string& dst) {
    if (sameVolume(src, dst)) {
        if (MoveFileExW(widen(src).c_str(), widen(dst).c_str(), 0)) return 0;
        const DWORD error = GetLastError();
        if (error != ERROR_NOT_SAME_DEVICE) return existingAsFileExists(error);
    }
    if (const int rc = copyNoReplace(src, dst)) return rc;
    if (!DeleteFileW(widen(src).c_str())) {
        const DWORD error = GetLastError();
        // Another program holds the source: the book must exist once, so the copy goes again.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
            SetFileAttributesW(widen(dst).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(widen(dst).c_str());
            return static_cast<int>(error);
        }
    }
    return 0;
}

}  // namespace

OsError moveFileNoReplace(const std::string& src, const std::string& dst) {
    return native(moveNoReplace(src, dst));
}

bool sameVolume(const std::string& src, const std::string& dst) {
    const std::wstring a = volumeOf(src);
    const std::wstring b = volumeOf(dst);
    return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

OsError deleteFile(const std::string& path) {
    return DeleteFileW(widen(path).c_str()) ? OsError() : lastError();
}

bool readWholeFile(const std::string& path, std::string& bytes, OsError& error) {
    Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        error = lastError();
        return false;
    }
    bytes.clear();
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr)) {
            error = lastError();
            return false;
        }
        if (read == 0) break;
        bytes.append(buffer.data(), read);
    }
    error = OsError();
    return true;
}

bool readSmallFile(const std::string& path, std::size_t limit, FileBytes& bytes) {
    bytes.clear();
    Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > limit)
        return false;
    // One byte more than the size: a file that grew since the size was taken is seen to have.
    const std::size_t room = static_cast<std::size_t>(size.QuadPart) + 1;
    bytes.data = std::make_unique_for_overwrite<char[]>(room);
    std::size_t filled = 0;
    while (filled < room) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data.get() + filled, static_cast<DWORD>(room - filled),
                      &read, nullptr)) {
            bytes.clear();
            return false;
        }
        if (read == 0) break;
        filled += read;
    }
    if (filled > static_cast<std::size_t>(size.QuadPart)) {
        bytes.clear();
        return false;
    }
    bytes.size = filled;
    return true;
}

bool ReadOnlyFile::open(const std::string& path) {
    close();
    // Shared for writing and deleting too: a book being read must not stop the run (or any
    // other program) from renaming it.
    Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
        return false;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    handle_ = reinterpret_cast<std::intptr_t>(file.get());
    file.release();
    return true;
}

void ReadOnlyFile::close() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    size_ = 0;
}

std::int64_t ReadOnlyFile::readAt(std::uint64_t offset, std::size_t count, void* out) const {
    if (handle_ == -1) return -1;
    std::size_t filled = 0;
    while (filled < count) {
        // The offset goes with each read, so that threads reading at once never share a file
        // position.
        const std::uint64_t at = offset + filled;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const std::size_t left = count - filled;
        const DWORD chunk = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
        DWORD read = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), static_cast<char*>(out) + filled, chunk,
                      &read, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return -1;
        }
        if (read == 0) break;
        filled += read;
    }
    return static_cast<std::int64_t>(filled);
}

OsError writeFileAtomically(const std::string& path, const std::string& bytes) {
    std::wstring temporary;
    Handle file;
    DWORD error = ERROR_GEN_FAILURE;
    if (!createTemporaryBeside(path, temporary, file, error)) return OsError::fromNative(error);
    if (!writeAll(file.get(), bytes.data(), bytes.size()) || !FlushFileBuffers(file.get())) {
        error = GetLastError();
        file.close();
        DeleteFileW(temporary.c_str());
        return OsError::fromNative(error);
    }
    file.close();
    if (!MoveFileExW(temporary.c_str(), widen(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileW(temporary.c_str());
        return OsError::fromNative(error);
    }
    return OsError();
}

namespace testing {
void failNextCopyAfter(std::int64_t afterBytes, ErrorCondition condition) {
    nextCopyFault =
        CopyFault{true, afterBytes, static_cast<int>(OsError::of(condition).nativeCode())};
}
}  // namespace testing

}  // namespace platform
