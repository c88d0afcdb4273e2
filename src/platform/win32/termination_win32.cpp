// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include "platform/termination.h"

namespace platform {

int watchTerminationSignals() {
    // A windowed program learns of log-off and shut-down through WM_QUERYENDSESSION, which Qt
    // turns into the session manager's requests.
    return -1;
}

void drainTerminationSignals() {}

bool processRunning(std::int64_t pid) {
    if (pid <= 0) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace platform
