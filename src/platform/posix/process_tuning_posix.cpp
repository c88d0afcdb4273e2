#include "platform/process_tuning.h"

#include <malloc.h>

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace platform {

void prepareProcessForBookReading() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (std::getenv("TZ") == nullptr) {
            ::setenv("TZ", ":/etc/localtime", 0);
            ::tzset();
        }
        if (std::getenv("MALLOC_TOP_PAD_") == nullptr) ::mallopt(M_TOP_PAD, 1024 * 1024);
    });
}

}  // namespace platform
