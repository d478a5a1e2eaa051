#pragma once

#include <string>
#include <string_view>

#include "platform/local_date_time.h"

namespace chimora {

// The text form of a time of day, "hh:mm:ss" (24-hour, two digits each).
std::string TimeText(int hour, int minute, int second);
std::string TimeText(const platform::LocalDateTime& clock);

// The number form, hhmmss read as a decimal integer; an empty text counts as 0.
// Only the digits count, so "08:05:00" gives 80500.
long TimeNumber(std::string_view text);

// Weekday number of a date: 1 = Monday ... 7 = Sunday.
int WeekdayNumber(const platform::LocalDateTime& clock);

}  // namespace chimora

namespace chimora {

// Today's weekday number as text, "1" (Monday) to "7" (Sunday).
std::string GetTodayWeek(const platform::LocalDateTime& clock);

}  // namespace chimora
