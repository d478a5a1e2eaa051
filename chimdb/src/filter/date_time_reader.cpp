#include "filter/date_time_reader.h"

#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <ctime>
#include <memory>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/text_format_locale.h"

namespace chimdb {

namespace {

constexpr std::int32_t kDayNumberOfUnixEpoch = kDayNumberOf18991230 + 25569;
constexpr double kMsPerDayDouble = static_cast<double>(kMsPerDay);
// Accumulating a number stops here: no part of a date or time needs more digits.
constexpr int kNumberCap = 1000;

enum Marker { kNoMarker, kAm, kPm };

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) >= 1 && static_cast<unsigned char>(c) <= 32;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\0'))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view word) {
    if (word.empty() || text.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char a = text[i];
        char b = word[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}

std::string CodePageOrEmpty(const std::string& utf8) {
    try {
        return ToCodePage(utf8);
    } catch (const DatabaseError&) {
        return {};
    }
}

int ThisYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// Parses the whole text with one of the locale's formats, taken on a proleptic Gregorian
// calendar in UTC so that the day and time come out as written.
std::optional<double> ParseWithLocale(std::string_view codePageText, icu::DateFormat* format) {
    if (format == nullptr || codePageText.empty())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(icu::TimeZone::getGMT()->clone(),
                                                             TextFormatLocale(), status);
    if (U_FAILURE(status))
        return std::nullopt;
    calendar->setGregorianChange(-1e300, status);
    calendar->setLenient(false);
    format->adoptCalendar(calendar.release());
    format->setLenient(false);
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(FromCodePage(codePageText));
    icu::ParsePosition position(0);
    const UDate moment = format->parse(text, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != text.length())
        return std::nullopt;
    const double ms = moment + static_cast<double>(kDayNumberOfUnixEpoch) * kMsPerDayDouble;
    if (!std::isfinite(ms) || ms < kMsPerDayDouble ||
        ms >= (static_cast<double>(DayNumberFromDate({9999, 12, 31})) + 1) * kMsPerDayDouble)
        return std::nullopt;
    return ms;
}

}  // namespace

struct DateTimeReader::Cursor {
    std::string_view text;
    std::size_t position = 0;

    bool AtEnd() const { return position >= text.size(); }
    char Peek() const { return AtEnd() ? '\0' : text[position]; }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(Peek()))
            ++position;
    }
    bool Take(char c) {
        if (Peek() != c || AtEnd())
            return false;
        ++position;
        return true;
    }
    // Digits up to the first non-digit; nothing when there is none.
    std::optional<int> Number(int& digits) {
        int value = 0;
        digits = 0;
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            if (value < kNumberCap)
                value = value * 10 + (Peek() - '0');
            ++digits;
            ++position;
        }
        if (digits == 0)
            return std::nullopt;
        return value;
    }
};

DateTimeReader::DateTimeReader(const LocaleFormats& formats, int currentYear)
    : formats_(formats), currentYear_(currentYear) {}

DateTimeReader::DateTimeReader() : DateTimeReader(CurrentLocaleFormats(), ThisYear()) {}

std::optional<std::int32_t> DateTimeReader::ScanDate(Cursor& cursor) const {
    cursor.SkipBlanks();
    int digits = 0;
    const auto month = cursor.Number(digits);
    if (!month || !cursor.Take('/'))
        return std::nullopt;
    const auto day = cursor.Number(digits);
    if (!day || !cursor.Take('/'))
        return std::nullopt;
    auto year = cursor.Number(digits);
    if (!year)
        return std::nullopt;
    if (digits <= 2) {
        const int window = formats_.twoDigitYearCenturyWindow;
        const int threshold = currentYear_ - window;
        *year += (threshold / 100) * 100;
        if (window != 0 && *year < threshold)
            *year += 100;
    }
    const CivilDate date{*year, *month, *day};
    if (!IsValidDate(date))
        return std::nullopt;
    return DayNumberFromDate(date);
}

bool DateTimeReader::ScanMarker(Cursor& cursor, int& marker) const {
    const std::string_view rest = cursor.text.substr(cursor.position);
    const std::string localAm = CodePageOrEmpty(formats_.amText);
    const std::string localPm = CodePageOrEmpty(formats_.pmText);
    for (const auto& [text, kind] : {std::pair<std::string_view, int>{localAm, kAm},
                                     {localPm, kPm},
                                     {"AM", kAm},
                                     {"PM", kPm}}) {
        if (StartsWithIgnoringAsciiCase(rest, text)) {
            cursor.position += text.size();
            marker = kind;
            return true;
        }
    }
    return false;
}

std::optional<std::int32_t> DateTimeReader::ScanTime(Cursor& cursor) const {
    int marker = kNoMarker;
    cursor.SkipBlanks();
    if (ScanMarker(cursor, marker))
        cursor.SkipBlanks();
    int digits = 0;
    auto hour = cursor.Number(digits);
    if (!hour)
        return std::nullopt;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    if (cursor.Take(':')) {
        const auto value = cursor.Number(digits);
        if (!value)
            return std::nullopt;
        minute = *value;
        if (cursor.Take(':')) {
            const auto seconds = cursor.Number(digits);
            if (!seconds)
                return std::nullopt;
            second = *seconds;
            if (cursor.Take(formats_.decimalSeparator)) {
                const auto ms = cursor.Number(digits);
                if (!ms)
                    return std::nullopt;
                millisecond = *ms;
            }
        }
    }
    cursor.SkipBlanks();
    if (marker == kNoMarker && ScanMarker(cursor, marker))
        cursor.SkipBlanks();
    if (!cursor.AtEnd())
        return std::nullopt;
    if (marker != kNoMarker) {
        if (*hour < 1 || *hour > 12)
            return std::nullopt;
        if (*hour == 12)
            *hour = 0;
        if (marker == kPm)
            *hour += 12;
    }
    if (*hour > 23 || minute > 59 || second > 59 || millisecond > 999)
        return std::nullopt;
    return MsFromTimeOfDay({*hour, minute, second, millisecond});
}

std::optional<std::int32_t> DateTimeReader::ReadDate(std::string_view text) const {
    Cursor cursor{text};
    const auto day = ScanDate(cursor);
    cursor.SkipBlanks();
    if (!day || !cursor.AtEnd())
        return std::nullopt;
    return day;
}

std::optional<std::int32_t> DateTimeReader::ReadTime(std::string_view text) const {
    Cursor cursor{text};
    return ScanTime(cursor);
}

std::optional<double> DateTimeReader::ReadDateTime(std::string_view text) const {
    Cursor cursor{text};
    if (const auto day = ScanDate(cursor)) {
        cursor.SkipBlanks();
        const double dayMs = static_cast<double>(*day) * kMsPerDayDouble;
        if (cursor.AtEnd())
            return dayMs;
        if (const auto ms = ScanTime(cursor))
            return dayMs + *ms;
        return std::nullopt;
    }
    if (const auto ms = ReadTime(text))
        return static_cast<double>(kDayNumberOf18991230) * kMsPerDayDouble + *ms;
    return std::nullopt;
}

std::optional<std::int32_t> DateTimeReader::ReadLocaleDate(std::string_view text) {
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kShort, TextFormatLocale()));
    const auto ms = ParseWithLocale(text, format.get());
    if (!ms)
        return std::nullopt;
    return static_cast<std::int32_t>(std::floor(*ms / kMsPerDayDouble));
}

std::optional<std::int32_t> DateTimeReader::ReadLocaleTime(std::string_view text) {
    for (const auto style : {icu::DateFormat::kMedium, icu::DateFormat::kShort}) {
        std::unique_ptr<icu::DateFormat> format(
            icu::DateFormat::createTimeInstance(style, TextFormatLocale()));
        if (const auto ms = ParseWithLocale(text, format.get())) {
            const double ofDay = std::fmod(*ms, kMsPerDayDouble);
            return static_cast<std::int32_t>(ofDay);
        }
    }
    return std::nullopt;
}

std::optional<double> DateTimeReader::ReadLocaleDateTime(std::string_view text) {
    for (const auto style : {icu::DateFormat::kMedium, icu::DateFormat::kShort}) {
        std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
            icu::DateFormat::kShort, style, TextFormatLocale()));
        if (const auto ms = ParseWithLocale(text, format.get()))
            return ms;
    }
    if (const auto day = ReadLocaleDate(text))
        return static_cast<double>(*day) * kMsPerDayDouble;
    return std::nullopt;
}

DateTimeKind DateTimeReader::KindOfText(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    if (trimmed.find(' ') != std::string_view::npos)
        return DateTimeKind::dkDateTime;
    if (trimmed.find(':') != std::string_view::npos)
        return DateTimeKind::dkTime;
    return DateTimeKind::dkDate;
}

bool DateTimeReader::ReadsAsDateTime(std::string_view text) const {
    const std::string_view trimmed = Trim(text);
    return ReadDateTime(trimmed).has_value() || ReadLocaleDateTime(trimmed).has_value() ||
           ReadLocaleTime(trimmed).has_value();
}

double DateTimeReader::Convert(std::string_view text, DateTimeKind kind) const {
    const std::string_view trimmed = Trim(text);
    switch (kind) {
        case DateTimeKind::dkDate:
            if (auto day = ReadDate(trimmed))
                return *day;
            if (auto day = ReadLocaleDate(trimmed))
                return *day;
            RaiseError("'%s' is not a valid date", FromCodePage(trimmed));
        case DateTimeKind::dkTime:
            if (auto ms = ReadTime(trimmed))
                return *ms;
            if (auto ms = ReadLocaleTime(trimmed))
                return *ms;
            RaiseError("'%s' is not a valid time", FromCodePage(trimmed));
        case DateTimeKind::dkDateTime:
            if (auto ms = ReadDateTime(trimmed))
                return *ms;
            if (auto ms = ReadLocaleDateTime(trimmed))
                return *ms;
            RaiseError("'%s' is not a valid date and time", FromCodePage(trimmed));
    }
    RaiseError("'%s' is not a valid date and time", FromCodePage(trimmed));
}

}  // namespace chimdb
