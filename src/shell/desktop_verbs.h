#pragma once
// The context-menu entries in the forms Linux file managers read them: a KDE service menu
// (Dolphin), a Nemo action (Cinnamon) and a file-manager action (Caja and the others that read
// file-manager/actions). All three are machine-wide files below a system prefix (default
// /usr/local/share; the environment variable EPUB_POLCARO_SYSTEM_PREFIX replaces it).
//
// None of them is an application entry: they add a menu item and nothing else, so registering
// can never make the program the default handler of folders or of EPUB files. The launcher in
// share/applications is installed with the program and names no MIME types.
#include <string>
#include <vector>

namespace shell {

// The reverse-DNS application id: the launcher's file name, the icon's name, the metainfo id.
inline constexpr const char* ApplicationId = "hu.epubpolcaro.EpubPolcaro";

// $EPUB_POLCARO_SYSTEM_PREFIX when set and not empty, else "/usr/local/share".
std::string SystemPrefix();

// <prefix>/kio/servicemenus/epub-polcaro.desktop
std::string ServiceMenuPath(const std::string& prefix);
// <prefix>/nemo/actions/epub-polcaro.nemo_action
std::string NemoActionPath(const std::string& prefix);
// <prefix>/file-manager/actions/epub-polcaro.desktop
std::string FileManagerActionPath(const std::string& prefix);
// <prefix>/applications/epub-polcaro.desktop: the program entry that earlier versions wrote
// when registering. It claimed inode/directory, so registering and unregistering remove it.
std::string LegacyDesktopEntryPath(const std::string& prefix);

// One Exec argument quoted by the Desktop Entry rules: enclosed in double quotes with '"', '`',
// '$' and '\' escaped by a backslash, then the key-file escaping of backslashes and '%' doubled.
// Raises platform::Error for a text holding a control character, which no Exec key can carry.
std::string QuoteExecArgument(const std::string& argument);

// The three files' texts for the program at `programPath`. Nemo and the file-manager actions
// hand the command line to a shell-style parser, so the path is single-quoted there. Nemo has
// no escape for '%': a program path holding one raises platform::Error, as does a control
// character in any of them.
std::string ServiceMenuText(const std::string& programPath);
std::string NemoActionText(const std::string& programPath);
std::string FileManagerActionText(const std::string& programPath);

// Writes the three files atomically (creating their folders) and removes the legacy program
// entry when it is ours. All texts are built first, so a path that cannot be written into one
// of them leaves nothing changed. Raises platform::SystemError when a file cannot be written.
void WriteDesktopVerbs(const std::string& prefix, const std::string& programPath);
// Removes exactly the files WriteDesktopVerbs writes (and the legacy entry when it is ours);
// missing files are passed over, folders are left in place. Raises platform::SystemError when
// one exists but cannot be removed.
void RemoveDesktopVerbs(const std::string& prefix);

// Every path WriteDesktopVerbs writes, for the tests and the README.
std::vector<std::string> DesktopVerbPaths(const std::string& prefix);

}  // namespace shell
