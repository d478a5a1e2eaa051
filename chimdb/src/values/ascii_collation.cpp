#include "values/ascii_collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace chimdb {

namespace {

constexpr char kFirstPrintable = 0x20;
constexpr char kLastPrintable = 0x7E;

struct UCollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using UCollatorPtr = std::unique_ptr<UCollator, UCollatorCloser>;
struct USetCloser {
    void operator()(USet* set) const { uset_close(set); }
};
using USetPtr = std::unique_ptr<USet, USetCloser>;

int Sign(int value) {
    return (value > 0) - (value < 0);
}

bool OptionsKeepCharacterOrder(const icu::Collator& collator) {
    UErrorCode status = U_ZERO_ERROR;
    const bool plain = collator.getAttribute(UCOL_NUMERIC_COLLATION, status) == UCOL_OFF &&
                       collator.getAttribute(UCOL_FRENCH_COLLATION, status) == UCOL_OFF &&
                       collator.getAttribute(UCOL_CASE_LEVEL, status) == UCOL_OFF &&
                       collator.getAttribute(UCOL_ALTERNATE_HANDLING, status) == UCOL_NON_IGNORABLE;
    const UColAttributeValue strength = collator.getAttribute(UCOL_STRENGTH, status);
    return U_SUCCESS(status) && plain && (strength == UCOL_SECONDARY || strength == UCOL_TERTIARY);
}

// The ASCII characters of the sets, and those of their strings made only of ASCII: a string
// with another character in it (a letter with a combining accent) never matches inside an
// ASCII text.
std::vector<bool> CharactersIn(const USet* first, const USet* second) {
    std::vector<bool> found(128, false);
    for (const USet* set : {first, second}) {
        for (int32_t item = 0; item < uset_getItemCount(set); ++item) {
            UChar32 start = 0;
            UChar32 end = 0;
            UChar text[64];
            UErrorCode status = U_ZERO_ERROR;
            const int32_t length = uset_getItem(set, item, &start, &end, text, 64, &status);
            if (status == U_BUFFER_OVERFLOW_ERROR)
                return std::vector<bool>(128, true);
            if (length == 0) {
                for (UChar32 c = start; c <= std::min<UChar32>(end, 127); ++c)
                    found[static_cast<std::size_t>(c)] = true;
                continue;
            }
            if (std::all_of(text, text + length, [](UChar unit) { return unit < 128; }))
                for (int32_t i = 0; i < length; ++i)
                    found[text[i]] = true;
        }
    }
    return found;
}

// The printable characters that take part in a contraction or an expansion of the collator's
// locale, or that do not have exactly one collation element with a primary weight.
std::vector<bool> CharactersOfTheirOwn(const icu::Collator& collator) {
    std::vector<bool> own(128, false);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = collator.getLocale(ULOC_ACTUAL_LOCALE, status);
    UCollatorPtr plain(ucol_open(U_SUCCESS(status) ? locale.getName() : "", &status));
    USetPtr contractions(uset_openEmpty());
    USetPtr expansions(uset_openEmpty());
    if (U_FAILURE(status) || !plain || !contractions || !expansions)
        return own;
    ucol_getContractionsAndExpansions(plain.get(), contractions.get(), expansions.get(), true,
                                      &status);
    if (U_FAILURE(status))
        return own;
    const std::vector<bool> shared = CharactersIn(contractions.get(), expansions.get());
    for (char c = kFirstPrintable; c <= kLastPrintable; ++c) {
        const UChar unit = static_cast<UChar>(c);
        if (shared[static_cast<std::size_t>(c)])
            continue;
        UCollationElements* elements = ucol_openElements(plain.get(), &unit, 1, &status);
        if (U_FAILURE(status) || elements == nullptr)
            return std::vector<bool>(128, false);
        int count = 0;
        bool primary = true;
        for (int32_t element = ucol_next(elements, &status);
             element != UCOL_NULLORDER && U_SUCCESS(status);
             element = ucol_next(elements, &status)) {
            ++count;
            primary = primary && ucol_primaryOrder(element) != 0;
        }
        ucol_closeElements(elements);
        own[static_cast<std::size_t>(c)] = U_SUCCESS(status) && count == 1 && primary;
    }
    return own;
}

}  // namespace

std::unique_ptr<AsciiCollation> AsciiCollation::Learn(const icu::Collator& collator) {
    if (!OptionsKeepCharacterOrder(collator))
        return nullptr;
    const std::vector<bool> own = CharactersOfTheirOwn(collator);
    std::vector<char> characters;
    for (char c = kFirstPrintable; c <= kLastPrintable; ++c)
        if (own[static_cast<std::size_t>(c)])
            characters.push_back(c);
    if (characters.empty())
        return nullptr;

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<AsciiCollation> order(new AsciiCollation());
    order->tertiaryLevel_ = collator.getAttribute(UCOL_STRENGTH, status) == UCOL_TERTIARY;
    // A character's weight at a level is its rank among the characters at that strength: at a
    // lower level only characters equal at the levels above are ever compared, so the rank
    // orders them as the level's own weights do.
    const std::pair<UColAttributeValue, Weights*> levels[] = {{UCOL_PRIMARY, &order->primary_},
                                                              {UCOL_SECONDARY, &order->secondary_},
                                                              {UCOL_TERTIARY, &order->tertiary_}};
    for (auto [strength, weights] : levels) {
        std::unique_ptr<icu::Collator> atLevel(collator.clone());
        if (!atLevel)
            return nullptr;
        atLevel->setAttribute(UCOL_STRENGTH, strength, status);
        auto compare = [&](char a, char b) {
            UErrorCode error = U_ZERO_ERROR;
            const UChar left = static_cast<UChar>(a);
            const UChar right = static_cast<UChar>(b);
            return atLevel->compare(&left, 1, &right, 1, error);
        };
        std::vector<char> sorted = characters;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](char a, char b) { return compare(a, b) == UCOL_LESS; });
        std::uint8_t rank = 0;
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            if (i == 0 || compare(sorted[i - 1], sorted[i]) != UCOL_EQUAL)
                ++rank;
            (*weights)[static_cast<std::size_t>(sorted[i])] = rank;
        }
    }
    const Weights& finest = order->tertiaryLevel_ ? order->tertiary_ : order->secondary_;
    std::vector<std::uint8_t> ranks;
    for (char c : characters)
        ranks.push_back(finest[static_cast<std::size_t>(c)]);
    std::sort(ranks.begin(), ranks.end());
    order->distinctCharacters_ = std::adjacent_find(ranks.begin(), ranks.end()) == ranks.end();
    if (U_FAILURE(status) || !order->CheckAgainst(collator))
        return nullptr;
    return order;
}

bool AsciiCollation::Simple(std::string_view text) const {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128 || primary_[byte] == 0)
            return false;
    }
    return true;
}

int AsciiCollation::Equal(std::string_view left, std::string_view right) const {
    if (!Simple(left) || !Simple(right))
        return kNotSimple;
    if (distinctCharacters_)
        return left == right ? 1 : 0;
    return Compare(left, right) == 0 ? 1 : 0;
}

int AsciiCollation::Compare(std::string_view left, std::string_view right) const {
    if (!Simple(left) || !Simple(right))
        return kNotSimple;
    const std::size_t common = std::min(left.size(), right.size());
    auto level = [&](const Weights& weights) {
        for (std::size_t i = 0; i < common; ++i) {
            const int a = weights[static_cast<unsigned char>(left[i])];
            const int b = weights[static_cast<unsigned char>(right[i])];
            if (a != b)
                return a < b ? -1 : 1;
        }
        return 0;
    };
    if (int result = level(primary_); result != 0)
        return result;
    // Every character has a primary weight, so texts equal so far differ in length only
    // when one is the other's beginning.
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    if (int result = level(secondary_); result != 0 || !tertiaryLevel_)
        return result;
    return level(tertiary_);
}

// Texts that differ the ways that matter (case, one character, a character more, two swapped)
// and texts that differ anywhere, over the characters whose order was learnt.
bool AsciiCollation::CheckAgainst(const icu::Collator& collator) const {
    std::string alphabet;
    for (char c = kFirstPrintable; c <= kLastPrintable; ++c)
        if (primary_[static_cast<std::size_t>(c)] != 0)
            alphabet += c;
    std::mt19937 random(20261210);
    auto pick = [&] { return alphabet[random() % alphabet.size()]; };
    auto text = [&](std::size_t most) {
        std::string out(random() % (most + 1), ' ');
        for (char& c : out)
            c = pick();
        return out;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string left = text(6);
        std::string right = left;
        switch (round % 6) {
            case 0:
                right = text(6);
                break;
            case 1:
                for (char& c : right)
                    if (random() % 2 == 0)
                        c = static_cast<char>(std::isupper(static_cast<unsigned char>(c))
                                                  ? std::tolower(static_cast<unsigned char>(c))
                                                  : std::toupper(static_cast<unsigned char>(c)));
                break;
            case 2:
                if (!right.empty())
                    right[random() % right.size()] = pick();
                break;
            case 3:
                right += pick();
                break;
            case 4:
                if (right.size() >= 2)
                    std::swap(right[0], right[1 + random() % (right.size() - 1)]);
                break;
            default:
                right = left + text(2);
                left += text(2);
                break;
        }
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString a(left.data(), static_cast<int32_t>(left.size()), US_INV);
        const icu::UnicodeString b(right.data(), static_cast<int32_t>(right.size()), US_INV);
        const int expected = Sign(static_cast<int>(collator.compare(a, b, status)));
        if (U_FAILURE(status) || Compare(left, right) != expected ||
            Equal(left, right) != (expected == 0 ? 1 : 0))
            return false;
    }
    return true;
}

}  // namespace chimdb
