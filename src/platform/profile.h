#pragma once
// Profile (INI) files with the semantics of GetPrivateProfileStringW/WritePrivateProfileStringW:
// case-insensitive sections and keys, a missing file, section or key reads as the default,
// at most bufferChars - 1 characters come back, and writing creates the file and the section
// when needed (POSIX: our own reader and writer, UTF-8, the file replaced atomically).
#include <cstddef>
#include <string>

namespace platform {

std::string readProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue,
                              std::size_t bufferChars = 2048);

// Returns 0 or the OS error code.
int writeProfileString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value);

}  // namespace platform
