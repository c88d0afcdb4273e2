#pragma once
// Path text: what separates the components of a path, and the few things built on that rule.
// Nothing else in the project decides what a separator is.
//
// Paths here are the platform layer's bytes: UTF-8 on Windows, the file system's own bytes on
// POSIX (see epub/path_text_qt.h for the one conversion from and to QString). Every rule looks
// only at ASCII bytes, so a name that is not valid UTF-8 passes through unchanged.
#include <string>
#include <string_view>

namespace platform {

// '\\' on Windows, '/' on POSIX: it plays the role the backslash has in Windows paths.
char nativeSeparator();

// The native separator, or '/', which Windows accepts as well. On POSIX a backslash is an
// ordinary name character.
bool isSeparator(char c);
bool endsWithSeparator(std::string_view path);

// The path with a native separator added unless it already ends with a separator; an empty
// path becomes the separator alone.
std::string withTrailingSeparator(std::string path);

// folder, a separator when folder does not end with one, and name; just name when folder is
// empty.
std::string joinPath(const std::string& folder, const std::string& name);

// Everything after the last separator (the whole path when there is none).
std::string lastComponent(std::string_view path);

// The folder holding the path's last component: everything before the last separator. A root
// keeps its separator ("/a" gives "/"); a path without one gives "".
std::string parentFolder(std::string_view path);

// Every '/' turned into the native separator: the form a path takes when it enters the program
// (command line, dialogs, settings), so that later rules meet one separator only.
std::string toNativeSeparators(std::string path);

// True when the name ends with ".epub", A to Z compared without regard to case (a Turkish
// dotless i or a Kelvin sign never passes for "i" or "k"). This is both the search mask
// "*.epub" and the extension check of a path.
bool isEpubFileName(std::string_view name);

}  // namespace platform
