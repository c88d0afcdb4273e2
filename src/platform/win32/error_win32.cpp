
// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include "platform/error.h"
#include "platform/win32/utf.h"

namespace platform {

std::string describeError(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) return "Unknown error " + std::to_string(code);
    std::wstring text(buffer, length);
    LocalFree(buffer);
    // The system's texts end with a period and a line break; the caller frames the text.
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    return win32::narrow(text);
}

bool isNotFoundError(std::uint32_t code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

}  // namespace platform
