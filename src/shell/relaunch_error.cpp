#include "shell/relaunch_error.h"

#include <string>

namespace shell {

namespace {

std::string describe(platform::ElevationRefusal refusal) {
    const std::string notGranted = "Administrator rights were not granted: ";
    switch (refusal) {
        case platform::ElevationRefusal::Declined:
            return notGranted + "the request was declined.";
        case platform::ElevationRefusal::NotAuthorised:
            return notGranted + "the user is not authorised.";
        case platform::ElevationRefusal::NoAgent:
            return notGranted + "no authentication agent answered.";
        case platform::ElevationRefusal::HelperMissing:
            return notGranted + "pkexec is not installed.";
    }
    return notGranted + "the request failed.";
}

}  // namespace

ElevationRefused::ElevationRefused(platform::ElevationRefusal refusal)
    : platform::SystemError(1223, describe(refusal)), refusal_(refusal) {}

}  // namespace shell
