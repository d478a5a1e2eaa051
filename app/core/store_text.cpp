#include "app/core/store_text.h"

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"

namespace chimora {

bool StoreText::Fits(std::string_view text) {
    try {
        chimdb::ToCodePage(text);
        return true;
    } catch (const chimdb::DatabaseError&) {
        return false;
    }
}

std::size_t StoreText::Width(std::string_view text) {
    return chimdb::ToCodePage(text).size();
}

std::string StoreText::CutToWidth(std::string_view text, std::size_t width) {
    std::string kept;
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        // One UTF-8 character: a lead byte and its continuation bytes.
        std::size_t length = 1;
        while (i + length < text.size() &&
               (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80)
            ++length;
        const std::string_view character = text.substr(i, length);
        i += length;
        if (!Fits(character))
            continue;
        const std::size_t bytes = Width(character);
        if (used + bytes > width)
            break;
        used += bytes;
        kept += character;
    }
    return kept;
}

std::string StoreText::Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

bool StoreText::SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace chimora
