// Our temporary names are ".<target name>.polcaro-<pid>-<6 hex digits>": hidden, beside the
// target, and naming the process that writes them, so that a leftover of a killed process
// can be told from the temporary of a copy still running (in this or another process).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/listing.h"
#include "platform/posix/file_descriptor.h"
#include "platform/temporaries.h"

namespace platform {

namespace {

constexpr std::string_view kMarker = ".polcaro-";
constexpr std::size_t kRandomDigits = 6;

bool isDecimal(std::string_view text) {
    if (text.empty() || text.size() > 10 || text.front() == '0') return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool isLowerHex(std::string_view text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// The owner's pid when name has exactly our form, otherwise 0.
long ownerOf(std::string_view name) {
    if (name.size() < 2 || name.front() != '.') return 0;
    const std::size_t marker = name.rfind(kMarker);
    if (marker == std::string_view::npos || marker < 2) return 0;  // the target name is not empty
    const std::string_view tail = name.substr(marker + kMarker.size());
    const std::size_t dash = tail.find('-');
    if (dash == std::string_view::npos) return 0;
    const std::string_view pid = tail.substr(0, dash);
    const std::string_view random = tail.substr(dash + 1);
    if (!isDecimal(pid) || random.size() != kRandomDigits || !isLowerHex(random)) return 0;
    return std::stol(std::string(pid));
}

bool running(long pid) {
    if (pid == static_cast<long>(::getpid())) return true;
    if (pid > 0x3FFFFFFF) return false;  // beyond any pid Linux hands out
    // EPERM: it runs under another user. A reused pid keeps a leftover until that process ends:
    // wrong only on the safe side.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

namespace posix {

std::string temporaryName(const std::string& forName, unsigned random) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%ld-%06x", static_cast<long>(::getpid()),
                  random & 0xFFFFFFu);
    // Keep the temporary name within NAME_MAX even for a long target name.
    return "." + forName.substr(0, 200) + std::string(kMarker) + suffix;
}

}  // namespace posix

bool isStaleTemporary(const std::string& name) {
    const long owner = ownerOf(name);
    return owner > 0 && !running(owner);
}

bool removeStaleTemporary(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!isStaleTemporary(name)) return false;
    struct stat info {};
    // Only a plain file: a folder or a link of that name is somebody else's.
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

int removeStaleTemporaries(const std::string& folder) {
    int removed = 0;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    listFolder(folder, [&](const FolderEntry& entry) {
        if ((entry.attributes & AttrDirectory) == 0 && isStaleTemporary(entry.name) &&
            removeStaleTemporary(prefix + entry.name))
            ++removed;
        return true;
    });
    return removed;
}

}  // namespace platform
