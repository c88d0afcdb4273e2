#include "shell/run_elevated.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "platform/system_folders.h"
#include "shell/assertion.h"
#include "shell/relaunch_error.h"

namespace {

using shell::ElevatedLaunchResult;
using shell::ForwardedParameters;
using State = platform::ChildProcess::State;

const std::string Marker = shell::ElevationMarker;

// Restores the handler slot and the seams after each test.
class RunElevatedTest : public ::testing::Test {
protected:
    void TearDown() override {
        shell::OnElevateProc() = nullptr;
        shell::testing::setElevationCheck(nullptr);
        shell::testing::setLauncher(nullptr);
    }
    void elevated(bool value) {
        shell::testing::setElevationCheck([value] { return value; });
    }
};

// A child whose states are scripted; it records that it was released.
class ScriptedChild : public platform::ChildProcess {
public:
    ScriptedChild(std::deque<State> states, std::uint32_t code, bool* released)
        : states_(std::move(states)), code_(code), released_(released) {}
    ~ScriptedChild() override {
        if (released_) *released_ = true;
    }
    State wait(int milliseconds) override {
        waits.push_back(milliseconds);
        if (states_.size() > 1) {
            const State s = states_.front();
            states_.pop_front();
            return s;
        }
        return states_.front();
    }
    std::uint32_t exitCode() const override { return code_; }
    std::vector<int> waits;

private:
    std::deque<State> states_;
    std::uint32_t code_;
    bool* released_;
};

TEST_F(RunElevatedTest, ForwardedParametersQuotesBlanksAndDropsTheMarker) {
    EXPECT_EQ(ForwardedParameters({"/" + Marker, "/register_global_file_associations"}),
              "/register_global_file_associations");
    // Small letters and the dash form are marker switches too, wherever they stand.
    EXPECT_EQ(ForwardedParameters({"a", "-5e1a7c93d04b4f2a8e61b7c0d9f34a27", "b"}), "a b");
    EXPECT_EQ(ForwardedParameters({"C:\\My Books\\x.epub", "say \"hi\" now"}),
              "\"C:\\My Books\\x.epub\" \"say \"\"hi\"\" now\"");
    // A quote without a blank stays as it is; blanks and control characters at the ends go.
    EXPECT_EQ(ForwardedParameters({"\ta\"b", "c\n"}), "a\"b c");
    EXPECT_EQ(ForwardedParameters({"/" + Marker}), "");
    EXPECT_EQ(ForwardedParameters({}), "");
    // Not the marker: another letter, no switch character, or something after it.
    EXPECT_EQ(ForwardedParameters({Marker, "+" + Marker, "/" + Marker + "0"}),
              Marker + " +" + Marker + " /" + Marker + "0");
}

TEST_F(RunElevatedTest, MarkerSwitchIsRecognisedInEitherFormAndCase) {
    EXPECT_TRUE(shell::IsMarkerSwitch("/" + Marker));
    EXPECT_TRUE(shell::IsMarkerSwitch("-" + Marker));
    EXPECT_TRUE(shell::IsMarkerSwitch("/5e1a7c93d04b4f2a8e61b7c0d9f34a27"));
    EXPECT_FALSE(shell::IsMarkerSwitch(Marker));
    EXPECT_FALSE(shell::IsMarkerSwitch("//" + Marker));
    EXPECT_FALSE(shell::IsMarkerSwitch("/"));
    EXPECT_FALSE(shell::IsMarkerSwitch(""));
}

TEST_F(RunElevatedTest, LaunchResultFollowsTheExitCodeTable) {
    EXPECT_FALSE(ElevatedLaunchResult({"/register_global_file_associations"}).has_value());
    EXPECT_FALSE(ElevatedLaunchResult({}).has_value());

    elevated(false);
    bool ran = false;
    shell::OnElevateProc() = [&](const std::string&) {
        ran = true;
        return 0u;
    };
    EXPECT_EQ(ElevatedLaunchResult({"/" + Marker}), 5u);
    EXPECT_FALSE(ran) << "a copy that is not elevated must not run the handler";

    elevated(true);
    shell::OnElevateProc() = nullptr;
    EXPECT_EQ(ElevatedLaunchResult({"-" + Marker}), 127u);

    std::string received = "unset";
    shell::OnElevateProc() = [&](const std::string& text) {
        received = text;
        return 0u;
    };
    EXPECT_EQ(ElevatedLaunchResult({"/" + Marker}), 0u);
    EXPECT_EQ(received, "") << "the marker alone gives the handler an empty text";
    EXPECT_EQ(ElevatedLaunchResult({"/x", "/" + Marker, "two words"}), 0u);
    EXPECT_EQ(received, "/x \"two words\"");

    auto resultOf = [&](std::function<std::uint32_t(const std::string&)> handler) {
        shell::OnElevateProc() = std::move(handler);
        return ElevatedLaunchResult({"/" + Marker, "p"}).value();
    };
    EXPECT_EQ(resultOf([](const std::string&) { return 259u; }), 31u);
    EXPECT_EQ(resultOf([](const std::string&) { return 31u; }), 31u);
    EXPECT_EQ(resultOf([](const std::string&) { return 4242u; }), 4242u);
    EXPECT_EQ(resultOf([](const std::string&) -> std::uint32_t { throw shell::SilentAbort(); }),
              1223u);
    EXPECT_EQ(
        resultOf([](const std::string&) -> std::uint32_t { throw platform::SystemError(32); }),
        32u);
    EXPECT_EQ(resultOf([](const std::string&) -> std::uint32_t {
                  throw shell::ComError(0x80070005u, "denied");
              }),
              0x80070005u);
    EXPECT_EQ(resultOf([](const std::string&) -> std::uint32_t { throw std::runtime_error("x"); }),
              31u);
    EXPECT_EQ(resultOf([](const std::string&) -> std::uint32_t { throw 7; }), 31u);

    // An elevation check that fails is a general failure, not an escape.
    shell::testing::setElevationCheck([]() -> bool { throw platform::SystemError(1); });
    EXPECT_EQ(ElevatedLaunchResult({"/" + Marker}), 1u);
}

TEST_F(RunElevatedTest, RunElevatedWithoutHandlerIsAFailedAssertion) {
    elevated(true);
    try {
        shell::RunElevated("/register_global_file_associations", nullptr, [] {});
        FAIL() << "no assertion raised";
    } catch (const shell::AssertionFailed& e) {
        const std::string text = e.what();
        EXPECT_EQ(
            text.rfind(
                "OnElevateProc must be assigned before calling RunElevated (RunElevatedSupport", 0),
            0u)
            << text;
    }
}

TEST_F(RunElevatedTest, ElevatedProcessRunsTheHandlerInPlace) {
    elevated(true);
    bool launched = false;
    shell::testing::setLauncher(
        [&](const std::string&, const std::string&, platform::WindowHandle) {
            launched = true;
            return std::unique_ptr<platform::ChildProcess>();
        });
    std::string received;
    shell::OnElevateProc() = [&](const std::string& text) {
        received = text;
        return 259u;
    };
    int pumps = 0;
    // In place the handler's result comes back unchanged, and its errors pass through.
    EXPECT_EQ(shell::RunElevated("a b", nullptr, [&] { ++pumps; }), 259u);
    EXPECT_EQ(received, "a b");
    EXPECT_FALSE(launched);
    shell::OnElevateProc() = [](const std::string&) -> std::uint32_t {
        throw platform::SystemError(5);
    };
    EXPECT_THROW(shell::RunElevated("x", nullptr, [] {}), platform::SystemError);
}

TEST_F(RunElevatedTest, NotElevatedStartsACopyAndWaitsWhilePumping) {
    elevated(false);
    shell::OnElevateProc() = [](const std::string&) -> std::uint32_t {
        ADD_FAILURE() << "the handler runs in the copy, not here";
        return 0;
    };
    std::string program, parameters;
    platform::WindowHandle owner = nullptr;
    bool released = false;
    auto launch = [&](std::deque<State> states, std::uint32_t code) {
        released = false;
        shell::testing::setLauncher([&, states, code](const std::string& p, const std::string& a,
                                                      platform::WindowHandle o) {
            program = p;
            parameters = a;
            owner = o;
            return std::unique_ptr<platform::ChildProcess>(
                std::make_unique<ScriptedChild>(states, code, &released));
        });
    };

    int window = 0;
    int pumps = 0;
    launch({State::Running, State::Running, State::Running, State::Exited}, 0);
    EXPECT_EQ(shell::RunElevated("/register_global_file_associations", &window, [&] { ++pumps; }),
              0u);
    EXPECT_EQ(program, platform::executablePath());
    EXPECT_EQ(parameters, "/" + Marker + " /register_global_file_associations");
    EXPECT_EQ(owner, &window);
    EXPECT_EQ(pumps, 4) << "the pump runs after every poll, the last one included";
    EXPECT_TRUE(released);

    launch({State::Exited}, 42);
    EXPECT_EQ(shell::RunElevated("p", nullptr, nullptr), 42u);
    // A copy that ended with 259 must not be taken for a running one.
    launch({State::Exited}, 259);
    EXPECT_EQ(shell::RunElevated("p", nullptr, [] {}), 31u);
    launch({State::Running, State::Unreadable}, 0);
    EXPECT_EQ(shell::RunElevated("p", nullptr, [] {}), 31u);

    launch({State::StartFailed}, 1223);
    try {
        shell::RunElevated("p", nullptr, [] {});
        FAIL() << "a declined prompt must be raised";
    } catch (const shell::ElevationRefused& e) {
        // Still the cancelled code for callers that only know system errors.
        EXPECT_EQ(e.code(), 1223u);
        EXPECT_EQ(e.refusal(), platform::ElevationRefusal::Declined);
    }
    EXPECT_TRUE(released);

    // An error of the pump passes through and the child's handle is still released.
    launch({State::Running}, 0);
    EXPECT_THROW(shell::RunElevated("p", nullptr, [] { throw std::runtime_error("pump"); }),
                 std::runtime_error);
    EXPECT_TRUE(released);
}

TEST_F(RunElevatedTest, WaitPausesBetweenPolls) {
    elevated(false);
    shell::OnElevateProc() = [](const std::string&) { return 0u; };
    std::vector<int> waits;
    shell::testing::setLauncher(
        [&](const std::string&, const std::string&, platform::WindowHandle) {
            struct Recorder : platform::ChildProcess {
                std::vector<int>* out;
                int left = 3;
                State wait(int ms) override {
                    out->push_back(ms);
                    return --left > 0 ? State::Running : State::Exited;
                }
                std::uint32_t exitCode() const override { return 0; }
            };
            auto r = std::make_unique<Recorder>();
            r->out = &waits;
            return std::unique_ptr<platform::ChildProcess>(std::move(r));
        });
    shell::RunElevated("p", nullptr, [] {});
    ASSERT_EQ(waits.size(), 3u);
    for (int ms : waits) EXPECT_GT(ms, 0) << "a zero wait would spin a core";
}

}  // namespace
