#pragma once
// Profile (INI) files with the semantics of GetPrivateProfileStringW/WritePrivateProfileStringW:
// case-insensitive sections and keys, a missing file, section or key reads as the default,
// at most bufferChars - 1 characters come back, and writing creates the file and the section
// when needed (POSIX: our own reader and writer, UTF-8, the file replaced atomically).
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace platform {

std::string readProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferChars = 2048);

// Whether an entry can be written as exactly one "key=value" line of one section: none of the
// three holds a line break or NUL, the section no ']', the key no '=', and the key is neither
// blank nor starts a section. The system's writer on Windows would write such a value as lines
// of its own (another key, another section), so both platforms refuse it.
bool profileEntryWritable(std::string_view section, std::string_view key, std::string_view value);

// An entry that is not profileEntryWritable fails (the system's "invalid argument") and leaves
// the file as it was.
OsError writeProfileString(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& value);

}  // namespace platform
