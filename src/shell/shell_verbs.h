#pragma once
// The file manager's two context-menu entries (on every folder and on every .epub file) that
// start the program with the clicked item's path. Writing them needs administrator rights, so
// the window's buttons hand a switch to RunElevated, whose elevated copy runs ShellVerbTask.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/elevation.h"
#include "platform/registry.h"

namespace shell {

// Always this Hungarian text, whatever the interface language.
inline constexpr const char* MenuCaption = "Gyüjtö könyvtárba másolás ...";
inline constexpr const char* VerbFileType = ".epub";
inline constexpr const char* FolderVerbName = "epubpolcaro";
inline constexpr const char* RegisterSwitch = "/register_global_file_associations";
inline constexpr const char* UnregisterSwitch = "/unregister_global_file_associations";

// The elevated-action handler: the register switch gives RegisterShellVerbs and 0, the
// unregister switch UnregisterShellVerbs and 0 (exact, case-sensitive, whole text); anything
// else 31 without touching anything. Errors of the actions pass through.
std::uint32_t ShellVerbTask(const std::string& parameters);

// Write or remove both entries for the running program, then tell the desktop. Windows: the
// registry below HKEY_CLASSES_ROOT (64-bit view). Elsewhere: the file managers' action files
// below the system prefix, never an application entry (see desktop_verbs.h).
void RegisterShellVerbs();
void UnregisterShellVerbs();

// The window's two registration commands: RunElevated with the register or unregister switch;
// a non-zero code is raised as platform::SystemError with that code.
void RunVerbCommand(bool registerVerbs, platform::WindowHandle owner,
                    const std::function<void()>& pump);

// The registry layout, against any registry (the real one or a test's). Registering records in
// each verb key the highest parent key it had to create; unregistering removes the verb key and
// then those created parents that are empty, never a key that existed before.
std::string IconData(const std::string& programPath);     // path + ",0"
std::string CommandData(const std::string& programPath);  // "path" "%1"
void RegisterFileTypeVerb(platform::Registry& registry, const std::string& verb,
                          const std::string& fileType, const std::string& programPath);
void UnregisterFileTypeVerb(platform::Registry& registry, const std::string& verb,
                            const std::string& fileType);
void RegisterFolderVerb(platform::Registry& registry, const std::string& programPath);
void UnregisterFolderVerb(platform::Registry& registry);

}  // namespace shell
