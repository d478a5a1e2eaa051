#pragma once

#include <string>

#include <unicode/locid.h>

namespace chimdb {

// The locale whose forms the store uses for the text of field values: dates, times and
// numbers, read and written. It is the user's default locale unless a host sets another,
// for instance a program whose data is kept in a fixed time form whatever the desktop's
// locale. Text comparison (collation) always follows the user's default locale, so that
// index order stays the same for every program of the user that opens the file.
// name is an ICU locale name such as "zh_CN"; an unknown name raises DatabaseError.
void SetTextFormatLocale(const std::string& name);
// Back to the user's default locale.
void ResetTextFormatLocale();

icu::Locale TextFormatLocale();

}  // namespace chimdb
