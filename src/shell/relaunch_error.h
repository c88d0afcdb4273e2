#pragma once
#include <cstdint>

#include "platform/elevation.h"
#include "platform/error.h"

namespace shell {

// The operating-system error for a code of the relaunch protocol. The codes are Windows
// system error codes on every platform, so elsewhere the protocol's own codes (5, 31, 127,
// 1223) get the Windows meaning instead of the local errno text of the same number.
platform::SystemError RelaunchError(std::uint32_t code);

// The elevated copy never ran because administrator rights were not granted; refusal() says
// why, so that the window can say it in its own language. Its code is 1223 (cancelled), the
// code Windows gives a declined elevation prompt; what() is a plain English description.
class ElevationRefused : public platform::SystemError {
public:
    explicit ElevationRefused(platform::ElevationRefusal refusal);
    platform::ElevationRefusal refusal() const noexcept { return refusal_; }

private:
    platform::ElevationRefusal refusal_;
};

}  // namespace shell
