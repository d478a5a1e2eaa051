// The order learnt for ASCII texts must be the collator's own wherever it is used, in every
// locale a school might run; where a locale orders them otherwise, it must not be used.
#include "values/ascii_collation.h"

#include <gtest/gtest.h>
#include <unicode/coll.h>

#include <memory>
#include <random>
#include <string>

namespace chimdb {
namespace {

std::unique_ptr<icu::Collator> CollatorFor(const char* locale, UColAttributeValue strength) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale::createCanonical(locale), status));
    EXPECT_TRUE(U_SUCCESS(status));
    collator->setAttribute(UCOL_STRENGTH, strength, status);
    return collator;
}

int ByCollator(const icu::Collator& collator, const std::string& a, const std::string& b) {
    UErrorCode status = U_ZERO_ERROR;
    const int result = collator.compare(icu::UnicodeString(a.c_str(), "US-ASCII"),
                                        icu::UnicodeString(b.c_str(), "US-ASCII"), status);
    return (result > 0) - (result < 0);
}

struct Case {
    const char* locale;
    UColAttributeValue strength;
};

class AsciiCollationTest : public ::testing::TestWithParam<Case> {};

TEST_P(AsciiCollationTest, OrdersEveryTextAsTheCollatorOrLeavesItToTheCollator) {
    auto collator = CollatorFor(GetParam().locale, GetParam().strength);
    std::unique_ptr<AsciiCollation> order = AsciiCollation::Learn(*collator);
    if (!order)
        GTEST_SKIP() << GetParam().locale << " orders ASCII texts its own way";
    // Texts over letters that locales treat specially (c, h, i, I, a, o), digits, blanks,
    // punctuation and the file names of a schedule.
    const std::string alphabet = "cChHiIaAoOzZ09 -_.\\'`~!";
    std::mt19937 random(7);
    int decided = 0;
    for (int round = 0; round < 40000; ++round) {
        std::string a(random() % 5, ' ');
        std::string b(random() % 5, ' ');
        for (char& c : a)
            c = alphabet[random() % alphabet.size()];
        for (char& c : b)
            c = alphabet[random() % alphabet.size()];
        if (round % 3 == 0)
            b = a + b;
        const int fast = order->Compare(a, b);
        if (fast == AsciiCollation::kNotSimple)
            continue;
        ++decided;
        const int expected = ByCollator(*collator, a, b);
        ASSERT_EQ(fast, expected) << "'" << a << "' vs '" << b << "'";
        ASSERT_EQ(order->Equal(a, b), expected == 0 ? 1 : 0) << "'" << a << "' = '" << b << "'";
    }
    EXPECT_GT(decided, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, AsciiCollationTest,
    ::testing::Values(Case{"", UCOL_TERTIARY}, Case{"", UCOL_SECONDARY},
                      Case{"en_US", UCOL_TERTIARY}, Case{"zh_CN", UCOL_TERTIARY},
                      Case{"zh_CN", UCOL_SECONDARY}, Case{"cs_CZ", UCOL_TERTIARY},
                      Case{"tr_TR", UCOL_SECONDARY}, Case{"da_DK", UCOL_TERTIARY},
                      Case{"de_DE", UCOL_SECONDARY}, Case{"sv_SE", UCOL_TERTIARY}));

TEST(AsciiCollationScopeTest, ContractionsAndNumericOrderAreLeftToTheCollator) {
    // Czech sorts "ch" after "h": a text with c or h is not compared by characters.
    auto czech = CollatorFor("cs_CZ", UCOL_TERTIARY);
    std::unique_ptr<AsciiCollation> order = AsciiCollation::Learn(*czech);
    if (order) {
        EXPECT_EQ(order->Compare("chata", "hrad"), AsciiCollation::kNotSimple);
    }
    auto numeric = CollatorFor("en_US@colNumeric=yes", UCOL_TERTIARY);
    EXPECT_EQ(AsciiCollation::Learn(*numeric), nullptr);
}

TEST(AsciiCollationScopeTest, OtherBytesAreLeftToTheCollator) {
    auto collator = CollatorFor("", UCOL_TERTIARY);
    std::unique_ptr<AsciiCollation> order = AsciiCollation::Learn(*collator);
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->Compare("a\tb", "ab"), AsciiCollation::kNotSimple);  // tab is ignorable
    EXPECT_EQ(order->Compare("\xC3\xE8", "a"), AsciiCollation::kNotSimple);
    EXPECT_EQ(order->Compare("a", "B"), -1);
    EXPECT_EQ(order->Compare("b", "B"), -1);
    EXPECT_EQ(order->Compare("Aa", "ab"), -1);
}

}  // namespace
}  // namespace chimdb
