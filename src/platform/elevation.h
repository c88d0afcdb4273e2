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

// Why a copy started with administrator rights never ran.
enum class ElevationRefusal {
    Declined,       // the user dismissed or declined the prompt (Windows: the elevation prompt
                    // answered No; POSIX: pkexec's dialog dismissed, status 126)
    NotAuthorised,  // the user may not obtain the rights (pkexec: status 127, "Not authorized")
    NoAgent,        // nobody could be asked: no authentication agent, or polkit itself does not
                    // answer (pkexec: status 127 for any other reason)
    HelperMissing,  // the program that asks for the rights (pkexec) is not installed
};

// A started child process, polled by its starter. Destroying it releases the handle but
// never ends the child.
class ChildProcess {
public:
    enum class State {
        Running,      // not ended yet
        Exited,       // ended; exitCode() holds its (decoded) exit code
        Unreadable,   // the exit code could not be read
        StartFailed,  // the copy never ran; refusal() says why and exitCode() holds the
                      // relaunch protocol's code for it, 1223 (cancelled)
    };
    virtual ~ChildProcess() = default;
    // Waits at most `milliseconds` for the child to end, then reports its state.
    virtual State wait(int milliseconds) = 0;
    virtual std::uint32_t exitCode() const = 0;
    // Why the copy never ran; meaningful once wait() reported StartFailed.
    virtual ElevationRefusal refusal() const { return ElevationRefusal::Declined; }
};

// The answer of a start that was refused before any copy ran.
class RefusedStart final : public ChildProcess {
public:
    explicit RefusedStart(ElevationRefusal refusal) : refusal_(refusal) {}
    State wait(int) override { return State::StartFailed; }
    std::uint32_t exitCode() const override { return 1223; }
    ElevationRefusal refusal() const override { return refusal_; }

private:
    ElevationRefusal refusal_;
};

// Starts `program` with administrator rights. `parameters` is the parameter text of a
// command line. Windows: ShellExecuteExW with the verb "runas", the mask
// SEE_MASK_NOCLOSEPROCESS | SEE_MASK_UNICODE and SW_SHOWNORMAL; the text is handed over as it
// is; a declined prompt (ERROR_CANCELLED) gives a RefusedStart (Declined). POSIX:
// `pkexec program arg...` found on the search path, with the arguments split from the text by
// splitCommandLine; pkexec's own statuses are reported as StartFailed: 126 Declined, 127
// NotAuthorised when pkexec said so on stderr, else NoAgent (pkexec's stderr is read for that and
// passed on to ours). No pkexec on the search path gives a RefusedStart (HelperMissing).
// Throws SystemError when the start fails otherwise.
std::unique_ptr<ChildProcess> startElevated(const std::string& program,
                                            const std::string& parameters, WindowHandle owner);

}  // namespace platform
