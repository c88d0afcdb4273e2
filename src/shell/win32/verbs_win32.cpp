// The context-menu entries in the registry below HKEY_CLASSES_ROOT, 64-bit view.
#include "platform/registry.h"
#include "platform/system_folders.h"
#include "shell/shell_verbs.h"

namespace shell {

void RegisterShellVerbs() {
    const auto registry = platform::classesRoot64();
    const std::string program = platform::executablePath();
    RegisterFileTypeVerb(*registry, MenuCaption, VerbFileType, program);
    RegisterFolderVerb(*registry, program);
    platform::notifyAssociationsChanged();
}

void UnregisterShellVerbs() {
    const auto registry = platform::classesRoot64();
    UnregisterFileTypeVerb(*registry, MenuCaption, VerbFileType);
    UnregisterFolderVerb(*registry);
    platform::notifyAssociationsChanged();
}

}  // namespace shell
