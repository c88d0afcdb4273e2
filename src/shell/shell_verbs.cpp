#include "shell/shell_verbs.h"

#include "platform/error.h"
#include "shell/relaunch_error.h"
#include "shell/run_elevated.h"

namespace shell {

namespace {

const std::string DirectoryShell = "Directory\\shell";
const std::string FolderVerbKey = DirectoryShell + "\\" + FolderVerbName;

std::string fileTypeShellKey(const std::string& fileType) {
    return "SystemFileAssociations\\" + fileType + "\\shell";
}

// Unregistering passes over a key that exists but cannot be opened (access refused), as it
// passes over a missing one.
std::unique_ptr<platform::RegistryKey> openToRemove(platform::Registry& registry,
                                                    const std::string& path) {
    try {
        return registry.openKey(path, false);
    } catch (const platform::SystemError&) {
        return nullptr;
    }
}

}  // namespace

std::uint32_t ShellVerbTask(const std::string& parameters) {
    try {
        if (parameters == RegisterSwitch) {
            RegisterShellVerbs();
            return 0;
        }
        if (parameters == UnregisterSwitch) {
            UnregisterShellVerbs();
            return 0;
        }
    } catch (const platform::SystemError& error) {
        // A key or file that cannot be written fails the task as a whole: the elevated copy
        // ends with 31 (general failure), never with the system's own code, which the window
        // would show as if the relaunch itself had failed. Run in place, the text still tells
        // what went wrong.
        throw platform::Error(error.what());
    }
    return 31;
}

void RunVerbCommand(bool registerVerbs, platform::WindowHandle owner,
                    const std::function<void()>& pump) {
    const std::uint32_t code =
        RunElevated(registerVerbs ? RegisterSwitch : UnregisterSwitch, owner, pump);
    if (code != 0) throw RelaunchError(code);
}

std::string IconData(const std::string& programPath) {
    return programPath + ",0";
}

std::string CommandData(const std::string& programPath) {
    return "\"" + programPath + "\" \"%1\"";
}

void RegisterFileTypeVerb(platform::Registry& registry, const std::string& verb,
                          const std::string& fileType, const std::string& programPath) {
    const std::string shellKey = fileTypeShellKey(fileType);
    registry.openKey(shellKey, true);
    // The verb key has no default value: the file manager shows its name as the menu text.
    registry.openKey(shellKey + "\\" + verb, true)->writeString("Icon", IconData(programPath));
    registry.openKey(shellKey + "\\" + verb + "\\command", true)
        ->writeString("", CommandData(programPath));
}

void UnregisterFileTypeVerb(platform::Registry& registry, const std::string& verb,
                            const std::string& fileType) {
    if (!registry.keyExists(fileTypeShellKey(fileType))) return;
    auto shellKey = openToRemove(registry, fileTypeShellKey(fileType));
    if (shellKey && shellKey->hasSubkey(verb)) shellKey->deleteSubkeyTree(verb);
}

void RegisterFolderVerb(platform::Registry& registry, const std::string& programPath) {
    {
        // "Directory\shell" exists on every Windows; should it be missing, it is created
        // rather than leaving the folder entry out.
        auto shell = registry.openKey(DirectoryShell, true);
        if (!shell->hasSubkey(FolderVerbName)) shell->createSubkey(FolderVerbName);
    }
    {
        auto verbKey = registry.openKey(FolderVerbKey, true);
        verbKey->writeString("", MenuCaption);
        verbKey->writeString("Icon", IconData(programPath));
        // Key names compare without regard to case: "Command" and "command" are one key.
        if (!verbKey->hasSubkey("command")) verbKey->createSubkey("Command");
    }
    registry.openKey(FolderVerbKey + "\\command", true)->writeString("", CommandData(programPath));
}

void UnregisterFolderVerb(platform::Registry& registry) {
    if (auto verbKey = openToRemove(registry, FolderVerbKey)) {
        if (verbKey->hasSubkey("command")) verbKey->deleteSubkeyTree("command");
    }
    if (auto shell = openToRemove(registry, DirectoryShell)) {
        if (shell->hasSubkey(FolderVerbName)) shell->deleteSubkeyTree(FolderVerbName);
    }
}

}  // namespace shell
