// Our temporary names are ".<target name>.polcaro-<host>-<pid>-<6 hex digits>": hidden, beside
// the target, and naming the process that writes them, so that a leftover of a killed process
// can be told from the temporary of a copy still running. A pid means something only in its own
// PID namespace on its own boot: <host> (8 hex digits) is a hash of the boot id and the PID
// namespace, so a run in a container, on another machine sharing the folder, or before a reboot
// is never judged by a pid that is not its own. Earlier versions wrote no <host>.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string_view>

#include "platform/listing.h"
#include "platform/path_text.h"
#include "platform/posix/file_descriptor.h"
#include "platform/temporaries.h"

namespace platform {

namespace {

constexpr std::string_view kMarker = ".polcaro-";
constexpr std::size_t kRandomDigits = 6;
constexpr std::size_t kHostDigits = 8;
constexpr std::string_view kBootIdFile = "/proc/sys/kernel/random/boot_id";
// A temporary whose owner cannot be checked is taken for a leftover only once nothing has
// written to it for this long: a live copy keeps its file's modification time fresh.
constexpr std::time_t kUncheckableAge = 60 * 60;

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

struct TemporaryOwner {
    long pid = 0;           // 0: the name is not of our form
    std::string_view host;  // empty: written by an earlier version, host unknown
};

// The owner named by name when it has exactly our form.
TemporaryOwner ownerOf(std::string_view name) {
    if (name.size() < 2 || name.front() != '.') return {};
    const std::size_t marker = name.rfind(kMarker);
    if (marker == std::string_view::npos || marker < 2) return {};  // the target name is not empty
    std::string_view tail = name.substr(marker + kMarker.size());
    TemporaryOwner owner;
    const std::size_t firstDash = tail.find('-');
    if (firstDash == std::string_view::npos) return {};
    if (tail.find('-', firstDash + 1) != std::string_view::npos) {
        owner.host = tail.substr(0, firstDash);
        if (owner.host.size() != kHostDigits || !isLowerHex(owner.host)) return {};
        tail = tail.substr(firstDash + 1);
    }
    const std::size_t dash = tail.find('-');
    if (dash == std::string_view::npos) return {};
    const std::string_view pid = tail.substr(0, dash);
    const std::string_view random = tail.substr(dash + 1);
    if (!isDecimal(pid) || random.size() != kRandomDigits || !isLowerHex(random)) return {};
    owner.pid = std::stol(std::string(pid));
    return owner;
}

std::uint32_t fnv1a(std::string_view text, std::uint32_t hash = 2166136261u) {
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// This boot and PID namespace as 8 hex digits; empty when either cannot be read.
std::string readHostId() {
    std::string bootId;
    std::ifstream(std::string(kBootIdFile)) >> bootId;
    char link[128];
    const ssize_t length = ::readlink("/proc/self/ns/pid", link, sizeof link);
    if (bootId.empty() || length <= 0) return {};
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x",
                  static_cast<unsigned>(fnv1a(
                      std::string_view(link, static_cast<std::size_t>(length)), fnv1a(bootId))));
    return digits;
}

const std::string& hostId() {
    static const std::string id = readHostId();
    return id;
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
    char suffix[48];
    const std::string& host = hostId();
    if (host.empty())
        std::snprintf(suffix, sizeof suffix, "%ld-%06x", static_cast<long>(::getpid()),
                      random & 0xFFFFFFu);
    else
        std::snprintf(suffix, sizeof suffix, "%s-%ld-%06x", host.c_str(),
                      static_cast<long>(::getpid()), random & 0xFFFFFFu);
    // Keep the temporary name within NAME_MAX even for a long target name.
    return "." + forName.substr(0, 200) + std::string(kMarker) + suffix;
}

}  // namespace posix

bool isStaleTemporary(const std::string& name) {
    const TemporaryOwner owner = ownerOf(name);
    return owner.pid > 0 && !owner.host.empty() && owner.host == hostId() && !running(owner.pid);
}

bool removeStaleTemporary(const std::string& path) {
    const std::string name = lastComponent(path);
    const TemporaryOwner owner = ownerOf(name);
    if (owner.pid <= 0) return false;
    struct stat info {};
    // Only a plain file of this user: a folder or a link of that name, or another user's
    // file, is somebody else's.
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if (!isStaleTemporary(name)) {
        // Another boot or PID namespace, or an earlier version's name: the pid proves nothing
        // here, so only an old file counts as left over.
        const bool uncheckable = owner.host.empty() || owner.host != hostId();
        const std::time_t now = std::time(nullptr);
        if (!uncheckable || now - info.st_mtime < kUncheckableAge ||
            (owner.host.empty() && running(owner.pid)))
            return false;
    }
    return ::unlink(path.c_str()) == 0;
}

int removeStaleTemporaries(const std::string& folder) {
    int removed = 0;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    listFolder(folder, [&](const FolderEntry& entry) {
        if ((entry.attributes & AttrDirectory) == 0 && ownerOf(entry.name).pid > 0 &&
            removeStaleTemporary(prefix + entry.name))
            ++removed;
        return true;
    });
    return removed;
}

}  // namespace platform
