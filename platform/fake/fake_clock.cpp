#include "platform/fake/fake_clock.h"

#include <chrono>

namespace chimora::platform {

void FakeClock::Advance(int seconds) {
    using namespace std::chrono;
    const std::int64_t total = now_.LocalSeconds() + seconds;
    const std::int64_t days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
    const int secondOfDay = static_cast<int>(total - days * 86400);
    const year_month_day date{sys_days{std::chrono::days{days}}};
    now_.year = static_cast<int>(date.year());
    now_.month = static_cast<int>(static_cast<unsigned>(date.month()));
    now_.day = static_cast<int>(static_cast<unsigned>(date.day()));
    now_.hour = secondOfDay / 3600;
    now_.minute = secondOfDay / 60 % 60;
    now_.second = secondOfDay % 60;
}

}  // namespace chimora::platform
