#pragma once
// Administrator rights: whether the process has them, and starting a copy of a program with them.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// An owner window for the elevation prompt (Windows: an HWND); nullptr for none.
using WindowHandle = void*;

// True when the current process runs with administrator rights (Windows: the token's
// TokenElevation, or Administrators membership before Windows 6.0; POSIX: effective uid 0).
bool isProcessElevated();

// True when the caller's effective token belongs to the built-in Administrators group
// (S-1-5-32-544). POSIX: effective uid 0.
bool isUserAdministrator();

// A started child process, polled by its starter. Destroying it releases the handle but
// never ends the child.
class ChildProcess {
public:
    enum class State {
        Running,      // not ended yet
        Exited,       // ended; exitCode() holds its (decoded) exit code
        Unreadable,   // the exit code could not be read
        StartFailed,  // the elevation helper reports that the copy never ran; exitCode() holds
                      // the system error code to raise (1223 when the user declined)
    };
    virtual ~ChildProcess() = default;
    // Waits at most `milliseconds` for the child to end, then reports its state.
    virtual State wait(int milliseconds) = 0;
    virtual std::uint32_t exitCode() const = 0;
};

// Starts `program` with administrator rights. `parameters` is the parameter text of a
// command line. Windows: ShellExecuteExW with the verb "runas", the mask
// SEE_MASK_NOCLOSEPROCESS | SEE_MASK_UNICODE and SW_SHOWNORMAL; the text is handed over as it
// is. POSIX: `pkexec program arg...` found on the search path, with the arguments split from
// the text by splitCommandLine; pkexec's own statuses 126 (dismissed, not authorised) and 127
// (could not authenticate) are reported as StartFailed with code 1223 (cancelled).
// Throws SystemError when the start fails (1223 when the user declines the prompt; ENOENT when
// pkexec is missing).
std::unique_ptr<ChildProcess> startElevated(const std::string& program,
                                            const std::string& parameters, WindowHandle owner);

}  // namespace platform
