
// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include "platform/listing.h"
#include "platform/path_text.h"
#include "platform/win32/utf.h"

namespace platform {

namespace {

unsigned attributesOf(const WIN32_FIND_DATAW& data) {
    unsigned a = 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) a |= AttrDirectory;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) a |= AttrHidden;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) a |= AttrSystem;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) a |= AttrReadOnly;
    // Only symbolic links and junctions lead elsewhere; other reparse points (cloud
    // placeholders, deduplicated files) are ordinary entries.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
         data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
        a |= AttrLink;
    }
    return a;
}

bool folderExistsW(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

OsError listFolder(const std::string& folder,
                   const std::function<bool(const FolderEntry&)>& onEntry) {
    const std::wstring pattern = win32::widen(joinPath(folder, "*"));
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
                // An empty drive root has no "." entry: nothing to list, but it exists.
                if (folderExistsW(win32::widen(folder))) return {};
                return OsError::fromNative(error);
            case ERROR_DIRECTORY:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_NETPATH:
                // Not a folder, or a name or share that cannot exist: nothing is there to list.
                return OsError::fromNative(ERROR_PATH_NOT_FOUND);
            default:
                return OsError::fromNative(error);
        }
    }
    OsError status;
    for (;;) {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            if (!onEntry(FolderEntry{win32::narrow(name), attributesOf(data)})) break;
        }
        if (!FindNextFileW(find, &data)) {
            if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
                status = OsError::fromNative(error);
            break;
        }
    }
    FindClose(find);
    return status;
}

std::optional<FileIdentity> folderIdentity(const std::string& path) {
    // Links are followed: a junction has the identity of the folder it leads to.
    HANDLE h = CreateFileW(win32::widen(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace platform
