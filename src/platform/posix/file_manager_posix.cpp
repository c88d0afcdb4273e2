// Showing an item in the file manager on freedesktop desktops: the FileManager1 ShowItems call
// on the session bus opens the folder with the item selected; where no file manager offers that
// service, the folder is opened with xdg-open instead.
#include <dbus/dbus.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_manager.h"
#include "platform/path_text.h"

extern char** environ;

namespace platform {
namespace {

// The call is answered at once by a running file manager, or within a few seconds when one has
// to be started; the window must not freeze longer than that.
constexpr int kCallTimeoutMs = 3000;

struct ConnectionCloser {
    void operator()(DBusConnection* connection) const noexcept {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* message) const noexcept { dbus_message_unref(message); }
};

class ErrorGuard {
public:
    ErrorGuard() { dbus_error_init(&error_); }
    ~ErrorGuard() { dbus_error_free(&error_); }
    ErrorGuard(const ErrorGuard&) = delete;
    ErrorGuard& operator=(const ErrorGuard&) = delete;
    DBusError* get() { return &error_; }
    bool isSet() const { return dbus_error_is_set(&error_); }

private:
    DBusError error_;
};

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return path;
        buffer.resize(buffer.size() * 2);
    }
    std::string folder(buffer.data());
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + path;
}

std::string fileUri(const std::string& absolute) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolute) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

bool showItemsOverSessionBus(const std::string& uri) {
    ErrorGuard error;
    std::unique_ptr<DBusConnection, ConnectionCloser> connection(
        dbus_bus_get_private(DBUS_BUS_SESSION, error.get()));
    if (!connection || error.isSet()) return false;
    dbus_connection_set_exit_on_disconnect(connection.get(), false);

    std::unique_ptr<DBusMessage, MessageUnref> call(dbus_message_new_method_call(
        "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems"));
    if (!call) return false;
    const char* item = uri.c_str();
    const char** items = &item;
    const char* startupId = "";
    if (!dbus_message_append_args(call.get(), DBUS_TYPE_ARRAY, DBUS_TYPE_STRING, &items, 1,
                                  DBUS_TYPE_STRING, &startupId, DBUS_TYPE_INVALID))
        return false;
    std::unique_ptr<DBusMessage, MessageUnref> reply(dbus_connection_send_with_reply_and_block(
        connection.get(), call.get(), kCallTimeoutMs, error.get()));
    return reply && !error.isSet();
}

// Starts xdg-open through a shell that puts it in the background and ends at once, so that the
// opener never becomes a zombie child of ours and we never wait for it.
void openFolder(const std::string& folder) {
    const char* argv[] = {"/bin/sh", "-c",           "xdg-open \"$1\" >/dev/null 2>&1 &",
                          "sh",      folder.c_str(), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv),
                      environ) != 0)
        return;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

void showInFileManager(const std::string& path) {
    // A path that names nothing cannot be shown, just as no shell item can be made for it.
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return;
    const std::string absolute = withoutTrailingSeparators(absolutePath(path));
    if (showItemsOverSessionBus(fileUri(absolute))) return;
    openFolder(parentFolder(absolute));
}

}  // namespace platform
