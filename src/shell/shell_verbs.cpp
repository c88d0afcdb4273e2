#include "shell/shell_verbs.h"

#include <algorithm>
#include <cctype>

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

// Registering may have to create keys above a verb (a Wine prefix or a trimmed Windows has no
// "Directory\shell" or "SystemFileAssociations\.epub"). The highest key it created is kept
// in this value of the verb key, so that unregistering takes those keys away again once they
// are empty, and never a key that was there before.
const std::string CreatedParentValue = "EpubPolcaroCreatedParent";

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

std::string parentOf(const std::string& path) {
    const auto cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// Key names compare without regard to case.
bool sameKey(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

// The highest key on the way down to `verbPath` (the verb key itself not counted) that does not
// exist yet; empty when they all exist.
std::string highestMissingParent(platform::Registry& registry, const std::string& verbPath) {
    for (auto cut = verbPath.find('\\'); cut != std::string::npos;
         cut = verbPath.find('\\', cut + 1)) {
        std::string parent = verbPath.substr(0, cut);
        if (!registry.keyExists(parent)) return parent;
    }
    return {};
}

// Writes the verb key's record of the keys registering is about to create; a verb key that is
// already there keeps the record of the first registration.
void recordCreatedParents(platform::Registry& registry, const std::string& verbPath,
                          const std::string& created) {
    if (!created.empty())
        registry.openKey(verbPath, true)->writeString(CreatedParentValue, created);
}

// After the verb key is gone: removes its parent and the keys above it, up to the recorded
// highest created one, each only while it is empty. A record that does not name a key above
// the verb is ignored.
void removeCreatedParents(platform::Registry& registry, const std::string& verbPath,
                          const std::optional<std::string>& highest) {
    if (!highest || highest->empty() || highest->size() >= verbPath.size() ||
        verbPath[highest->size()] != '\\' ||
        !sameKey(verbPath.substr(0, highest->size()), *highest)) {
        return;
    }
    // The entries are gone already: a parent that cannot be examined or removed stays, and
    // unregistering still succeeds.
    try {
        for (std::string path = parentOf(verbPath); path.size() >= highest->size();
             path = parentOf(path)) {
            {
                const auto key = openToRemove(registry, path);
                if (key && !key->isEmpty()) return;
            }
            const std::string parent = parentOf(path);
            if (const auto parentKey = openToRemove(registry, parent)) {
                const std::string name = parent.empty() ? path : path.substr(parent.size() + 1);
                if (parentKey->hasSubkey(name)) parentKey->deleteSubkeyTree(name);
            }
        }
    } catch (const platform::SystemError&) {
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
    const std::string verbPath = shellKey + "\\" + verb;
    const std::string created =
        registry.keyExists(verbPath) ? std::string() : highestMissingParent(registry, verbPath);
    registry.openKey(shellKey, true);
    recordCreatedParents(registry, verbPath, created);
    // The verb key has no default value: the file manager shows its name as the menu text.
    registry.openKey(shellKey + "\\" + verb, true)->writeString("Icon", IconData(programPath));
    registry.openKey(shellKey + "\\" + verb + "\\command", true)
        ->writeString("", CommandData(programPath));
}

void UnregisterFileTypeVerb(platform::Registry& registry, const std::string& verb,
                            const std::string& fileType) {
    if (!registry.keyExists(fileTypeShellKey(fileType))) return;
    const std::string verbPath = fileTypeShellKey(fileType) + "\\" + verb;
    const auto created = registry.readString(verbPath, CreatedParentValue);
    if (auto shellKey = openToRemove(registry, fileTypeShellKey(fileType))) {
        if (shellKey->hasSubkey(verb)) shellKey->deleteSubkeyTree(verb);
    }
    removeCreatedParents(registry, verbPath, created);
}

void RegisterFolderVerb(platform::Registry& registry, const std::string& programPath) {
    const std::string created = registry.keyExists(FolderVerbKey)
                                    ? std::string()
                                    : highestMissingParent(registry, FolderVerbKey);
    {
        // "Directory\shell" exists on every Windows; should it be missing, it is created
        // rather than leaving the folder entry out.
        auto shell = registry.openKey(DirectoryShell, true);
        if (!shell->hasSubkey(FolderVerbName)) shell->createSubkey(FolderVerbName);
    }
    {
        auto verbKey = registry.openKey(FolderVerbKey, true);
        if (!created.empty()) verbKey->writeString(CreatedParentValue, created);
        verbKey->writeString("", MenuCaption);
        verbKey->writeString("Icon", IconData(programPath));
        // Key names compare without regard to case: "Command" and "command" are one key.
        if (!verbKey->hasSubkey("command")) verbKey->createSubkey("Command");
    }
    registry.openKey(FolderVerbKey + "\\command", true)->writeString("", CommandData(programPath));
}

void UnregisterFolderVerb(platform::Registry& registry) {
    const auto created = registry.readString(FolderVerbKey, CreatedParentValue);
    if (auto verbKey = openToRemove(registry, FolderVerbKey)) {
        if (verbKey->hasSubkey("command")) verbKey->deleteSubkeyTree("command");
    }
    if (auto shell = openToRemove(registry, DirectoryShell)) {
        if (shell->hasSubkey(FolderVerbName)) shell->deleteSubkeyTree(FolderVerbName);
    }
    removeCreatedParents(registry, FolderVerbKey, created);
}

}  // namespace shell
