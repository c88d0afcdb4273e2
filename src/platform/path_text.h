#pragma once
// Path text: what separates the components of a path, and the few things built on that rule.
// Nothing else in the project decides what a separator is.
//
// Paths here are the platform layer's bytes: UTF-8 on Windows, the file system's own bytes on
// POSIX (see core/path_text_qt.h for the one conversion from and to QString). Every rule looks
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

// A root is where a path starts and no parent lies above: "/" on POSIX; on Windows a drive
// ("C:\", or "C:" alone, the drive's working folder), a UNC share ("\\server\share\")
// and a lone separator (the root of the working drive). Every rule below keeps a root whole.
// Separators after the last component ("a/b/") are ignored, so a folder named with its
// trailing separator has the same name and parent as without it.

// The path without the separators after its last component; a root keeps its own ("/", "C:\").
std::string withoutTrailingSeparators(std::string_view path);

// The last component: "b" for "/a/b" and "/a/b/"; "" for a root or an empty path.
std::string lastComponent(std::string_view path);

// The folder holding the path's last component, without the separators between them. A root
// is its own parent ("/a" gives "/", "C:\a" gives "C:\", "C:a" gives "C:"; "/" gives "/"),
// so a walk upwards ends where the parent equals the path. A bare name lies in the working
// folder: "book.epub" gives ".". An empty path stays empty.
std::string parentFolder(std::string_view path);

// Every '/' turned into the native separator: the form a path takes when it enters the program
// (command line, dialogs, settings), so that later rules meet one separator only.
std::string toNativeSeparators(std::string path);

// True when the name ends with ".epub", A to Z compared without regard to case (a Turkish
// dotless i or a Kelvin sign never passes for "i" or "k"). This is both the search mask
// "*.epub" and the extension check of a path.
bool isEpubFileName(std::string_view name);

}  // namespace platform
