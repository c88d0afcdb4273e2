// The window's registration buttons when the elevated copy never runs or succeeds: each way
// administrator rights are not granted is told in the interface's language, and success is
// confirmed in it.
#include <gtest/gtest.h>

#include <QToolButton>

#include "app/tform1.h"
#include "platform/elevation.h"
#include "scripted_dialogs.h"
#include "shell/run_elevated.h"

namespace {

using platform::ElevationRefusal;

class FinishedCopy final : public platform::ChildProcess {
public:
    explicit FinishedCopy(std::uint32_t code) : code_(code) {}
    State wait(int) override { return State::Exited; }
    std::uint32_t exitCode() const override { return code_; }

private:
    std::uint32_t code_;
};

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell::testing::setElevationCheck([] { return false; });
        shell::OnElevateProc() = [](const std::string&) -> std::uint32_t {
            ADD_FAILURE() << "the handler runs in the elevated copy, not in the window";
            return 0;
        };
    }
    void TearDown() override {
        shell::testing::setLauncher(nullptr);
        shell::testing::setElevationCheck(nullptr);
        shell::OnElevateProc() = nullptr;
    }
    // The start of the elevated copy answers with `child`.
    template <typename Make>
    void answerWith(Make make) {
        shell::testing::setLauncher(
            [make](const std::string&, const std::string&, platform::WindowHandle) {
                return std::unique_ptr<platform::ChildProcess>(make());
            });
    }
    // Clicks a registration button in one language; returns the one dialog it opened.
    apptest::ScriptedDialogs::Call click(QToolButton* button, bool english) {
        form.state().englishUi = english;
        dialogs.calls.clear();
        button->click();
        EXPECT_EQ(dialogs.calls.size(), 1u) << button->objectName().toStdString();
        return dialogs.calls.empty() ? apptest::ScriptedDialogs::Call{} : dialogs.calls.front();
    }

    apptest::ScriptedDialogs dialogs;
    apptest::ScriptedDialogs::Install install{dialogs};
    app::TForm1 form;
};

TEST_F(RegistrationTest, EveryOutcomeIsToldInTheInterfaceLanguage) {
    const QString keptHu = QStringLiteral("\nA helyi menü bejegyzései nem változtak.");
    const QString keptEn = QStringLiteral("\nThe context-menu entries were not changed.");
    struct Expected {
        ElevationRefusal refusal;
        QString hungarian;
        QString english;
    };
    const Expected refusals[] = {
        {ElevationRefusal::Declined, QStringLiteral("A rendszergazdai jog kérését elutasították."),
         QStringLiteral("The request for administrator rights was declined.")},
        {ElevationRefusal::NotAuthorised,
         QStringLiteral("Nincs jogosultság rendszergazdai jogot kapni ehhez a művelethez."),
         QStringLiteral("You are not authorised to obtain administrator rights for this.")},
        {ElevationRefusal::NoAgent,
         QStringLiteral(
             "Nem lehet rendszergazdai jogot kérni: nem fut hitelesítő ügynök (polkit)."),
         QStringLiteral("Administrator rights cannot be requested: no authentication agent "
                        "(polkit) is running.")},
        {ElevationRefusal::HelperMissing,
         QStringLiteral("Nem lehet rendszergazdai jogot kérni: a pkexec nincs telepítve."),
         QStringLiteral("Administrator rights cannot be requested: pkexec is not installed.")},
    };
    for (const Expected& expected : refusals) {
        const ElevationRefusal refusal = expected.refusal;
        answerWith([refusal] { return std::make_unique<platform::RefusedStart>(refusal); });
        for (QToolButton* button : {form.RzToolButton5(), form.RzToolButton6()}) {
            const auto hungarian = click(button, false);
            EXPECT_EQ(hungarian.kind, QStringLiteral("error"));
            EXPECT_EQ(hungarian.texts.value(0), expected.hungarian + keptHu);
            const auto english = click(button, true);
            EXPECT_EQ(english.kind, QStringLiteral("error"));
            EXPECT_EQ(english.texts.value(0), expected.english + keptEn);
        }
    }

    // Success is confirmed, for each button in its own words.
    answerWith([] { return std::make_unique<FinishedCopy>(0); });
    const auto confirmation = [&](QToolButton* button, bool english) {
        const auto call = click(button, english);
        EXPECT_EQ(call.kind, QStringLiteral("message"));
        return call.texts.value(0);
    };
    EXPECT_EQ(confirmation(form.RzToolButton5(), false),
              QStringLiteral("A helyi menü bejegyzései elkészültek."));
    EXPECT_EQ(confirmation(form.RzToolButton5(), true),
              QStringLiteral("The context-menu entries have been registered."));
    EXPECT_EQ(confirmation(form.RzToolButton6(), false),
              QStringLiteral("A helyi menü bejegyzései törölve."));
    EXPECT_EQ(confirmation(form.RzToolButton6(), true),
              QStringLiteral("The context-menu entries have been removed."));

    // A copy that ran and failed is still the system error with its code.
    answerWith([] { return std::make_unique<FinishedCopy>(31); });
    const auto failed = click(form.RzToolButton5(), false);
    EXPECT_EQ(failed.kind, QStringLiteral("error"));
    EXPECT_TRUE(failed.texts.value(0).startsWith(QStringLiteral("System Error.  Code: 31.")))
        << failed.texts.value(0).toStdString();
}

}  // namespace
