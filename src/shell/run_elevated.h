#pragma once
// Running one action with administrator rights (the unit RunElevatedSupport). When the process
// is elevated the action runs in place; otherwise a second copy of the program is started
// elevated with the marker switch and the action's parameter text, runs the installed handler
// at the very start of its process and ends with the handler's result as exit code.
//
// Exit codes (Windows system error codes, the same on every platform): 0 success; 5 marker
// given to a copy that is not elevated; 31 general failure (also for a handler result of 259,
// STILL_ACTIVE); 127 no handler installed; 1223 silent abort; any other code comes from a
// SystemError or ComError the handler raised, or from the handler itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/elevation.h"
#include "platform/error.h"

namespace shell {

// The marker switch's text; on the command line it follows "/" (or "-"), letter case ignored.
inline constexpr const char* ElevationMarker = "5E1A7C93D04B4F2A8E61B7C0D9F34A27";

// The elevated-action handler: takes the parameter text, returns the exit code.
using ElevateProc = std::function<std::uint32_t(const std::string&)>;

// The process-wide handler slot; empty until start-up installs ShellVerbTask. A function so
// that it can be filled during static initialisation too.
ElevateProc& OnElevateProc();

// An error the user-interface loop never reports; in the elevated copy it becomes 1223.
class SilentAbort : public platform::Error {
public:
    SilentAbort() : platform::Error("Operation aborted") {}
};

// A COM error; in the elevated copy its HRESULT becomes the exit code.
class ComError : public platform::Error {
public:
    ComError(std::uint32_t hresult, const std::string& message)
        : platform::Error(message), hresult_(hresult) {}
    std::uint32_t hresult() const noexcept { return hresult_; }

private:
    std::uint32_t hresult_;
};

bool IsProcessElevated();
bool IsUserAdministrator();

// True for "/" or "-" followed by the marker in any letter case.
bool IsMarkerSwitch(const std::string& argument);

// The parameter text rebuilt from `arguments` (arguments 1 to N) without the marker switches:
// an argument holding a blank is enclosed in double quotes with its own quotes doubled;
// arguments are joined by blanks and leading and trailing blanks and control characters are
// removed. The overload without arguments uses the process's own command line.
std::string ForwardedParameters(const std::vector<std::string>& arguments);
std::string ForwardedParameters();

// What a process started with `arguments` does at start-up: nothing when no marker switch is
// among them, else the exit code it ends with (runs the handler when elevated).
std::optional<std::uint32_t> ElevatedLaunchResult(const std::vector<std::string>& arguments);

// The start-up check, the first thing the process does (before the application object
// exists): when the marker switch is on the command line, performs the action and ends the
// process with its exit code; otherwise returns.
void HandleElevatedLaunch();

// Runs the handler with administrator rights for `parameters` and returns its code. While the
// elevated copy runs, `pump` (which processes pending window messages) is called after every
// poll; the polls are 10 ms apart. Raises AssertionFailed (source `RunElevatedSupport`) when
// no handler is installed, ElevationRefused (relaunch_error.h; code 1223) when the copy never
// ran because the rights were not granted (prompt declined, not authorised, no authentication
// agent, no pkexec), and platform::SystemError when the copy cannot be started otherwise.
// Errors of the pump pass through.
std::uint32_t RunElevated(const std::string& parameters, platform::WindowHandle owner,
                          const std::function<void()>& pump);

namespace testing {
// Seams for tests. The elevation check replaces IsProcessElevated (Wine processes are always
// elevated); the launcher replaces platform::startElevated. Empty functions restore the real ones.
using Launcher = std::function<std::unique_ptr<platform::ChildProcess>(
    const std::string& program, const std::string& parameters, platform::WindowHandle owner)>;
void setElevationCheck(std::function<bool()> check);
void setLauncher(Launcher launcher);
}  // namespace testing

}  // namespace shell
