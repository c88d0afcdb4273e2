// Profile (INI) files read and written the way GetPrivateProfileStringW and
// WritePrivateProfileStringW do it: the first matching section and key win, names compare
// without regard to case, blanks around names and values do not count, a quoted value loses its
// quotes, and a write keeps every other line of the file as it was.
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/profile.h"

namespace platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct Line {
    std::string text;
    std::string ending;  // "\r\n", "\n", "\r" or "" for a last line without one
};

struct Profile {
    bool bom = false;
    std::vector<Line> lines;
};

Profile parse(std::string_view bytes) {
    Profile profile;
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        profile.bom = true;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            profile.lines.push_back({std::string(bytes.substr(start)), ""});
            break;
        }
        const std::size_t endingLength =
            (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
        profile.lines.push_back({std::string(bytes.substr(start, end - start)),
                                 std::string(bytes.substr(end, endingLength))});
        start = end + endingLength;
    }
    return profile;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Decodes one UTF-8 sequence; an invalid byte stands for itself.
char32_t decode(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t cp = lead;
    if (lead >= 0xC2 && lead < 0xE0) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4;
        cp = lead & 0x07;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        return lead;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    i += length;
    return cp;
}

// Simple case folding for the scripts a section or key name is likely to use.
char32_t fold(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) return c + 1;
    return c;
}

bool sameName(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size())
        if (fold(decode(a, i)) != fold(decode(b, j))) return false;
    return i == a.size() && j == b.size();
}

// The section name of a header line ("[name]"), or false when the line is no header.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return false;
    line.remove_prefix(1);
    const std::size_t close = line.find(']');
    name = trim(line.substr(0, close));
    return true;
}

// Splits "key = value"; a line without '=' is a key with an empty value.
void splitEntry(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::size_t equals = line.find('=');
    key = trim(line.substr(0, equals));
    value = equals == std::string_view::npos ? std::string_view() : trim(line.substr(equals + 1));
}

// Index range [begin, end) of the lines below the first header named `section`; begin is
// lines.size() + 1 when there is no such section.
std::pair<std::size_t, std::size_t> findSection(const Profile& profile, std::string_view section) {
    const std::size_t none = profile.lines.size() + 1;
    std::size_t begin = none;
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        std::string_view name;
        if (!sectionName(profile.lines[i].text, name)) continue;
        if (begin != none) return {begin, i};
        if (sameName(name, section)) begin = i + 1;
    }
    return {begin, profile.lines.size()};
}

std::size_t findKey(const Profile& profile, std::pair<std::size_t, std::size_t> range,
                    std::string_view key) {
    for (std::size_t i = range.first; i < range.second; ++i) {
        std::string_view name;
        std::string_view value;
        splitEntry(profile.lines[i].text, name, value);
        if (!trim(profile.lines[i].text).empty() && sameName(name, key)) return i;
    }
    return std::string::npos;
}

// At most `units` UTF-16 code units of text, never splitting a character.
std::string truncateUtf16(std::string_view text, std::size_t units) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t next = i;
        const char32_t c = decode(text, next);
        const std::size_t need = c > 0xFFFF ? 2 : 1;
        if (used + need > units) break;
        used += need;
        i = next;
    }
    return std::string(text.substr(0, i));
}

std::string serialise(const Profile& profile) {
    std::string bytes;
    if (profile.bom) bytes += kUtf8Bom;
    for (const Line& line : profile.lines) bytes += line.text + line.ending;
    return bytes;
}

}  // namespace

std::string readProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferChars) {
    if (bufferChars == 0) return std::string();
    std::string_view result = defaultValue;
    while (!result.empty() && isBlank(result.back())) result.remove_suffix(1);

    std::string bytes;
    OsError error;
    Profile profile;
    if (readWholeFile(file, bytes, error)) profile = parse(bytes);
    const auto range = findSection(profile, section);
    if (range.first <= profile.lines.size()) {
        const std::size_t index = findKey(profile, range, key);
        if (index != std::string::npos) {
            std::string_view name;
            splitEntry(profile.lines[index].text, name, result);
            if (result.size() >= 2 && (result.front() == '"' || result.front() == '\'') &&
                result.back() == result.front()) {
                result.remove_prefix(1);
                result.remove_suffix(1);
            }
        }
    }
    return truncateUtf16(result, bufferChars - 1);
}

OsError writeProfileString(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& value) {
    if (!profileEntryWritable(section, key, value)) return OsError::fromNative(EINVAL);

    std::string bytes;
    OsError error;
    Profile profile;
    if (readWholeFile(file, bytes, error))
        profile = parse(bytes);
    else if (!error.is(ErrorCondition::NotFound))
        return error;

    std::string ending = "\n";
    for (const Line& line : profile.lines)
        if (!line.ending.empty()) {
            ending = line.ending;
            break;
        }

    const std::string entry = key + "=" + value;
    const auto range = findSection(profile, section);
    if (range.first > profile.lines.size()) {
        if (!profile.lines.empty() && profile.lines.back().ending.empty())
            profile.lines.back().ending = ending;
        profile.lines.push_back({"[" + section + "]", ending});
        profile.lines.push_back({entry, ending});
    } else if (const std::size_t index = findKey(profile, range, key); index != std::string::npos) {
        // The key keeps the spelling it has in the file, as Windows keeps it.
        std::string_view name, oldValue;
        splitEntry(profile.lines[index].text, name, oldValue);
        profile.lines[index].text = std::string(name) + "=" + value;
    } else {
        // After the section's last non-blank line, so that a blank line before the next
        // section stays where it is.
        std::size_t at = range.second;
        while (at > range.first && trim(profile.lines[at - 1].text).empty()) --at;
        if (at > 0 && profile.lines[at - 1].ending.empty()) profile.lines[at - 1].ending = ending;
        profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(at),
                             Line{entry, ending});
    }
    return writeFileAtomically(file, serialise(profile));
}

}  // namespace platform
