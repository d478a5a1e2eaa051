#include "filter/expr_parser_base.h"

#include <unicode/utf8.h>

#include <cstdio>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"

namespace chimdb {

namespace {

[[noreturn]] void RaiseInvalidCharacter(std::string_view shown) {
    RaiseError("Invalid filter expression character: '%s'", shown);
}

// Finds the character that stopped the conversion to the code page and reports it: a byte
// that is no UTF-8 by its value, a character the code page lacks as itself.
[[noreturn]] void RaiseUnconvertible(std::string_view utf8) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<std::int32_t>(utf8.size());
    std::int32_t at = 0;
    while (at < length) {
        const std::int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c < 0) {
            char shown[8];
            std::snprintf(shown, sizeof shown, "#$%02X", bytes[start]);
            RaiseInvalidCharacter(shown);
        }
        if (c < 0x80)
            continue;
        const std::string_view character =
            utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start));
        try {
            ToCodePage(character);
        } catch (const DatabaseError&) {
            RaiseInvalidCharacter(character);
        }
    }
    RaiseInvalidCharacter("?");
}

std::string FilterTextToCodePage(std::string_view utf8) {
    try {
        return ToCodePage(utf8);
    } catch (const DatabaseError&) {
        RaiseUnconvertible(utf8);
    }
}

}  // namespace

void ExprParserBase::Parse(std::string_view text) {
    nodes_.Clear();
    try {
        SetSource(FilterTextToCodePage(text));
        NextToken();
        ExprNode* root = ParseExpression();
        if (Token() != TokenKind::tkEnd)
            RaiseError("Filter expression incorrectly terminated");
        nodes_.SetRoot(root);
    } catch (...) {
        nodes_.Clear();
        throw;
    }
}

}  // namespace chimdb
