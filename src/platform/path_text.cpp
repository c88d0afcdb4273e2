#include "platform/path_text.h"

#include <cstddef>

namespace platform {

namespace {

bool windowsPaths() {
    return nativeSeparator() == '\\';
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The end of the component that starts at `from`: the next separator, or the path's end.
std::size_t componentEnd(std::string_view path, std::size_t from) {
    while (from < path.size() && !isSeparator(path[from])) ++from;
    return from;
}

// The length of the root the path starts with (see path_text.h), 0 for a relative path.
std::size_t rootLength(std::string_view path) {
    if (path.empty()) return 0;
    if (!windowsPaths()) return path[0] == '/' ? 1 : 0;
    if (path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':')
        return path.size() > 2 && isSeparator(path[2]) ? 3 : 2;
    if (!isSeparator(path[0])) return 0;
    if (path.size() < 2 || !isSeparator(path[1])) return 1;
    // "\\server\share\": the server and the share name belong to the root.
    const std::size_t serverEnd = componentEnd(path, 2);
    if (serverEnd == path.size()) return serverEnd;
    const std::size_t shareEnd = componentEnd(path, serverEnd + 1);
    return shareEnd == path.size() ? shareEnd : shareEnd + 1;
}

}  // namespace

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

std::string withoutTrailingSeparators(std::string_view path) {
    const std::size_t root = rootLength(path);
    std::size_t end = path.size();
    while (end > root && isSeparator(path[end - 1])) --end;
    return std::string(path.substr(0, end));
}

std::string lastComponent(std::string_view path) {
    const std::size_t root = rootLength(path);
    std::size_t end = path.size();
    while (end > root && isSeparator(path[end - 1])) --end;
    std::size_t start = end;
    while (start > root && !isSeparator(path[start - 1])) --start;
    return std::string(path.substr(start, end - start));
}

std::string parentFolder(std::string_view path) {
    const std::size_t root = rootLength(path);
    std::size_t cut = path.size();
    while (cut > root && isSeparator(path[cut - 1])) --cut;
    if (cut == root) return std::string(path.substr(0, root));
    while (cut > root && !isSeparator(path[cut - 1])) --cut;
    while (cut > root && isSeparator(path[cut - 1])) --cut;
    if (cut == 0) return ".";
    return std::string(path.substr(0, cut));
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
