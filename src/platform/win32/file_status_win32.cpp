// File status, byte comparison and append-only files on Windows.

// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/file_status.h"
#include "platform/win32/utf.h"

namespace platform {

namespace {

using win32::widen;

// FILETIME counts 100 ns steps from 1601-01-01; 11644473600 seconds lie between that and 1970.
std::int64_t unixNanoseconds(const FILETIME& time) {
    const std::int64_t ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) |
                               static_cast<std::int64_t>(time.dwLowDateTime);
    return (ticks - 116444736000000000LL) * 100;
}

HANDLE openForReading(const std::string& path) {
    return CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

class ReadHandle {
public:
    explicit ReadHandle(HANDLE h) : h_(h) {}
    ~ReadHandle() {
        if (valid()) CloseHandle(h_);
    }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// Reads up to size bytes, fewer only at the end of the file; false on an error.
bool readFully(HANDLE file, char* data, DWORD size, DWORD& done) {
    done = 0;
    while (done < size) {
        DWORD n = 0;
        if (!ReadFile(file, data + done, size - done, &n, nullptr)) return false;
        if (n == 0) break;
        done += n;
    }
    return true;
}

OsError lastError() {
    return OsError::fromNative(GetLastError());
}

}  // namespace

std::optional<FileStatus> fileStatus(const std::string& path, OsError& error) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
        error = lastError();
        return std::nullopt;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = OsError::fromNative(ERROR_DIRECTORY);
        return std::nullopt;
    }
    error = OsError();
    FileStatus status;
    status.size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) |
                  static_cast<std::int64_t>(data.nFileSizeLow);
    status.modifiedNs = unixNanoseconds(data.ftLastWriteTime);
    return status;
}

namespace {

// The bytes of a and b compared, a chunk at a time; one file under two names counts as the same
// only when oneFileIsSame.
OsError compareBytes(const std::string& a, const std::string& b, bool oneFileIsSame, bool& same) {
    same = false;
    ReadHandle first(openForReading(a));
    if (!first.valid()) return lastError();
    ReadHandle second(openForReading(b));
    if (!second.valid()) return lastError();
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    if (!GetFileInformationByHandle(first.get(), &infoA) ||
        !GetFileInformationByHandle(second.get(), &infoB))
        return lastError();
    if (infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
        infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
        infoA.nFileIndexLow == infoB.nFileIndexLow) {
        same = oneFileIsSame;
        return OsError();
    }
    LARGE_INTEGER sizeA{}, sizeB{};
    if (!GetFileSizeEx(first.get(), &sizeA) || !GetFileSizeEx(second.get(), &sizeB))
        return lastError();
    if (sizeA.QuadPart != sizeB.QuadPart) return OsError();

    std::vector<char> bufferA(1u << 18), bufferB(1u << 18);
    for (;;) {
        DWORD n = 0, m = 0;
        if (!readFully(first.get(), bufferA.data(), static_cast<DWORD>(bufferA.size()), n) ||
            !readFully(second.get(), bufferB.data(), static_cast<DWORD>(bufferB.size()), m))
            return lastError();
        if (n != m || std::memcmp(bufferA.data(), bufferB.data(), n) != 0) return OsError();
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
    const HANDLE h = CreateFileW(widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return OsError::fromNative(error);
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return OsError();
}

OsError AppendOnlyFile::openExisting(const std::string& path) {
    close();
    const HANDLE h = CreateFileW(widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return OsError();
}

OsError AppendOnlyFile::append(const std::string& bytes) {
    if (!isOpen()) return OsError::fromNative(ERROR_INVALID_HANDLE);
    const HANDLE h = reinterpret_cast<HANDLE>(handle_);
    const char* data = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
        DWORD written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr)) return lastError();
        data += written;
        size -= written;
    }
    return OsError();
}

OsError AppendOnlyFile::flush() {
    if (!isOpen()) return OsError::fromNative(ERROR_INVALID_HANDLE);
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle_)) ? OsError() : lastError();
}

void AppendOnlyFile::close() {
    if (isOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kClosed;
}

}  // namespace platform
