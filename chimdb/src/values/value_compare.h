#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The store's one comparison of values: key searches, unique checks and filters all
// come here, so that an index and a filter never disagree about order or equality.
namespace chimdb {

struct CompareOptions {
    bool caseInsensitive = false;  // collator strength secondary
    bool partial = false;          // compare only over the key's length (key = left operand)
};

// Locale-aware comparison (ICU collator of the user's default locale, created once and
// cached; thread-safe) of two texts in the database code page (not NUL-terminated views).
// With options.partial only the first characters of stored, as many as key holds, take
// part. Returns -1, 0, 1.
int CompareCodePageStrings(std::string_view key, std::string_view stored, CompareOptions options);

// Whether CompareCodePageStrings finds the two texts equal; sooner where it can tell without
// ordering them (most texts of a filter differ).
bool CodePageStringsEqual(std::string_view key, std::string_view stored, CompareOptions options);

// The same locale-aware comparison for texts already widened to UTF-16 (LIKE compares one
// character at a time). Returns -1, 0, 1.
int CompareWideStrings(std::u16string_view left, std::u16string_view right, bool caseInsensitive);

// The collation key of a text in the database code page: comparing two keys byte by byte
// (as std::string does) orders the texts as CompareCodePageStrings does without partial
// compare. For sorting many texts: each is converted once instead of at every comparison.
std::string CollationSortKey(std::string_view text, bool caseInsensitive);

// Code page bytes as UTF-16, converted as the comparisons convert them (bytes that are no
// character of the code page become substitution characters; nothing fails).
std::u16string WidenCodePage(std::string_view bytes);

// Compares a key value with a stored value of one field, both given in the record encoding
// of the field type (plain, already deciphered): strings NUL-terminated within width, numbers
// little-endian, dates as day numbers, times ms since midnight, date-times as doubles.
// Times and date-times within 1000 ms are equal. Returns -1, 0, 1 (key less / equal / more).
// Blob fields are not compared here (their content lies outside the record): 0.
int CompareFieldValue(std::uint8_t fieldType, const std::uint8_t* key, const std::uint8_t* stored,
                      std::int32_t width, CompareOptions options);

// Typed primitives for callers that hold values rather than record bytes (filters).
int CompareNumbers(double left, double right);
int CompareIntegers(std::int64_t left, std::int64_t right);
// Booleans have no order beyond equality; false sorts before true.
int CompareBooleans(bool left, bool right);
// Dates by day number.
int CompareDays(std::int32_t leftDay, std::int32_t rightDay);
// Times (ms since midnight) and date-times (day number x 86400000 + ms): values less
// than 1000 ms apart are equal, otherwise ordered by value.
int CompareMoments(double leftMs, double rightMs);

}  // namespace chimdb
