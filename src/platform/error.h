#pragma once
// The root of the system's small exception hierarchy. Messages are UTF-8.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// Base of every error the core raises on purpose; the event loop shows what() in the
// standard error message box.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operating-system error carrying its code (POSIX errno or Windows system error code).
// Its text is "System Error.  Code: <code>." followed by a line break and the system's
// description of the code.
class SystemError : public Error {
public:
    explicit SystemError(std::uint32_t code);
    SystemError(std::uint32_t code, const std::string& message);
    std::uint32_t code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};

// The system's description of an error code ("No such file or directory").
std::string describeError(std::uint32_t code);

// True for the codes that mean "no such file or folder" (POSIX: ENOENT, ENOTDIR; Windows:
// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND).
bool isNotFoundError(std::uint32_t code);

}  // namespace platform
