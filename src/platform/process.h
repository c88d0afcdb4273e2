#pragma once
// The running process: its command line, its end, and plain child programs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Arguments 1 to N of the running process as the platform splits them (Windows: the rules of
// CommandLineToArgvW; POSIX: the argv the process was started with), enclosing quotes removed.
std::vector<std::string> commandLineArguments();

// Writes bytes to standard output exactly as given and flushes them. Windows opens standard
// output in text mode, which would turn every LF into CRLF; it is switched to binary first, so
// that a JSON line ends in LF on every platform.
void writeStandardOutput(std::string_view bytes);

// Ends the current process at once with `code` as its exit code: no destructors, no atexit
// handlers, no flushing of C++ streams (Windows: TerminateProcess on the current process).
// POSIX exit statuses hold only 8 bits, so the code travels encoded (see encodeExitCode).
[[noreturn]] void terminateCurrentProcess(std::uint32_t code);

// The exit status that carries `code` on this platform, and the way back. Windows carries all
// 32 bits unchanged. POSIX: 0 to 123 travel as they are; 1223 (cancelled) travels as 124 and
// 127 (procedure not found) as 125, because 126 and 127 are taken by the shells and pkexec for
// "could not run"; every other code becomes 31 (general failure). Decoding maps 124 and 125
// back and leaves every other status as it is.
std::uint32_t encodeExitCode(std::uint32_t code);
std::uint32_t decodeExitCode(std::uint32_t status);

// Runs a program found on the search path with the given arguments and waits for it.
// Returns its exit status, or nothing when it could not be started or did not end normally.
std::optional<int> runProgram(const std::string& program,
                              const std::vector<std::string>& arguments);

// Splits a parameter text into arguments the way the Windows command line is split for a
// program: blanks and tabs separate arguments, a double quote starts or ends a quoted part in
// which blanks are kept, and two double quotes inside a quoted part stand for one double quote.
// Backslashes are ordinary characters (they are path separators on Windows).
std::vector<std::string> splitCommandLine(const std::string& text);

}  // namespace platform
