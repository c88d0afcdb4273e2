// What pkexec itself can answer: a dismissed dialog, a refused or impossible authentication, or
// no pkexec at all. Each becomes a refusal the window can name; none runs the copy.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "shell/relaunch_error.h"
#include "shell/run_elevated.h"
#include "shell_test_support.h"

namespace {

using platform::ElevationRefusal;

class PkexecTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell::testing::setElevationCheck([] { return false; });
        shell::OnElevateProc() = [](const std::string&) { return 0u; };
    }
    void TearDown() override {
        shell::testing::setElevationCheck(nullptr);
        shell::OnElevateProc() = nullptr;
    }
    // Puts a pkexec first on the search path that writes `said` to stderr and exits with
    // `status`, as the real one does when it does not run the program.
    void fakePkexec(int status, const std::string& said = std::string()) {
        testsupport::writeFile(
            folder_.path("pkexec"),
            "#!/bin/sh\nprintf '%s\\n' '" + said + "' >&2\nexit " + std::to_string(status) + "\n");
        std::filesystem::permissions(folder_.path("pkexec"), std::filesystem::perms::owner_all);
        path_.emplace("PATH", folder_.path() + ":/usr/bin:/bin");
    }
    // The refusal RunElevated raised; fails the test when it raised none.
    std::optional<ElevationRefusal> refusal() {
        try {
            shell::RunElevated("/register_global_file_associations", nullptr, [] {});
            ADD_FAILURE() << "the start must be refused";
        } catch (const shell::ElevationRefused& e) {
            EXPECT_EQ(e.code(), 1223u) << "callers that only know system errors see a cancel";
            return e.refusal();
        }
        return std::nullopt;
    }

    testsupport::TempDir folder_;
    std::optional<shelltest::ScopedVariable> path_;
};

TEST_F(PkexecTest, EachAnswerOfPkexecIsItsOwnRefusal) {
    fakePkexec(126, "Error executing command as another user: Request dismissed");
    EXPECT_EQ(refusal(), ElevationRefusal::Declined);
    fakePkexec(127,
               "Error executing command as another user: Not authorized\n\n"
               "This incident has been reported.");
    EXPECT_EQ(refusal(), ElevationRefusal::NotAuthorised);
    fakePkexec(127, "Error executing command as another user: No authentication agent found.");
    EXPECT_EQ(refusal(), ElevationRefusal::NoAgent);
    // polkit itself not answering (as in a container without its daemon) is no agent either.
    fakePkexec(127, "Error getting authority: Error initializing authority: Could not connect");
    EXPECT_EQ(refusal(), ElevationRefusal::NoAgent);
    // The copy ran: its own status, whatever pkexec's stderr pipe carried.
    fakePkexec(0, "Not authorized");
    EXPECT_EQ(shell::RunElevated("/register_global_file_associations", nullptr, [] {}), 0u);
}

TEST_F(PkexecTest, MissingPkexecIsARefusalOfItsOwn) {
    path_.emplace("PATH", folder_.path());  // an empty folder: no pkexec anywhere
    EXPECT_EQ(refusal(), ElevationRefusal::HelperMissing);
}

}  // namespace
