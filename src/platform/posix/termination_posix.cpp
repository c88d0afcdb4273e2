#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "platform/termination.h"

namespace platform {
namespace {

int readEnd = -1;
int writeEnd = -1;

// Only async-signal-safe calls in here: one write, errno kept as the interrupted code left it.
extern "C" void onTerminationSignal(int signalNumber) {
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

}  // namespace

int watchTerminationSignals() {
    if (readEnd >= 0) return readEnd;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    readEnd = ends[0];
    writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
    return readEnd;
}

void drainTerminationSignals() {
    if (readEnd < 0) return;
    char bytes[16];
    while (::read(readEnd, bytes, sizeof bytes) > 0) {
    }
}

bool processRunning(std::int64_t pid) {
    if (pid <= 0) return false;
    // Signal 0 only asks: EPERM means the process exists but belongs to someone else.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace platform
