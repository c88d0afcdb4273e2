// What pkexec itself can answer: a dismissed or failed authentication, or no pkexec at all.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/error.h"
#include "shell/run_elevated.h"
#include "shell_test_support.h"

namespace {

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
    // Puts a pkexec that only exits with `status` first on the search path.
    void fakePkexec(int status) {
        testsupport::writeFile(folder_.path("pkexec"),
                               "#!/bin/sh\nexit " + std::to_string(status) + "\n");
        std::filesystem::permissions(folder_.path("pkexec"), std::filesystem::perms::owner_all);
        path_.emplace("PATH", folder_.path() + ":/usr/bin:/bin");
    }
    std::uint32_t raisedCode() {
        try {
            shell::RunElevated("/register_global_file_associations", nullptr, [] {});
        } catch (const platform::SystemError& e) {
            message_ = e.what();
            return e.code();
        }
        return 0;
    }

    testsupport::TempDir folder_;
    std::optional<shelltest::ScopedVariable> path_;
    std::string message_;
};

TEST_F(PkexecTest, DeclinedOrFailedAuthenticationIsACancelledStart) {
    fakePkexec(126);
    EXPECT_EQ(raisedCode(), 1223u);
    EXPECT_EQ(message_, "System Error.  Code: 1223.\nThe operation was canceled by the user.");
    fakePkexec(127);
    EXPECT_EQ(raisedCode(), 1223u);
}

TEST_F(PkexecTest, MissingPkexecIsASystemError) {
    path_.emplace("PATH", folder_.path());  // an empty folder: no pkexec anywhere
    EXPECT_EQ(raisedCode(), static_cast<std::uint32_t>(ENOENT));
    EXPECT_NE(message_.find("pkexec"), std::string::npos) << message_;
}

}  // namespace
