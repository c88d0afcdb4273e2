#include "app/elevated_launch.h"

#include "shell/run_elevated.h"
#include "shell/shell_verbs.h"

namespace app {

void installElevatedActionAndCheck() {
    shell::OnElevateProc() = &shell::ShellVerbTask;
    shell::HandleElevatedLaunch();
}

}  // namespace app
