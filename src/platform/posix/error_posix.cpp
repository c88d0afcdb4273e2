#include <cerrno>
#include <cstring>

#include "platform/error.h"

namespace platform {

std::string describeError(std::uint32_t code) {
    char buffer[256];
    // The GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

OsError OsError::fromNative(std::uint32_t code) {
    OsError error;
    error.native_ = code;
    switch (static_cast<int>(code)) {
        case ENOENT:
        case ENOTDIR:
            error.condition_ = ErrorCondition::NotFound;
            break;
        case EEXIST:
            error.condition_ = ErrorCondition::Exists;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            error.condition_ = ErrorCondition::AccessDenied;
            break;
        case ENOTEMPTY:
            error.condition_ = ErrorCondition::NotEmpty;
            break;
        case EXDEV:
            error.condition_ = ErrorCondition::CrossDevice;
            break;
        case ENOSPC:
        case EDQUOT:
            error.condition_ = ErrorCondition::NoSpace;
            break;
        case ENAMETOOLONG:
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
            return fromNative(ENOENT);
        case ErrorCondition::Exists:
            return fromNative(EEXIST);
        case ErrorCondition::AccessDenied:
            return fromNative(EACCES);
        case ErrorCondition::NotEmpty:
            return fromNative(ENOTEMPTY);
        case ErrorCondition::CrossDevice:
            return fromNative(EXDEV);
        case ErrorCondition::NoSpace:
            return fromNative(ENOSPC);
        case ErrorCondition::NameTooLong:
            return fromNative(ENAMETOOLONG);
        case ErrorCondition::Other:
            break;
    }
    return fromNative(EIO);
}

}  // namespace platform
