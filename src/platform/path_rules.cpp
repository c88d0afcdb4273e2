#include "platform/path_rules.h"

#include <cstddef>
#include <string_view>

#include "platform/files.h"
#include "platform/path_text.h"

namespace platform {
namespace {

// Only Windows paths start with a drive letter; elsewhere a colon is never a separator, so
// every colon counts as misplaced.
#ifdef _WIN32
constexpr bool kDriveLetters = true;
#else
constexpr bool kDriveLetters = false;
#endif

constexpr std::size_t kFolderPathLimit = 260;
constexpr std::size_t kTransferPathLimit = 248;

bool startsWithDriveLetter(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return false;
    const char c = path[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Windows counts path lengths in UTF-16 code units. A code point above U+FFFF takes two; a
// byte that does not start a valid sequence counts as one unit.
std::size_t utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xF0 && lead < 0xF5)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC2)
            length = 2;
        bool valid = length > 1 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (!valid) length = 1;
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

// The characters no Windows path may hold, and the colon outside the drive prefix.
bool holdsForbiddenCharacters(const std::string& path, bool wildcardsForbidden) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == '"' || c == '<' || c == '>' || c == '|') return true;
        if (wildcardsForbidden && (c == '*' || c == '?')) return true;
        if (c == ':' && !(kDriveLetters && i == 1 && startsWithDriveLetter(path))) return true;
    }
    return false;
}

bool driveMissing(const std::string& path) {
    if (!kDriveLetters || !startsWithDriveLetter(path)) return false;
    return !folderExists(path.substr(0, 2) + nativeSeparator());
}

}  // namespace

std::string collapseSeparators(const std::string& path) {
    std::string result;
    result.reserve(path.size());
    std::size_t start = 0;
    // A UNC path ("\\server\share") keeps its two leading separators.
    if (kDriveLetters && path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        result.append(2, nativeSeparator());
        start = 2;
        while (start < path.size() && isSeparator(path[start])) ++start;
    }
    for (const char c : std::string_view(path).substr(start)) {
        if (isSeparator(c)) {
            if (result.size() > start && isSeparator(result.back())) continue;
            result += nativeSeparator();
        } else {
            result += c;
        }
    }
    return result;
}

bool nameReservedOnWindows(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.back() == '.' || name.back() == ' ') return true;
    // The device name is what comes before the first dot, trailing blanks ignored ("CON .txt").
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

bool folderPathAcceptable(const std::string& path) {
    const std::string collapsed = collapseSeparators(path);
    return !holdsForbiddenCharacters(collapsed, false) &&
           utf16Length(collapsed) < kFolderPathLimit && !driveMissing(collapsed);
}

bool transferPathAcceptable(const std::string& path) {
    const std::string collapsed = collapseSeparators(path);
    return !holdsForbiddenCharacters(collapsed, true) &&
           utf16Length(collapsed) < kTransferPathLimit;
}

}  // namespace platform
