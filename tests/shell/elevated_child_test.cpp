// The relaunch end to end: this test program starts a copy of itself with the marker switch,
// through the real launcher (POSIX: a stand-in pkexec on the search path; Windows: the
// "runas" verb, which Wine grants without a prompt). The copy recognises the marker while
// its static objects are built, before main(), as the real program does before its
// application object exists, runs the handler chosen by POLCARO_SHELL_TEST_CHILD and ends
// with the exit code that the starting test then reads.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/error.h"
#include "platform/process.h"
#include "shell/run_elevated.h"
#include "shell_test_support.h"

namespace {

const char* const ChildVariable = "POLCARO_SHELL_TEST_CHILD";

// The copy's side. The variable holds "<handler>|<elevated 0/1>|<file for the parameters>".
const bool copyHandled = [] {
    const char* setting = std::getenv(ChildVariable);
    if (!setting) return false;
    const std::string text = setting;
    const auto arguments = platform::commandLineArguments();
    bool marked = false;
    for (const auto& a : arguments) marked = marked || shell::IsMarkerSwitch(a);
    // Without the marker something went wrong: never run the test suite again inside itself.
    if (!marked) platform::terminateCurrentProcess(99);

    const auto first = text.find('|');
    const auto second = text.find('|', first + 1);
    const std::string handler = text.substr(0, first);
    const bool elevated = text.substr(first + 1, second - first - 1) == "1";
    const std::string output = text.substr(second + 1);

    shell::testing::setElevationCheck([elevated] { return elevated; });
    if (handler == "record") {
        shell::OnElevateProc() = [output](const std::string& parameters) {
            testsupport::writeFile(output, parameters);
            return 0u;
        };
    } else if (handler == "still-active") {
        shell::OnElevateProc() = [](const std::string&) { return 259u; };
    } else if (handler == "abort") {
        shell::OnElevateProc() = [](const std::string&) -> std::uint32_t {
            throw shell::SilentAbort();
        };
    } else if (handler == "system-error") {
        shell::OnElevateProc() = [](const std::string&) -> std::uint32_t {
            throw platform::SystemError(32);
        };
    } else if (handler == "code") {
        shell::OnElevateProc() = [](const std::string&) { return 42u; };
    }
    shell::HandleElevatedLaunch();
    return true;  // not reached: the copy ends inside HandleElevatedLaunch
}();

class ElevatedChildTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        // A stand-in for pkexec that runs the program without asking anybody.
        testsupport::writeFile(folder_.path("pkexec"), "#!/bin/sh\nexec \"$@\"\n");
        std::filesystem::permissions(folder_.path("pkexec"), std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        path_.emplace("PATH", folder_.path() + ":" + (path ? path : "/usr/bin:/bin"));
#endif
        // This process must take the relaunch road (Wine processes are always elevated).
        shell::testing::setElevationCheck([] { return false; });
        shell::OnElevateProc() = [](const std::string&) -> std::uint32_t {
            ADD_FAILURE() << "the handler must run in the copy";
            return 0;
        };
    }
    void TearDown() override {
        shell::testing::setElevationCheck(nullptr);
        shell::OnElevateProc() = nullptr;
    }

    // Runs the copy with the given handler and returns RunElevated's result.
    std::uint32_t runCopy(const std::string& handler, bool elevated,
                          const std::string& parameters) {
        shelltest::ScopedVariable child(ChildVariable,
                                        handler + "|" + (elevated ? "1" : "0") + "|" + output());
        int pumps = 0;
        const std::uint32_t code = shell::RunElevated(parameters, nullptr, [&] { ++pumps; });
        EXPECT_GT(pumps, 0);
        return code;
    }
    std::string output() const {
        return folder_.path("parameters.txt");
    }

    testsupport::TempDir folder_;
    std::optional<shelltest::ScopedVariable> path_;
};

TEST_F(ElevatedChildTest, CopyReceivesTheParametersAndReportsItsCode) {
    EXPECT_EQ(runCopy("record", true, "/register_global_file_associations"), 0u);
    EXPECT_EQ(testsupport::contentOf(output()), "/register_global_file_associations");

    // A blank-holding argument arrives enclosed in double quotes, its quotes doubled.
    EXPECT_EQ(runCopy("record", true, "\"two words\" plain \"say \"\"hi\"\"\""), 0u);
    EXPECT_EQ(testsupport::contentOf(output()), "\"two words\" plain \"say \"\"hi\"\"\"");

    EXPECT_EQ(runCopy("record", true, ""), 0u);
    EXPECT_EQ(testsupport::contentOf(output()), "");
}

TEST_F(ElevatedChildTest, CopyExitCodesFollowTheTable) {
    EXPECT_EQ(runCopy("still-active", true, "p"), 31u);
    EXPECT_EQ(runCopy("abort", true, "p"), 1223u);
    EXPECT_EQ(runCopy("none", true, "p"), 127u);
    EXPECT_EQ(runCopy("code", true, "p"), 42u);
    EXPECT_EQ(runCopy("system-error", true, "p"), 32u);
    EXPECT_EQ(runCopy("record", false, "p"), 5u);
    EXPECT_FALSE(std::filesystem::exists(testsupport::fsPath(output())))
        << "a copy that is not elevated must not run the handler";
}

}  // namespace
