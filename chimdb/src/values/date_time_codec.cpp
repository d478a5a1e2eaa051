#include "chimdb/date_time_codec.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace chimdb {

namespace {

// Day number of 1970-01-01, the epoch of the civil-date arithmetic below.
constexpr std::int32_t kDayNumberOf19700101 = kDayNumberOf18991230 + 25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
    return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at text[pos]; advances pos.
std::optional<int> ReadDigits(std::string_view text, std::size_t& pos, std::size_t digits) {
    if (pos + digits > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        char c = text[pos + i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    pos += digits;
    return value;
}

bool ReadChar(std::string_view text, std::size_t& pos, char expected) {
    if (pos >= text.size() || text[pos] != expected)
        return false;
    ++pos;
    return true;
}

std::optional<std::int32_t> ReadIsoDate(std::string_view text, std::size_t& pos) {
    auto year = ReadDigits(text, pos, 4);
    if (!year || !ReadChar(text, pos, '-'))
        return std::nullopt;
    auto month = ReadDigits(text, pos, 2);
    if (!month || !ReadChar(text, pos, '-'))
        return std::nullopt;
    auto day = ReadDigits(text, pos, 2);
    if (!day)
        return std::nullopt;
    CivilDate date{*year, *month, *day};
    if (!IsValidDate(date))
        return std::nullopt;
    return DayNumberFromDate(date);
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.f" with one to three fraction digits.
std::optional<std::int32_t> ReadIsoTime(std::string_view text, std::size_t& pos) {
    auto hour = ReadDigits(text, pos, 2);
    if (!hour || !ReadChar(text, pos, ':'))
        return std::nullopt;
    auto minute = ReadDigits(text, pos, 2);
    if (!minute)
        return std::nullopt;
    TimeOfDay time{*hour, *minute, 0, 0};
    if (ReadChar(text, pos, ':')) {
        auto second = ReadDigits(text, pos, 2);
        if (!second)
            return std::nullopt;
        time.second = *second;
        if (ReadChar(text, pos, '.')) {
            int scale = 100;
            std::size_t start = pos;
            while (pos < text.size() && pos - start < 3 && text[pos] >= '0' && text[pos] <= '9') {
                time.millisecond += (text[pos] - '0') * scale;
                scale /= 10;
                ++pos;
            }
            if (pos == start)
                return std::nullopt;
        }
    }
    if (time.hour > 23 || time.minute > 59 || time.second > 59)
        return std::nullopt;
    return MsFromTimeOfDay(time);
}

std::tm LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

bool IsValidDate(const CivilDate& date) {
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= DaysInMonth(date.year, date.month);
}

std::int32_t DayNumberFromDate(const CivilDate& date) {
    return static_cast<std::int32_t>(DaysFromCivil(date.year, static_cast<unsigned>(date.month),
                                                   static_cast<unsigned>(date.day)) +
                                     kDayNumberOf19700101);
}

CivilDate DateFromDayNumber(std::int32_t dayNumber) {
    return CivilFromDays(static_cast<std::int64_t>(dayNumber) - kDayNumberOf19700101);
}

std::int32_t MsFromTimeOfDay(const TimeOfDay& time) {
    return ((time.hour * 60 + time.minute) * 60 + time.second) * 1000 + time.millisecond;
}

TimeOfDay TimeOfDayFromMs(std::int64_t ms) {
    ms %= kMsPerDay;
    if (ms < 0)
        ms += kMsPerDay;
    auto value = static_cast<int>(ms);
    return {value / 3600000, value / 60000 % 60, value / 1000 % 60, value % 1000};
}

double DateTimeValue(std::int32_t dayNumber, std::int32_t msOfDay) {
    return static_cast<double>(dayNumber) * kMsPerDay + msOfDay;
}

void SplitDateTime(double value, std::int32_t& dayNumber, std::int32_t& msOfDay) {
    if (!std::isfinite(value) || std::fabs(value) > 1e15) {
        dayNumber = 0;
        msOfDay = 0;
        return;
    }
    const auto total = static_cast<std::int64_t>(std::llround(value));
    std::int64_t days = total / kMsPerDay;
    std::int64_t ms = total % kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --days;
    }
    dayNumber = static_cast<std::int32_t>(days);
    msOfDay = static_cast<std::int32_t>(ms);
}

std::int32_t TodayDayNumber() {
    std::tm local = LocalNow();
    return DayNumberFromDate({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
}

std::int32_t NowMsOfDay() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return MsFromTimeOfDay({local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms)});
}

std::string FormatIsoDate(std::int32_t dayNumber) {
    CivilDate date = DateFromDayNumber(dayNumber);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string FormatIsoTime(std::int32_t msOfDay) {
    TimeOfDay time = TimeOfDayFromMs(msOfDay);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", time.hour, time.minute, time.second,
                  time.millisecond);
    return text;
}

std::string FormatIsoDateTime(double value) {
    std::int32_t day = 0;
    std::int32_t ms = 0;
    SplitDateTime(value, day, ms);
    return FormatIsoDate(day) + "T" + FormatIsoTime(ms);
}

std::optional<std::int32_t> ParseIsoDate(std::string_view text) {
    std::size_t pos = 0;
    auto day = ReadIsoDate(text, pos);
    if (!day || pos != text.size())
        return std::nullopt;
    return day;
}

std::optional<std::int32_t> ParseIsoTime(std::string_view text) {
    std::size_t pos = 0;
    auto ms = ReadIsoTime(text, pos);
    if (!ms || pos != text.size())
        return std::nullopt;
    return ms;
}

std::optional<double> ParseIsoDateTime(std::string_view text) {
    std::size_t pos = 0;
    auto day = ReadIsoDate(text, pos);
    if (!day)
        return std::nullopt;
    std::int32_t ms = 0;
    if (pos < text.size()) {
        if (text[pos] != 'T' && text[pos] != ' ')
            return std::nullopt;
        ++pos;
        auto time = ReadIsoTime(text, pos);
        if (!time || pos != text.size())
            return std::nullopt;
        ms = *time;
    }
    return DateTimeValue(*day, ms);
}

}  // namespace chimdb
