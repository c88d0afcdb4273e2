// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include "platform/code_page.h"
#include "platform/win32/utf.h"

namespace platform {

bool hasSystemCodePage() {
    return true;
}

std::optional<std::string> decodeSystemCodePage(const std::string& bytes) {
    if (bytes.empty()) return std::string();
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
    return win32::narrow(wide);
}

std::optional<std::string> encodeSystemCodePage(const std::string& utf8) {
    if (utf8.empty()) return std::string();
    const std::wstring wide = win32::widen(utf8);
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                           0, nullptr, &lossy);
    if (length <= 0 || lossy) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length,
                        nullptr, nullptr);
    return bytes;
}

bool pathsIgnoreCase() {
    return true;
}

}  // namespace platform
