#include "app/core/school_calendar.h"

#include "chimdb/date_time_codec.h"

namespace chimora {

std::optional<CalendarRule> SchoolCalendar::RuleFor(const std::vector<CalendarRule>& rules,
                                                    std::int32_t day) {
    const CalendarRule* best = nullptr;
    for (const CalendarRule& rule : rules) {
        if (!rule.Covers(day) || !rule.Usable())
            continue;
        if (!best || rule.Span() < best->Span() ||
            (rule.Span() == best->Span() && rule.ID > best->ID))
            best = &rule;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

std::int32_t SchoolCalendar::DayOf(const platform::LocalDateTime& clock) {
    return DayOf(clock.year, clock.month, clock.day);
}

std::int32_t SchoolCalendar::DayOf(int year, int month, int day) {
    return chimdb::DayNumberFromDate({year, month, day});
}

std::string SchoolCalendar::DateText(std::int32_t day) {
    return chimdb::FormatIsoDate(day);
}

int SchoolCalendar::WeekdayOf(std::int32_t day) {
    // Day number 1 is Monday, 0001-01-01 of the proleptic Gregorian calendar.
    const int fromMonday = static_cast<int>(((day - 1) % 7 + 7) % 7);
    return fromMonday + 1;
}

std::string SchoolCalendar::WeekdayName(int weekday) {
    static const char* const kNames[] = {"星期一", "星期二", "星期三", "星期四",
                                         "星期五", "星期六", "星期日"};
    return weekday >= 1 && weekday <= 7 ? kNames[weekday - 1] : "";
}

std::string SchoolCalendar::Describe(const CalendarRule& rule) {
    std::string text;
    if (rule.KIND == CalendarRule::kNoBells)
        text = "不打铃";
    else if (rule.KIND == CalendarRule::kMakeUp)
        text = "调休：按" + WeekdayName(rule.MakeUpWeekday()) + "打铃";
    else if (rule.KIND == CalendarRule::kPlanDay)
        text = "按方案“" + rule.FANGAN + "”打铃";
    else
        text = "未知规则";
    if (!rule.NOTE.empty())
        text += "：" + rule.NOTE;
    return text;
}

std::string SchoolCalendar::RangeText(const CalendarRule& rule) {
    if (rule.DAYFROM == rule.DAYTO)
        return DateText(rule.DAYFROM);
    return DateText(rule.DAYFROM) + " 至 " + DateText(rule.DAYTO);
}

}  // namespace chimora
