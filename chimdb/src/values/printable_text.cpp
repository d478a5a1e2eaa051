#include "values/printable_text.h"

#include <unicode/utf8.h>

#include <cstdio>

namespace chimdb {

namespace {

// Characters that change how the text around them is laid out or read.
bool IsLayoutControl(UChar32 c) {
    return c == 0x2028 || c == 0x2029 ||  // line and paragraph separator
           c == 0x200E || c == 0x200F ||  // direction marks
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendEscape(std::string& out, const char* pattern, unsigned value) {
    char shown[12];
    std::snprintf(shown, sizeof shown, pattern, value);
    out += shown;
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t at = 0;
    while (at < length) {
        const std::int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c < 0) {
            for (std::int32_t i = start; i < at; ++i)
                AppendEscape(out, "\\x%02X", bytes[i]);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, "\\x%02X", static_cast<unsigned>(c));
        } else if ((c >= 0x80 && c <= 0x9F) || IsLayoutControl(c)) {
            AppendEscape(out, "\\u%04X", static_cast<unsigned>(c));
        } else {
            out.append(
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
        }
    }
    return out;
}

}  // namespace chimdb
