#include "platform/path_text.h"

#include <cstddef>

namespace platform {

bool isSeparator(char c) {
    return c == nativeSeparator() || c == '/';
}

bool endsWithSeparator(std::string_view path) {
    return !path.empty() && isSeparator(path.back());
}

std::string withTrailingSeparator(std::string path) {
    if (!endsWithSeparator(path)) path += nativeSeparator();
    return path;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : withTrailingSeparator(folder) + name;
}

std::string lastComponent(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !isSeparator(path[start - 1])) --start;
    return std::string(path.substr(start));
}

std::string parentFolder(std::string_view path) {
    std::size_t cut = path.size();
    while (cut > 0 && !isSeparator(path[cut - 1])) --cut;
    if (cut == 0) return std::string();
    // "/a": the separator is the root itself and stays.
    return std::string(path.substr(0, cut == 1 ? 1 : cut - 1));
}

std::string toNativeSeparators(std::string path) {
    for (char& c : path)
        if (c == '/') c = nativeSeparator();
    return path;
}

bool isEpubFileName(std::string_view name) {
    constexpr std::string_view kTail = ".epub";
    if (name.size() < kTail.size()) return false;
    const std::string_view tail = name.substr(name.size() - kTail.size());
    for (std::size_t i = 0; i < kTail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kTail[i]) return false;
    }
    return true;
}

}  // namespace platform
