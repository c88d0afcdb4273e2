// windows.h comes first: the other Windows headers rely on its definitions.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/process.h"
#include "platform/win32/utf.h"

namespace platform {

std::vector<std::string> commandLineArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.push_back(win32::narrow(std::wstring(argv[i])));
    LocalFree(argv);
    return args;
}

void writeStandardOutput(std::string_view bytes) {
    static const bool binary = [] {
        std::fflush(stdout);
        return _setmode(_fileno(stdout), _O_BINARY) != -1;
    }();
    (void)binary;
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void terminateCurrentProcess(std::uint32_t code) {
    TerminateProcess(GetCurrentProcess(), code);
    ExitProcess(code);  // not reached: TerminateProcess on ourselves does not return
}

std::uint32_t encodeExitCode(std::uint32_t code) {
    return code;
}
std::uint32_t decodeExitCode(std::uint32_t status) {
    return status;
}

namespace {

// Quotes one argument so that the C runtime's command-line parser gives it back unchanged.
std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
            quoted += c;
            backslashes = 0;
        } else {
            quoted.append(backslashes, L'\\');
            quoted += c;
            backslashes = 0;
        }
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

}  // namespace

std::optional<int> runProgram(const std::string& program,
                              const std::vector<std::string>& arguments) {
    std::wstring commandLine = quoteArgument(win32::widen(program));
    for (const auto& a : arguments) commandLine += L' ' + quoteArgument(win32::widen(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return std::nullopt;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    const bool read = GetExitCodeProcess(process.hProcess, &code) != 0;
    CloseHandle(process.hProcess);
    if (!read) return std::nullopt;
    return static_cast<int>(code);
}

}  // namespace platform
