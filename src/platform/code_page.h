#pragma once
// The system's default 8-bit code page, in which text files without a byte-order mark are
// written on Windows (its ANSI code page: 1250 in Central Europe, 1252 in the West). POSIX
// systems have none; their de-facto 8-bit encoding is UTF-8.
#include <optional>
#include <string>

namespace platform {

// Windows: true. POSIX: false, and the two functions below give nothing.
bool hasSystemCodePage();
// Bytes in the system code page as UTF-8.
std::optional<std::string> decodeSystemCodePage(const std::string& bytes);
// UTF-8 text in the system code page; nothing when a character has no place in it.
std::optional<std::string> encodeSystemCodePage(const std::string& utf8);

// Folder and file names: compared without regard to letter case on Windows, exactly on POSIX
// (its file systems are case-sensitive).
bool pathsIgnoreCase();

}  // namespace platform
