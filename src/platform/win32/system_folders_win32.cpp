// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <shlobj.h>

#include <vector>

#include "platform/system_folders.h"
#include "platform/win32/utf.h"

namespace platform {

std::string systemRoamingAppDataFolder() {
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) {
        return std::string();
    }
    return win32::narrow(std::wstring(buffer));
}

std::string executablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) return win32::narrow(buffer.data(), length);
        buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
    }
}

}  // namespace platform
