#include "filter/like_matcher.h"

#include "values/value_compare.h"

namespace chimdb {

namespace {

constexpr char32_t kAnyRun = U'%';
constexpr char32_t kAnyOne = U'_';

bool IsAsciiAlnum(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

char32_t AsciiLower(char32_t c) {
    return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
}

std::u16string Utf16Of(char32_t c) {
    std::u16string out;
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
    return out;
}

}  // namespace

LikeMatcher::LikeMatcher(std::string_view patternBytes, bool caseInsensitive)
    : pattern_(Characters(patternBytes)), caseInsensitive_(caseInsensitive) {}

std::u32string LikeMatcher::Characters(std::string_view bytes) {
    const std::u16string wide = WidenCodePage(bytes);
    std::u32string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        out += c;
    }
    return out;
}

// Letters and digits of ASCII are told apart without the collator (their order is the same in
// every locale); everything else goes through the store's comparison.
bool LikeMatcher::SameCharacter(char32_t patternChar, char32_t textChar) const {
    if (patternChar == textChar)
        return true;
    if (IsAsciiAlnum(patternChar) && IsAsciiAlnum(textChar))
        return caseInsensitive_ && AsciiLower(patternChar) == AsciiLower(textChar);
    return CompareWideStrings(Utf16Of(patternChar), Utf16Of(textChar), caseInsensitive_) == 0;
}

bool LikeMatcher::Matches(std::string_view textBytes) const {
    return MatchesCharacters(Characters(textBytes));
}

bool LikeMatcher::MatchesCharacters(std::u32string_view text) const {
    std::size_t steps = 0;
    return *Match(text, static_cast<std::size_t>(-1), steps);
}

std::optional<bool> LikeMatcher::MatchesWithin(std::string_view textBytes, std::size_t maxSteps,
                                               std::size_t& steps) const {
    return Match(Characters(textBytes), maxSteps, steps);
}

std::optional<bool> LikeMatcher::Match(std::u32string_view text, std::size_t maxSteps,
                                       std::size_t& steps) const {
    const std::size_t patternSize = pattern_.size();
    const std::size_t textSize = text.size();
    std::size_t p = 0;
    std::size_t t = 0;
    // The most recent "%" and the text position its run currently ends at.
    std::size_t starPattern = std::u32string::npos;
    std::size_t starText = 0;
    while (t < textSize) {
        if (++steps > maxSteps)
            return std::nullopt;
        if (p < patternSize && pattern_[p] == kAnyRun) {
            if (p + 1 == patternSize)
                return true;
            starPattern = p;
            starText = t;
            ++p;
            continue;
        }
        if (p < patternSize && (pattern_[p] == kAnyOne || SameCharacter(pattern_[p], text[t]))) {
            ++p;
            ++t;
            continue;
        }
        if (starPattern == std::u32string::npos)
            return false;
        // Lengthen the run of the last "%" by one character and try the rest again.
        p = starPattern + 1;
        t = ++starText;
    }
    // The text is used up: only an empty rest or a single "%" matches nothing.
    return p == patternSize || (p + 1 == patternSize && pattern_[p] == kAnyRun);
}

}  // namespace chimdb
