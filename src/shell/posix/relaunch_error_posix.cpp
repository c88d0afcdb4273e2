#include "shell/relaunch_error.h"

#include <string>

namespace shell {

platform::SystemError RelaunchError(std::uint32_t code) {
    std::string description;
    switch (code) {
        case 5:
            description = "Access is denied.";
            break;
        case 31:
            description = "A device attached to the system is not functioning.";
            break;
        case 127:
            description = "The specified procedure could not be found.";
            break;
        case 1223:
            description = "The operation was canceled by the user.";
            break;
        default:
            return platform::SystemError(code);
    }
    return platform::SystemError(
        code, "System Error.  Code: " + std::to_string(code) + ".\n" + description);
}

}  // namespace shell
