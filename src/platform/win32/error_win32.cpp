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

OsError OsError::fromNative(std::uint32_t code) {
    OsError error;
    error.native_ = code;
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            error.condition_ = ErrorCondition::NotFound;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            error.condition_ = ErrorCondition::Exists;
            break;
        case ERROR_ACCESS_DENIED:
            error.condition_ = ErrorCondition::AccessDenied;
            break;
        case ERROR_DIR_NOT_EMPTY:
            error.condition_ = ErrorCondition::NotEmpty;
            break;
        case ERROR_NOT_SAME_DEVICE:
            error.condition_ = ErrorCondition::CrossDevice;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            error.condition_ = ErrorCondition::NoSpace;
            break;
        case ERROR_FILENAME_EXCED_RANGE:
            error.condition_ = ErrorCondition::NameTooLong;
            break;
        default:
            error.condition_ = ErrorCondition::Other;
    }
    return error;
}

OsError OsError::of(ErrorCondition condition) {
    switch (condition) {
        case ErrorCondition::NotFound:
            return fromNative(ERROR_FILE_NOT_FOUND);
        case ErrorCondition::Exists:
            return fromNative(ERROR_FILE_EXISTS);
        case ErrorCondition::AccessDenied:
            return fromNative(ERROR_ACCESS_DENIED);
        case ErrorCondition::NotEmpty:
            return fromNative(ERROR_DIR_NOT_EMPTY);
        case ErrorCondition::CrossDevice:
            return fromNative(ERROR_NOT_SAME_DEVICE);
        case ErrorCondition::NoSpace:
            return fromNative(ERROR_DISK_FULL);
        case ErrorCondition::NameTooLong:
            return fromNative(ERROR_FILENAME_EXCED_RANGE);
        case ErrorCondition::Other:
            break;
    }
    return fromNative(ERROR_GEN_FAILURE);
}

}  // namespace platform
