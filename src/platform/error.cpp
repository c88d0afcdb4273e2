#include "platform/error.h"

namespace platform {

SystemError::SystemError(std::uint32_t code)
    : SystemError(code,
                  "System Error.  Code: " + std::to_string(code) + ".\n" + describeError(code)) {}

SystemError::SystemError(std::uint32_t code, const std::string& message)
    : Error(message), code_(code) {}

}  // namespace platform
