#pragma once
#include <cstdint>

#include "platform/error.h"

namespace shell {

// The operating-system error for a code of the relaunch protocol. The codes are Windows
// system error codes on every platform, so elsewhere the protocol's own codes (5, 31, 127,
// 1223) get the Windows meaning instead of the local errno text of the same number.
platform::SystemError RelaunchError(std::uint32_t code);

}  // namespace shell
