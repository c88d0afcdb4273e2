#include "platform/code_page.h"

namespace platform {

bool hasSystemCodePage() {
    return false;
}

std::optional<std::string> decodeSystemCodePage(const std::string&) {
    return std::nullopt;
}

std::optional<std::string> encodeSystemCodePage(const std::string&) {
    return std::nullopt;
}

bool pathsIgnoreCase() {
    return false;
}

}  // namespace platform
