#include "chimdb/text_format_locale.h"

#include <mutex>
#include <optional>

#include "chimdb/database_error.h"
#include "values/locale_formats.h"

namespace chimdb {

namespace {

std::mutex& LocaleMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<icu::Locale>& ChosenLocale() {
    static std::optional<icu::Locale> locale;
    return locale;
}

}  // namespace

void SetTextFormatLocale(const std::string& name) {
    const icu::Locale locale(name.c_str());
    if (locale.isBogus() || locale.getLanguage()[0] == '\0')
        RaiseError("Locale '%s' is not supported", name);
    {
        std::lock_guard lock(LocaleMutex());
        ChosenLocale() = locale;
    }
    ResetLocaleFormats();
}

void ResetTextFormatLocale() {
    {
        std::lock_guard lock(LocaleMutex());
        ChosenLocale().reset();
    }
    ResetLocaleFormats();
}

icu::Locale TextFormatLocale() {
    std::lock_guard lock(LocaleMutex());
    return ChosenLocale() ? *ChosenLocale() : icu::Locale::getDefault();
}

}  // namespace chimdb
