#include "values/locale_formats.h"

#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>

#include <mutex>
#include <optional>

#include "chimdb/text_format_locale.h"

namespace chimdb {

namespace {

LocaleFormats FromUserLocale() {
    LocaleFormats formats;
    UErrorCode status = U_ZERO_ERROR;
    icu::DecimalFormatSymbols numbers(TextFormatLocale(), status);
    if (U_SUCCESS(status)) {
        std::string separator;
        numbers.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol)
            .toUTF8String(separator);
        // Only a one-byte separator can stand in a number token.
        if (separator.size() == 1)
            formats.decimalSeparator = separator[0];
    }
    status = U_ZERO_ERROR;
    icu::DateFormatSymbols dates(TextFormatLocale(), status);
    if (U_SUCCESS(status)) {
        int32_t count = 0;
        const icu::UnicodeString* texts = dates.getAmPmStrings(count);
        if (count >= 2) {
            formats.amText.clear();
            formats.pmText.clear();
            texts[0].toUTF8String(formats.amText);
            texts[1].toUTF8String(formats.pmText);
        }
    }
    return formats;
}

std::mutex& FormatsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<LocaleFormats>& Formats() {
    static std::optional<LocaleFormats> formats;
    return formats;
}

}  // namespace

LocaleFormats CurrentLocaleFormats() {
    std::lock_guard lock(FormatsMutex());
    if (!Formats())
        Formats() = FromUserLocale();
    return *Formats();
}

void SetLocaleFormats(const LocaleFormats& formats) {
    std::lock_guard lock(FormatsMutex());
    Formats() = formats;
}

void ResetLocaleFormats() {
    std::lock_guard lock(FormatsMutex());
    Formats().reset();
}

}  // namespace chimdb
