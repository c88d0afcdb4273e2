#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/elevation.h"
#include "platform/error.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

bool isProcessElevated() {
    return geteuid() == 0;
}

bool isUserAdministrator() {
    return geteuid() == 0;
}

namespace {

// pkexec's own statuses: the authentication dialog was dismissed or the caller is not
// authorised (126), or authentication could not be obtained at all (127).
constexpr int PkexecDismissed = 126;
constexpr int PkexecFailed = 127;
constexpr std::uint32_t ErrorCancelled = 1223;

class PkexecChild : public ChildProcess {
public:
    explicit PkexecChild(pid_t pid) : pid_(pid) {}
    ~PkexecChild() override {
        // Reap the child if it has ended; a child still running is left alone (it is not ours
        // to stop) and becomes a zombie only until this process ends.
        if (!reaped_) waitpid(pid_, nullptr, WNOHANG);
    }

    State wait(int milliseconds) override {
        if (reaped_) return state_;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            int status = 0;
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                reaped_ = true;
                state_ = interpret(status);
                return state_;
            }
            if (r < 0 && errno != EINTR) {
                reaped_ = true;
                state_ = State::Unreadable;
                return state_;
            }
            if (std::chrono::steady_clock::now() >= deadline) return State::Running;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::uint32_t exitCode() const override { return code_; }

private:
    State interpret(int status) {
        if (!WIFEXITED(status)) return State::Unreadable;  // killed by a signal
        const int s = WEXITSTATUS(status);
        if (s == PkexecDismissed || s == PkexecFailed) {
            code_ = ErrorCancelled;
            return State::StartFailed;
        }
        code_ = decodeExitCode(static_cast<std::uint32_t>(s));
        return State::Exited;
    }

    pid_t pid_;
    bool reaped_ = false;
    State state_ = State::Running;
    std::uint32_t code_ = 0;
};

}  // namespace

std::unique_ptr<ChildProcess> startElevated(const std::string& program,
                                            const std::string& parameters, WindowHandle) {
    std::vector<std::string> all{"pkexec", program};
    for (auto& a : splitCommandLine(parameters)) all.push_back(std::move(a));
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "pkexec", nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        const auto code = static_cast<std::uint32_t>(rc);
        throw SystemError(code, "System Error.  Code: " + std::to_string(code) + ".\n" +
                                    describeError(code) + ": pkexec");
    }
    return std::make_unique<PkexecChild>(pid);
}

}  // namespace platform
