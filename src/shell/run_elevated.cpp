#include "shell/run_elevated.h"

#include <cctype>

#include "platform/process.h"
#include "platform/system_folders.h"
#include "shell/assertion.h"
#include "shell/relaunch_error.h"

namespace shell {

namespace {

constexpr std::uint32_t ErrorAccessDenied = 5;
constexpr std::uint32_t ErrorGenFailure = 31;
constexpr std::uint32_t ErrorProcNotFound = 127;
constexpr std::uint32_t StillActive = 259;
constexpr std::uint32_t ErrorCancelled = 1223;
constexpr int PollMilliseconds = 10;

struct Seams {
    std::function<bool()> elevationCheck;
    testing::Launcher launcher;
};

Seams& seams() {
    static Seams s;
    return s;
}

std::string upper(const std::string& text) {
    std::string result = text;
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

}  // namespace

ElevateProc& OnElevateProc() {
    static ElevateProc slot;
    return slot;
}

bool IsProcessElevated() {
    if (seams().elevationCheck) return seams().elevationCheck();
    return platform::isProcessElevated();
}

bool IsUserAdministrator() {
    return platform::isUserAdministrator();
}

bool IsMarkerSwitch(const std::string& argument) {
    if (argument.empty() || (argument[0] != '/' && argument[0] != '-')) return false;
    return upper(argument.substr(1)) == ElevationMarker;
}

std::string ForwardedParameters(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (IsMarkerSwitch(argument)) continue;
        if (argument.find(' ') == std::string::npos) {
            text += argument;
        } else {
            text += '"';
            for (char c : argument) {
                if (c == '"') text += '"';
                text += c;
            }
            text += '"';
        }
        text += ' ';
    }
    // Blanks and control characters at either end go, as the Windows Trim does it.
    auto trimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && trimmed(text[begin])) ++begin;
    while (end > begin && trimmed(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string ForwardedParameters() {
    return ForwardedParameters(platform::commandLineArguments());
}

std::optional<std::uint32_t> ElevatedLaunchResult(const std::vector<std::string>& arguments) {
    bool marked = false;
    for (const std::string& argument : arguments) marked = marked || IsMarkerSwitch(argument);
    if (!marked) return std::nullopt;

    std::uint32_t code = ErrorGenFailure;
    try {
        if (!IsProcessElevated()) {
            code = ErrorAccessDenied;
        } else if (!OnElevateProc()) {
            code = ErrorProcNotFound;
        } else {
            code = OnElevateProc()(ForwardedParameters(arguments));
        }
    } catch (const SilentAbort&) {
        code = ErrorCancelled;
    } catch (const ComError& e) {
        code = e.hresult();
    } catch (const platform::SystemError& e) {
        code = e.code();
    } catch (...) {
        code = ErrorGenFailure;
    }
    // The waiting side reads 259 as "still running".
    if (code == StillActive) code = ErrorGenFailure;
    return code;
}

void HandleElevatedLaunch() {
    if (const auto code = ElevatedLaunchResult(platform::commandLineArguments())) {
        platform::terminateCurrentProcess(*code);
    }
}

std::uint32_t RunElevated(const std::string& parameters, platform::WindowHandle owner,
                          const std::function<void()>& pump) {
    Assert(static_cast<bool>(OnElevateProc()),
           "OnElevateProc must be assigned before calling RunElevated", "RunElevatedSupport");
    if (IsProcessElevated()) return OnElevateProc()(parameters);

    const std::string arguments = std::string("/") + ElevationMarker + " " + parameters;
    const std::string program = platform::executablePath();
    // The child handle is released when this function is left, also when the pump throws.
    std::unique_ptr<platform::ChildProcess> child =
        seams().launcher ? seams().launcher(program, arguments, owner)
                         : platform::startElevated(program, arguments, owner);

    std::uint32_t code = ErrorGenFailure;
    do {
        switch (child->wait(PollMilliseconds)) {
            case platform::ChildProcess::State::Running:
                code = StillActive;
                break;
            case platform::ChildProcess::State::Exited:
                code = child->exitCode();
                // The copy has ended: an exit code of 259 must not keep us waiting forever.
                if (code == StillActive) code = ErrorGenFailure;
                break;
            case platform::ChildProcess::State::Unreadable:
                code = ErrorGenFailure;
                break;
            case platform::ChildProcess::State::StartFailed:
                throw ElevationRefused(child->refusal());
        }
        if (pump) pump();
    } while (code == StillActive);
    return code;
}

namespace testing {
void setElevationCheck(std::function<bool()> check) {
    seams().elevationCheck = std::move(check);
}
void setLauncher(Launcher launcher) {
    seams().launcher = std::move(launcher);
}
}  // namespace testing

}  // namespace shell
