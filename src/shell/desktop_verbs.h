#pragma once
// The context-menu entries in the form Linux desktops read them: a desktop entry for the
// program (folders and EPUB files, with the menu caption as its action) and a KDE service menu
// that puts the caption into Dolphin's right-click menu. Both are machine-wide files below a
// system prefix (default /usr/local/share; the environment variable
// EPUB_POLCARO_SYSTEM_PREFIX replaces it).
#include <string>

namespace shell {

// $EPUB_POLCARO_SYSTEM_PREFIX when set and not empty, else "/usr/local/share".
std::string SystemPrefix();

// <prefix>/applications/epub-polcaro.desktop and <prefix>/kio/servicemenus/epub-polcaro.desktop
std::string DesktopEntryPath(const std::string& prefix);
std::string ServiceMenuPath(const std::string& prefix);

// One Exec argument quoted by the Desktop Entry rules: enclosed in double quotes with '"', '`',
// '$' and '\' escaped by a backslash, then the key-file escaping of backslashes and '%' doubled.
// Raises platform::Error for a text holding a control character, which no Exec key can carry.
std::string QuoteExecArgument(const std::string& argument);

std::string DesktopEntryText(const std::string& programPath);
std::string ServiceMenuText(const std::string& programPath);

// Writes both files atomically (creating their folders), then refreshes the MIME cache of the
// applications folder with update-desktop-database where that tool exists. Raises
// platform::SystemError when a file cannot be written.
void WriteDesktopVerbs(const std::string& prefix, const std::string& programPath);
// Removes exactly our two files; missing files are passed over. Raises platform::SystemError
// when one exists but cannot be removed.
void RemoveDesktopVerbs(const std::string& prefix);

}  // namespace shell
