#pragma once

#include <string>

namespace chimdb {

// The user's number and date settings that the filter language reads: the decimal separator
// of numbers, the two-digit-year century window and the AM/PM texts. Taken from the user's
// default locale on first use; a program (or a test) may set them.
struct LocaleFormats {
    char decimalSeparator = '.';
    // Years; 0 means unset (two-digit years then fall in the current century).
    int twoDigitYearCenturyWindow = 0;
    std::string amText = "AM";  // UTF-8
    std::string pmText = "PM";
};

LocaleFormats CurrentLocaleFormats();
void SetLocaleFormats(const LocaleFormats& formats);
// Back to the settings of the user's locale.
void ResetLocaleFormats();

}  // namespace chimdb
