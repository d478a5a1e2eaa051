#include "platform/linux/system_clock.h"

#include <ctime>

namespace chimora::platform {

LocalDateTime SystemClock::Now() const {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return LocalDateTime{local.tm_year + 1900,
                         local.tm_mon + 1,
                         local.tm_mday,
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec,
                         static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace chimora::platform
