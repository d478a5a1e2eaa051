#include "chimdb/store_locale.h"

#include <unicode/locid.h>

#include "chimdb/database_error.h"

namespace chimdb {

void SetStoreLocale(const std::string& name) {
    const icu::Locale locale(name.c_str());
    UErrorCode status = U_ZERO_ERROR;
    if (locale.isBogus() || locale.getLanguage()[0] == '\0')
        RaiseError("Locale '%s' is not supported", name);
    icu::Locale::setDefault(locale, status);
    if (U_FAILURE(status))
        RaiseError("Locale '%s' is not supported", name);
}

}  // namespace chimdb
