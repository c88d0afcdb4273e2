#pragma once
// What the platform layer reports when the system refuses something, and the root of the
// system's small exception hierarchy. Messages are UTF-8.
//
// A failure travels as an OsError value: a named condition that callers test, and the system's
// own code, which stays inside the platform layer except as a number in a message. Its one
// describe() gives the system's text for it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// The failures callers tell apart; everything else is Other.
enum class ErrorCondition {
    NotFound,      // no such file or folder, or a folder on the way is missing
    Exists,        // the name is taken
    AccessDenied,  // permission refused, read-only file system
    NotEmpty,      // a folder to remove still holds something
    CrossDevice,   // source and target lie on different volumes
    NoSpace,       // the disk or the quota is full
    NameTooLong,   // a name or the path is longer than the system allows
    Other
};

// Success, or a failure as a named condition plus the native code (POSIX errno, Windows system
// error code). Tests read as "if (error)": true when something failed.
class OsError {
public:
    // Success.
    OsError() = default;
    // The error for a native code; 0 is success.
    static OsError fromNative(std::uint32_t code);
    // A failure of the named condition with the code the system itself gives for it, for code
    // that decides without asking the system (a dry run) but must say what the system would.
    static OsError of(ErrorCondition condition);

    explicit operator bool() const noexcept { return native_ != 0; }
    bool is(ErrorCondition condition) const noexcept {
        return native_ != 0 && condition_ == condition;
    }
    // Other for success as well: test success with the bool.
    ErrorCondition condition() const noexcept { return condition_; }
    std::uint32_t nativeCode() const noexcept { return native_; }
    // The system's description of the failure ("No such file or directory"); empty for success.
    std::string describe() const;

    bool operator==(const OsError& other) const noexcept { return native_ == other.native_; }

private:
    std::uint32_t native_ = 0;
    ErrorCondition condition_ = ErrorCondition::Other;
};

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
    explicit SystemError(const OsError& error);
    SystemError(std::uint32_t code, const std::string& message);
    std::uint32_t code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};

// The system's text for a native code, as OsError::describe() gives it. For the platform layer's
// own messages; code above it describes an OsError or shows a SystemError.
std::string describeError(std::uint32_t code);

}  // namespace platform
