#include "app/core/time_of_day.h"

#include <cstdio>

namespace chimora {

std::string TimeText(int hour, int minute, int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return text;
}

std::string TimeText(const platform::LocalDateTime& clock) {
    return TimeText(clock.hour, clock.minute, clock.second);
}

long TimeNumber(std::string_view text) {
    long number = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            number = number * 10 + (c - '0');
        }
    }
    return number;
}

int WeekdayNumber(const platform::LocalDateTime& clock) {
    // The platform counts Sunday = 1 ... Saturday = 7; the program Monday = 1 ... Sunday = 7.
    const int platformDay = clock.PlatformDayOfWeek();
    return platformDay == 1 ? 7 : platformDay - 1;
}

}  // namespace chimora

namespace chimora {

std::string GetTodayWeek(const platform::LocalDateTime& clock) {
    return std::to_string(WeekdayNumber(clock));
}

}  // namespace chimora
