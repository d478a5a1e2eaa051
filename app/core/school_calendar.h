#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/core/calendar_rule.h"
#include "platform/local_date_time.h"

namespace chimora {

// Which rule of the calendar governs a day, and the date forms the calendar uses.
class SchoolCalendar {
  public:
    // The rule for day among rules: of the usable rules that cover it, the one with the
    // shortest range, and of equally short ones the one with the highest ID (the newer
    // rule). Nothing when no rule covers the day.
    static std::optional<CalendarRule> RuleFor(const std::vector<CalendarRule>& rules,
                                               std::int32_t day);

    // The store's day number of a clock reading's date.
    static std::int32_t DayOf(const platform::LocalDateTime& clock);
    static std::int32_t DayOf(int year, int month, int day);
    // "YYYY-MM-DD".
    static std::string DateText(std::int32_t day);
    // Weekday number of a day: 1 = Monday ... 7 = Sunday.
    static int WeekdayOf(std::int32_t day);
    // "星期一" .. "星期日" for 1..7; empty otherwise.
    static std::string WeekdayName(int weekday);
    // What the rule does, for people: "不打铃", "调休：按星期一打铃", "按方案“考试”打铃",
    // followed by "：" and the note when it has one.
    static std::string Describe(const CalendarRule& rule);
    // "2026-10-01 至 2026-10-07" (one date for a single day).
    static std::string RangeText(const CalendarRule& rule);
};

}  // namespace chimora
