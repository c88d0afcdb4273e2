#include "app/elevated_launch.h"

#include <QString>
#include <QWidget>

#include "app/dialogs.h"
#include "platform/elevation.h"
#include "shell/relaunch_error.h"
#include "shell/run_elevated.h"
#include "shell/shell_verbs.h"

namespace app {

namespace {

// The registration's wording, Hungarian and English.
struct Wording {
    const char* hungarian;
    const char* english;
};

constexpr Wording Registered = {"A helyi menü bejegyzései elkészültek.",
                                "The context-menu entries have been registered."};
constexpr Wording Unregistered = {"A helyi menü bejegyzései törölve.",
                                  "The context-menu entries have been removed."};
constexpr Wording NothingChanged = {"A helyi menü bejegyzései nem változtak.",
                                    "The context-menu entries were not changed."};
constexpr Wording Declined = {"A rendszergazdai jog kérését elutasították.",
                              "The request for administrator rights was declined."};
constexpr Wording NotAuthorised = {
    "Nincs jogosultság rendszergazdai jogot kapni ehhez a művelethez.",
    "You are not authorised to obtain administrator rights for this."};
constexpr Wording NoAgent = {
    "Nem lehet rendszergazdai jogot kérni: nem fut hitelesítő ügynök (polkit).",
    "Administrator rights cannot be requested: no authentication agent (polkit) is running."};
constexpr Wording HelperMissing = {
    "Nem lehet rendszergazdai jogot kérni: a pkexec nincs telepítve.",
    "Administrator rights cannot be requested: pkexec is not installed."};

QString text(const Wording& wording, bool englishUi) {
    return QString::fromUtf8(englishUi ? wording.english : wording.hungarian);
}

const Wording& reasonOf(platform::ElevationRefusal refusal) {
    switch (refusal) {
        case platform::ElevationRefusal::NotAuthorised:
            return NotAuthorised;
        case platform::ElevationRefusal::NoAgent:
            return NoAgent;
        case platform::ElevationRefusal::HelperMissing:
            return HelperMissing;
        case platform::ElevationRefusal::Declined:
            break;
    }
    return Declined;
}

}  // namespace

void installElevatedActionAndCheck() {
    shell::OnElevateProc() = &shell::ShellVerbTask;
    shell::HandleElevatedLaunch();
}

void runVerbRegistration(bool registerVerbs, QWidget* owner, bool englishUi,
                         const std::function<void()>& pump) {
    const auto handle = owner ? reinterpret_cast<platform::WindowHandle>(owner->winId()) : nullptr;
    try {
        shell::RunVerbCommand(registerVerbs, handle, pump);
    } catch (const shell::ElevationRefused& refused) {
        dialogs().error(owner, text(reasonOf(refused.refusal()), englishUi) + QLatin1Char('\n') +
                                   text(NothingChanged, englishUi));
        return;
    }
    dialogs().message(owner, text(registerVerbs ? Registered : Unregistered, englishUi));
}

}  // namespace app
