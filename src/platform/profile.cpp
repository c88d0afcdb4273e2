// The entries a profile file can hold, the same on every platform.
#include <string_view>

#include "platform/profile.h"

namespace platform {
namespace {

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

bool profileEntryWritable(std::string_view section, std::string_view key, std::string_view value) {
    // A line break in any of the three would write lines of its own into the file: another
    // key or section than the one asked for.
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    if (key.find('=') != std::string_view::npos) return false;
    const std::string_view name = trim(key);
    return !name.empty() && name.front() != '[';
}

}  // namespace platform
