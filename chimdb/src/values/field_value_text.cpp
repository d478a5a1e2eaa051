#include "values/field_value_text.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "chimdb/code_page.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "chimdb/text_format_locale.h"

namespace chimdb {

namespace {

// Day number of 1970-01-01, where ICU's UDate counts from.
constexpr std::int32_t kDayNumberOfUnixEpoch = kDayNumberOf18991230 + 25569;

template <typename T>
T Load(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::string_view TextWithinWidth(const std::uint8_t* value, std::int32_t width) {
    const auto* begin = reinterpret_cast<const char*>(value);
    const void* nul = std::memchr(begin, 0, static_cast<std::size_t>(width));
    return {begin, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin)
                       : static_cast<std::size_t>(width)};
}

// The general float format: up to 15 significant digits, no trailing zeros, an exponent
// ("1E20", "1E-5") only where fixed notation would need more digits, and the decimal
// separator of the user's locale.
std::string GeneralFloatText(double value) {
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text(buffer);
    if (auto e = text.find('E'); e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        std::string exponent = text.substr(e + 1);
        const bool negative = exponent[0] == '-';
        std::size_t digits = exponent.find_first_not_of("+-0");
        text = mantissa + "E" + (negative ? "-" : "") +
               (digits == std::string::npos ? "0" : exponent.substr(digits));
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::DecimalFormatSymbols symbols(TextFormatLocale(), status);
    if (U_SUCCESS(status)) {
        std::string separator;
        symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol)
            .toUTF8String(separator);
        if (auto dot = text.find('.'); dot != std::string::npos && !separator.empty())
            text.replace(dot, 1, separator);
    }
    return text;
}

// A date-time formatter of the text-format locale on a proleptic Gregorian calendar in UTC,
// so that the stored day and time come out unchanged whatever the machine's time zone and
// however old the date. Building one costs far more than formatting with it, and grids and
// schedules read thousands of times, so each thread keeps one per style until the locale
// changes (formatters are not safe to share between threads).
icu::DateFormat* CachedFormat(icu::DateFormat::EStyle dateStyle,
                              icu::DateFormat::EStyle timeStyle) {
    struct Slot {
        std::string localeName;
        std::unique_ptr<icu::DateFormat> format;
    };
    thread_local Slot slots[3];  // date and time, date only, time only
    Slot& slot = slots[dateStyle == icu::DateFormat::kNone   ? 2
                       : timeStyle == icu::DateFormat::kNone ? 1
                                                             : 0];
    const icu::Locale locale = TextFormatLocale();
    if (slot.format && slot.localeName == locale.getName())
        return slot.format.get();
    slot.format.reset();
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(dateStyle, timeStyle, locale));
    if (!format)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    auto calendar =
        std::make_unique<icu::GregorianCalendar>(icu::TimeZone::getGMT()->clone(), locale, status);
    if (U_FAILURE(status))
        return nullptr;
    calendar->setGregorianChange(-1e300, status);
    format->adoptCalendar(calendar.release());
    slot.format = std::move(format);
    slot.localeName = locale.getName();
    return slot.format.get();
}

// Formats a moment with the locale's short date and long time forms.
std::string LocaleDateTimeText(double dateTimeMs, bool withDate, bool withTime) {
    const auto dateStyle = withDate ? icu::DateFormat::kShort : icu::DateFormat::kNone;
    // ICU's medium time style (hours, minutes and seconds, no zone) is the long time
    // format of the desktop platforms.
    const auto timeStyle = withTime ? icu::DateFormat::kMedium : icu::DateFormat::kNone;
    icu::DateFormat* format = CachedFormat(dateStyle, timeStyle);
    if (format == nullptr)
        return {};
    const UDate moment =
        dateTimeMs - static_cast<double>(kDayNumberOfUnixEpoch) * static_cast<double>(kMsPerDay);
    icu::UnicodeString text;
    format->format(moment, text);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

bool IsPlausibleDayNumber(std::int32_t dayNumber) {
    return dayNumber >= 1 && dayNumber <= DayNumberFromDate({9999, 12, 31});
}

std::string TextOf(std::uint8_t fieldType, const std::uint8_t* value, std::int32_t width) {
    if (IsStringType(fieldType))
        return FromCodePage(TextWithinWidth(value, width));
    switch (static_cast<FieldType>(fieldType)) {
        case FieldType::ftSmallint:
            return std::to_string(Load<std::int16_t>(value));
        case FieldType::ftWord:
            return std::to_string(Load<std::uint16_t>(value));
        case FieldType::ftBoolean:
            return Load<std::int16_t>(value) != 0 ? "True" : "False";
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            return std::to_string(Load<std::int32_t>(value));
        case FieldType::ftLargeint:
            return std::to_string(Load<std::int64_t>(value));
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return GeneralFloatText(Load<double>(value));
        case FieldType::ftDate: {
            const auto day = Load<std::int32_t>(value);
            if (!IsPlausibleDayNumber(day))
                return {};
            return LocaleDateTimeText(DateTimeValue(day, 0), true, false);
        }
        case FieldType::ftTime: {
            const auto ms = Load<std::int32_t>(value);
            if (ms < 0 || ms >= kMsPerDay)
                return {};
            return LocaleDateTimeText(DateTimeValue(TodayDayNumber(), ms), false, true);
        }
        case FieldType::ftDateTime: {
            std::int32_t day = 0;
            std::int32_t ms = 0;
            const auto moment = Load<double>(value);
            if (!std::isfinite(moment))
                return {};
            SplitDateTime(moment, day, ms);
            if (!IsPlausibleDayNumber(day))
                return {};
            return LocaleDateTimeText(DateTimeValue(day, ms), true, true);
        }
        default:
            return {};
    }
}

}  // namespace

std::string FieldValueAsText(std::uint8_t fieldType, const std::uint8_t* value,
                             std::int32_t width) {
    if (!value || width <= 0)
        return {};
    const auto expected = FieldWidth(fieldType, IsStringType(fieldType) ? width - 1 : 0);
    if (!expected || *expected > width)
        return {};
    try {
        return TextOf(fieldType, value, width);
    } catch (...) {
        return {};
    }
}

}  // namespace chimdb
