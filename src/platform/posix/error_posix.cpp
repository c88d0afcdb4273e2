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

bool isNotFoundError(std::uint32_t code) {
    return code == ENOENT || code == ENOTDIR;
}

}  // namespace platform
