#include "app/elevated_launch.h"

#include <QString>
#include <QWidget>

#include "app/dialogs.h"
#include "core/message_catalogue.h"
#include "platform/elevation.h"
#include "shell/relaunch_error.h"
#include "shell/run_elevated.h"
#include "shell/shell_verbs.h"

namespace app {

namespace {

using core::MessageId;

MessageId reasonOf(platform::ElevationRefusal refusal) {
    switch (refusal) {
        case platform::ElevationRefusal::NotAuthorised:
            return MessageId::ElevationNotAuthorised;
        case platform::ElevationRefusal::NoAgent:
            return MessageId::ElevationNoAgent;
        case platform::ElevationRefusal::HelperMissing:
            return MessageId::ElevationHelperMissing;
        case platform::ElevationRefusal::Declined:
            break;
    }
    return MessageId::ElevationDeclined;
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
        dialogs().error(owner, core::message(reasonOf(refused.refusal()), englishUi) +
                                   QLatin1Char('\n') +
                                   core::message(MessageId::VerbsUnchanged, englishUi));
        return;
    }
    dialogs().message(owner, core::message(registerVerbs ? MessageId::VerbsRegistered
                                                         : MessageId::VerbsUnregistered,
                                           englishUi));
}

}  // namespace app
