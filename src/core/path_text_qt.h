#pragma once
// The one conversion between a path held as QString and the platform layer's path text (UTF-8
// on Windows, the file system's own bytes on POSIX; see platform/path_text.h). Every path that
// crosses into src/platform, or into libzip, goes through here. It lives in the lowest layer
// that may use Qt, so that both the book reader and the organise code reach it.
//
// A POSIX file name is any run of bytes, not necessarily UTF-8 (a Latin-1 "caf\xE9.epub" from an
// old disk or a network share). Qt 6 decodes such a byte to U+FFFD, which cannot be turned back,
// so the name would no longer open. Here valid UTF-8 decodes as usual and every byte that does
// not belong to a valid sequence becomes the lone surrogate U+DC80..U+DCFF, which encodes back
// to that byte: every name survives the round trip unchanged. On Windows the platform layer
// hands out valid UTF-8 only, so the escape never arises there.
#include <QString>
#include <string>
#include <string_view>

namespace core {

// The path as the platform layer and libzip take it.
std::string toPlatformPath(const QString& path);

// A path from the platform layer (a listing, a system folder) as QString.
QString fromPlatformPath(std::string_view path);

// A path entering the program (command line, dialog, settings file, dropped file) in its native
// form: every '/' turned into the native separator.
QString pathFromOutside(const QString& path);

// A folder that can take a name directly after it: the native separator added unless the path
// already ends in a separator. Empty stays empty (no folder chosen).
QString withTrailingSeparator(const QString& folder);

// platform::joinPath, platform::parentFolder and platform::lastComponent for QString paths.
QString joinPath(const QString& folder, const QString& name);
QString parentFolder(const QString& path);
QString lastComponent(const QString& path);

}  // namespace core
