// The context-menu entries as desktop files below the system prefix.
#include "platform/system_folders.h"
#include "shell/desktop_verbs.h"
#include "shell/shell_verbs.h"

namespace shell {

void RegisterShellVerbs() {
    WriteDesktopVerbs(SystemPrefix(), platform::executablePath());
}

void UnregisterShellVerbs() {
    RemoveDesktopVerbs(SystemPrefix());
}

}  // namespace shell
