#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "values/locale_formats.h"

namespace chimdb {

enum class DateTimeKind { dkDate, dkTime, dkDateTime };

// Reads dates and times written in filter texts (code-page bytes). The store's own readers
// come first: month/day/year with "/" whatever the locale, two-digit years windowed, and
// times with an optional AM/PM marker. Only when they fail are the user's locale formats
// tried (short date, medium or short time).
//
// Values are in record encoding: a date its day number, a time its ms since midnight, a
// date-time day number x 86400000 + ms (a time alone lies on 30 December 1899).
class DateTimeReader {
  public:
    // currentYear is the year the two-digit-year window counts from.
    DateTimeReader(const LocaleFormats& formats, int currentYear);
    // With the current settings and this year.
    DateTimeReader();

    // The store's own readers; nothing when the text is no valid date / time.
    std::optional<std::int32_t> ReadDate(std::string_view text) const;
    std::optional<std::int32_t> ReadTime(std::string_view text) const;
    std::optional<double> ReadDateTime(std::string_view text) const;

    // The user's locale formats (the fallback).
    static std::optional<std::int32_t> ReadLocaleDate(std::string_view text);
    static std::optional<std::int32_t> ReadLocaleTime(std::string_view text);
    static std::optional<double> ReadLocaleDateTime(std::string_view text);

    // The kind a constant is converted to: its trimmed text holds a blank: date-time; else
    // a ":": time; else date.
    static DateTimeKind KindOfText(std::string_view text);
    // Whether the text reads as a date-time at all (own reader, then the locale's).
    bool ReadsAsDateTime(std::string_view text) const;
    // Converts to the given kind (own reader, then the locale's); raises "'%s' is not a
    // valid date" / "time" / "date and time" when neither reads it. The result is in the
    // encoding of the kind (a day number or ms as a double).
    double Convert(std::string_view text, DateTimeKind kind) const;

  private:
    struct Cursor;
    std::optional<std::int32_t> ScanDate(Cursor& cursor) const;
    std::optional<std::int32_t> ScanTime(Cursor& cursor) const;
    bool ScanMarker(Cursor& cursor, int& marker) const;

    LocaleFormats formats_;
    int currentYear_;
};

}  // namespace chimdb
