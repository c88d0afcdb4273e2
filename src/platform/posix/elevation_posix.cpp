#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/elevation.h"
#include "platform/error.h"
#include "platform/posix/file_descriptor.h"
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

// pkexec's own statuses: the authentication dialog was dismissed (126); the caller is not
// authorised, no authentication agent could be reached, or another error (127).
constexpr int PkexecDismissed = 126;
constexpr int PkexecFailed = 127;
// What pkexec writes when polkit refused the caller; its messages are not translated.
constexpr const char* PkexecNotAuthorised = "Not authorized";
// Enough of pkexec's stderr to find its reason; the elevated copy writes little or nothing.
constexpr std::size_t KeptErrorBytes = 16384;

class PkexecChild : public ChildProcess {
public:
    PkexecChild(pid_t pid, FileDescriptor errors) : pid_(pid), errors_(std::move(errors)) {}
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
            drainErrors();
            int status = 0;
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                reaped_ = true;
                drainErrors();
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
    ElevationRefusal refusal() const override { return refusal_; }

private:
    // Reads what pkexec (or the copy) wrote to stderr so far, passes it on to our own stderr,
    // where it went before, and keeps the start of it to find pkexec's reason.
    void drainErrors() {
        if (!errors_) return;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(errors_.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) errors_.reset();  // every writer has closed it
                return;
            }
            const auto size = static_cast<std::size_t>(n);
            posix::writeAll(STDERR_FILENO, buffer, size);
            if (errorText_.size() < KeptErrorBytes)
                errorText_.append(buffer, std::min(size, KeptErrorBytes - errorText_.size()));
        }
    }

    State interpret(int status) {
        if (!WIFEXITED(status)) return State::Unreadable;  // killed by a signal
        const int s = WEXITSTATUS(status);
        if (s == PkexecDismissed || s == PkexecFailed) {
            code_ = 1223;  // the relaunch protocol's "cancelled"
            if (s == PkexecDismissed)
                refusal_ = ElevationRefusal::Declined;
            else if (errorText_.find(PkexecNotAuthorised) != std::string::npos)
                refusal_ = ElevationRefusal::NotAuthorised;
            else
                refusal_ = ElevationRefusal::NoAgent;
            return State::StartFailed;
        }
        code_ = decodeExitCode(static_cast<std::uint32_t>(s));
        return State::Exited;
    }

    pid_t pid_;
    FileDescriptor errors_;  // the read end of pkexec's stderr, non-blocking
    std::string errorText_;
    bool reaped_ = false;
    State state_ = State::Running;
    std::uint32_t code_ = 0;
    ElevationRefusal refusal_ = ElevationRefusal::Declined;
};

// posix_spawn's file actions, released on every path.
class SpawnActions {
public:
    SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    // The child's stderr becomes `fd` (which itself closes on exec).
    bool redirectErrors(int fd) {
        return ok_ && posix_spawn_file_actions_adddup2(&actions_, fd, STDERR_FILENO) == 0;
    }
    const posix_spawn_file_actions_t* get() const { return ok_ ? &actions_ : nullptr; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

}  // namespace

std::unique_ptr<ChildProcess> startElevated(const std::string& program,
                                            const std::string& parameters, WindowHandle) {
    std::vector<std::string> all{"pkexec", program};
    for (auto& a : splitCommandLine(parameters)) all.push_back(std::move(a));
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    // pkexec's stderr comes through a pipe: its reason for a refusal is only said there. Without
    // a pipe, pkexec writes to our stderr as it always did and a status 127 counts as NoAgent.
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
    SpawnActions actions;
    if (int ends[2]; ::pipe2(ends, O_CLOEXEC) == 0) {
        readEnd = FileDescriptor(ends[0]);
        writeEnd = FileDescriptor(ends[1]);
        ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);
        if (!actions.redirectErrors(writeEnd.get())) {
            readEnd.reset();
            writeEnd.reset();
        }
    }

    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "pkexec", writeEnd ? actions.get() : nullptr, nullptr,
                                argv.data(), environ);
    writeEnd.reset();  // the child holds its own copy
    if (rc == ENOENT) return std::make_unique<RefusedStart>(ElevationRefusal::HelperMissing);
    if (rc != 0) {
        const auto code = static_cast<std::uint32_t>(rc);
        throw SystemError(code, "System Error.  Code: " + std::to_string(code) + ".\n" +
                                    describeError(code) + ": pkexec");
    }
    return std::make_unique<PkexecChild>(pid, std::move(readEnd));
}

}  // namespace platform
