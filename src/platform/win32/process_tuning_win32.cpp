#include "platform/process_tuning.h"

namespace platform {

void prepareProcessForBookReading() {}

}  // namespace platform
