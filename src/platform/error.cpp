#include "platform/error.h"

namespace platform {

std::string OsError::describe() const {
    return native_ == 0 ? std::string() : describeError(native_);
}

SystemError::SystemError(std::uint32_t code)
    : SystemError(code,
                  "System Error.  Code: " + std::to_string(code) + ".\n" + describeError(code)) {}

SystemError::SystemError(const OsError& error) : SystemError(error.nativeCode()) {}

SystemError::SystemError(std::uint32_t code, const std::string& message)
    : Error(message), code_(code) {}

}  // namespace platform
