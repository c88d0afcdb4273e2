#pragma once
// Text for the user on the standard output or error stream. The command line writes UTF-8;
// a Windows console shows bytes in its own code page (850, 852 ...), so there the text goes to
// the console as UTF-16 instead.
#include <cstdio>
#include <string_view>

namespace platform {

// Writes the UTF-8 text to `stream` (stdout or stderr) and flushes it. Windows: when the stream
// is a console, through WriteConsoleW; redirected to a file or a pipe, the bytes unchanged.
// POSIX: the bytes unchanged.
void writeText(std::FILE* stream, std::string_view utf8);

}  // namespace platform
