#pragma once
// UTF-8 (our paths and texts) to UTF-16 (the W functions of the Windows API) and back.
#include <string>

namespace platform::win32 {

std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text, std::size_t length);
inline std::string narrow(const std::wstring& text) {
    return narrow(text.data(), text.size());
}

}  // namespace platform::win32
