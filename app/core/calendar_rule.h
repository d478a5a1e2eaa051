#pragma once

#include <cstdint>
#include <string>

namespace chimora {

// One rule of the school calendar, a record of table Calendar. Dates are the store's day
// numbers (days since 0001-01-01 plus one), so that ranges compare and subtract as integers.
struct CalendarRule {
    static constexpr const char* kNoBells = "0";  // nothing rings on these days
    static constexpr const char* kMakeUp = "1";   // the days ring as weekday WEEKDAY
    static constexpr const char* kPlanDay = "2";  // the days ring the entries of plan FANGAN

    std::int32_t ID = 0;
    std::int32_t DAYFROM = 0;
    std::int32_t DAYTO = 0;
    std::string KIND;
    std::string WEEKDAY;  // "1" Monday .. "7" Sunday; for a make-up day
    std::string FANGAN;   // the plan of a plan day
    std::string NOTE;

    bool Covers(std::int32_t day) const { return DAYFROM <= day && day <= DAYTO; }
    // Days covered minus one: what "the shortest range" compares.
    std::int32_t Span() const { return DAYTO - DAYFROM; }
    // The weekday a make-up day rings as, 1..7; 0 when WEEKDAY is none of "1".."7".
    int MakeUpWeekday() const;
    // A rule the engine can follow: a range in order, a known kind, a make-up day with a
    // weekday, a plan day with a plan. Others (written by hand, by another tool) are skipped.
    bool Usable() const;

    bool operator==(const CalendarRule&) const = default;
};

}  // namespace chimora
