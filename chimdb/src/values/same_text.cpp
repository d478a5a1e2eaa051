#include "values/same_text.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace chimdb {

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b)
        return true;
    icu::UnicodeString left =
        icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())));
    icu::UnicodeString right =
        icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), static_cast<int32_t>(b.size())));
    if (left.isBogus() || right.isBogus())
        return false;
    return left.caseCompare(right, U_FOLD_CASE_DEFAULT) == 0;
}

}  // namespace chimdb
