#include "shell/relaunch_error.h"

namespace shell {

platform::SystemError RelaunchError(std::uint32_t code) {
    return platform::SystemError(code);
}

}  // namespace shell
