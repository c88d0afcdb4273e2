// Profile files through the system's own profile-string functions.

// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <vector>

#include "platform/profile.h"
#include "platform/win32/utf.h"

namespace platform {

std::string readProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferChars) {
    if (bufferChars == 0) return std::string();
    std::vector<wchar_t> buffer(bufferChars);
    const DWORD length =
        GetPrivateProfileStringW(win32::widen(section).c_str(), win32::widen(key).c_str(),
                                 win32::widen(defaultValue).c_str(), buffer.data(),
                                 static_cast<DWORD>(bufferChars), win32::widen(file).c_str());
    return win32::narrow(buffer.data(), length);
}

OsError writeProfileString(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& value) {
    // The system's writer would put a line break into the file as it stands.
    if (!profileEntryWritable(section, key, value))
        return OsError::fromNative(ERROR_INVALID_PARAMETER);
    const std::wstring path = win32::widen(file);
    // A file the profile functions create themselves is written in the ANSI code page, which
    // turns every character outside it into '?'. Started with a UTF-16 byte-order mark, the
    // file is read and written as UTF-16, so any folder name survives.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        const unsigned char bom[2] = {0xFF, 0xFE};
        DWORD written = 0;
        const bool ok = WriteFile(h, bom, sizeof bom, &written, nullptr) && written == sizeof bom;
        CloseHandle(h);
        if (!ok) {
            const DWORD error = GetLastError();
            DeleteFileW(path.c_str());
            return OsError::fromNative(error ? error : ERROR_WRITE_FAULT);
        }
    }
    SetLastError(ERROR_SUCCESS);
    if (WritePrivateProfileStringW(win32::widen(section).c_str(), win32::widen(key).c_str(),
                                   win32::widen(value).c_str(), path.c_str())) {
        return OsError();
    }
    const DWORD error = GetLastError();
    return OsError::fromNative(error ? error : ERROR_WRITE_FAULT);
}

}  // namespace platform
