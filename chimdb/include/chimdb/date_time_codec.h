#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The record encodings of dates and times: a date is a day number (days since
// 0001-01-01 plus one, so 1899-12-30 is 693594), a time is milliseconds since
// midnight, a date-time is the double day number x 86400000 + milliseconds.
namespace chimdb {

inline constexpr std::int32_t kDayNumberOf18991230 = 693594;
inline constexpr std::int32_t kMsPerDay = 86400000;

struct CivilDate {
    int year = 1;
    int month = 1;
    int day = 1;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

bool IsValidDate(const CivilDate& date);
// Day number of a valid date of the proleptic Gregorian calendar (years 1..9999).
std::int32_t DayNumberFromDate(const CivilDate& date);
CivilDate DateFromDayNumber(std::int32_t dayNumber);

std::int32_t MsFromTimeOfDay(const TimeOfDay& time);
// ms outside 0..86399999 is taken modulo a day.
TimeOfDay TimeOfDayFromMs(std::int64_t ms);

double DateTimeValue(std::int32_t dayNumber, std::int32_t msOfDay);
// Splits a date-time double into day number and ms since midnight (rounded to the ms).
void SplitDateTime(double value, std::int32_t& dayNumber, std::int32_t& msOfDay);

// Today's local date and the local time of day now.
std::int32_t TodayDayNumber();
std::int32_t NowMsOfDay();

// Interchange texts of the tool: "YYYY-MM-DD", "HH:MM:SS.mmm" (seconds and milliseconds
// optional when parsing), "YYYY-MM-DDTHH:MM:SS.mmm" (a blank is accepted for the "T").
std::string FormatIsoDate(std::int32_t dayNumber);
std::string FormatIsoTime(std::int32_t msOfDay);
std::string FormatIsoDateTime(double value);
std::optional<std::int32_t> ParseIsoDate(std::string_view text);
std::optional<std::int32_t> ParseIsoTime(std::string_view text);
std::optional<double> ParseIsoDateTime(std::string_view text);

}  // namespace chimdb
