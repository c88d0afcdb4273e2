#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/process.h"

extern char** environ;

namespace platform {

void writeStandardOutput(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::vector<std::string> commandLineArguments() {
    // The kernel keeps the argv of the process, NUL-separated, whatever main() did with it.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::string current;
    for (char c : all) {
        if (c == '\0') {
            args.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) args.push_back(current);
    if (!args.empty()) args.erase(args.begin());
    return args;
}

std::uint32_t encodeExitCode(std::uint32_t code) {
    if (code <= 123) return code;
    if (code == 1223) return 124;
    if (code == 127) return 125;
    return 31;
}

std::uint32_t decodeExitCode(std::uint32_t status) {
    if (status == 124) return 1223;
    if (status == 125) return 127;
    return status;
}

void terminateCurrentProcess(std::uint32_t code) {
    _exit(static_cast<int>(encodeExitCode(code)));
}

std::optional<int> runProgram(const std::string& program,
                              const std::vector<std::string>& arguments) {
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return std::nullopt;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (!WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

}  // namespace platform
