#pragma once

#include <cstdint>

namespace chimora::platform {

// A reading of the local wall clock.
struct LocalDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    // Days since 1970-01-01 of the civil date (proleptic Gregorian).
    std::int64_t DayNumber() const {
        const int y = month <= 2 ? year - 1 : year;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const int yoe = static_cast<int>(y - era * 400);
        const int mp = (month + 9) % 12;
        const int doy = (153 * mp + 2) / 5 + day - 1;
        const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    // Seconds on a local time line: equal steps of the wall clock give equal differences,
    // which is what deciding "how long ago was the previous tick" needs.
    std::int64_t LocalSeconds() const {
        return DayNumber() * 86400 + hour * 3600 + minute * 60 + second;
    }

    // Day of the week counted the way the platform does: Sunday = 1 ... Saturday = 7.
    int PlatformDayOfWeek() const {
        const std::int64_t d = DayNumber();  // 1970-01-01 was a Thursday (5)
        return static_cast<int>(((d % 7) + 7 + 4) % 7) + 1;
    }

    bool SameDate(const LocalDateTime& other) const {
        return year == other.year && month == other.month && day == other.day;
    }
};

}  // namespace chimora::platform
