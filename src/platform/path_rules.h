#pragma once
// The Windows naming rules, applied on every platform so that a collection built anywhere
// stays valid on Windows and on FAT/exFAT e-readers. Pure functions.
#include <string>

namespace platform {

// Replaces every run of adjacent native separators by one. On POSIX a backslash is an ordinary
// name character (the target rules write the native separator), so it is left alone there. A
// Windows UNC path keeps its two leading separators.
std::string collapseSeparators(const std::string& path);

// Folder creation refuses a path (after collapsing separators) that holds a character from
// U+0000 to U+001F, '"', '<', '>' or '|'; a colon anywhere but right after a drive letter at
// its start; that is 260 characters long or longer; or whose drive does not exist.
bool folderPathAcceptable(const std::string& path);

// Copy and move refuse a source or target path that is 248 characters long or longer or that
// holds one of the characters above or a misplaced colon. '*' and '?' are refused as well,
// since no file may carry them on Windows.
bool transferPathAcceptable(const std::string& path);

// True for a name (one path component) that Windows cannot give a file or folder: a device name
// (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any letter case, also followed by an
// extension, as "nul.epub"), or a name ending in a dot or a blank, which Windows strips on
// creation so that the file lands under another name. "." and ".." are no names of this kind.
bool nameReservedOnWindows(const std::string& name);

}  // namespace platform
