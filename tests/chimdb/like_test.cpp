// LIKE matching: the documented edge cases, double-byte characters, case, the trailing "%%" rule,
// agreement with a plain recursive definition on random inputs, and no blow-up on patterns
// that are exponential for a naive search.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "chimdb/code_page.h"
#include "filter/like_matcher.h"
#include "values/value_compare.h"

namespace chimdb {
namespace {

bool Like(std::string_view text, std::string_view pattern, bool caseInsensitive = false) {
    return LikeMatcher(pattern, caseInsensitive).Matches(text);
}

bool LikeUtf8(const std::string& text, const std::string& pattern, bool caseInsensitive = false) {
    return Like(ToCodePage(text), ToCodePage(pattern), caseInsensitive);
}

// The rule written as directly as possible: "%" tries every run from the shortest, but hands
// the rest of the pattern only a text that still has characters, unless it is the last one.
bool Reference(std::u32string_view text, std::u32string_view pattern) {
    if (pattern.empty())
        return text.empty();
    if (pattern[0] == U'%') {
        if (pattern.size() == 1)
            return true;
        for (std::size_t k = 0; k < text.size(); ++k)
            if (Reference(text.substr(k), pattern.substr(1)))
                return true;
        return false;
    }
    if (text.empty())
        return false;
    if (pattern[0] != U'_' && pattern[0] != text[0])
        return false;
    return Reference(text.substr(1), pattern.substr(1));
}

TEST(LikeTest, PercentAndUnderscore) {
    EXPECT_TRUE(Like("A", "A%"));
    EXPECT_TRUE(Like("ABC", "A%"));
    EXPECT_FALSE(Like("BA", "A%"));
    EXPECT_TRUE(Like("ABC", "A_C"));
    EXPECT_FALSE(Like("AC", "A_C"));
    EXPECT_FALSE(Like("ABBC", "A_C"));
    EXPECT_TRUE(Like("ABC", "%C"));
    EXPECT_TRUE(Like("ABC", "%B%"));
    EXPECT_FALSE(Like("ABC", "AB"));  // the text must be used up
    EXPECT_FALSE(Like("AB", "ABC"));
    EXPECT_TRUE(Like("", ""));
    EXPECT_TRUE(Like("", "%"));
    EXPECT_FALSE(Like("", "_"));
    EXPECT_FALSE(Like("x", ""));
    EXPECT_TRUE(Like("a%b", "a%b"));  // "%" in the text is an ordinary character
}

TEST(LikeTest, TrailingDoublePercentNeedsACharacter) {
    EXPECT_FALSE(Like("A", "A%%"));
    EXPECT_TRUE(Like("AB", "A%%"));
    EXPECT_FALSE(Like("", "%%"));
    EXPECT_TRUE(Like("x", "%%"));
    EXPECT_TRUE(Like("AB", "A%%B"));
}

TEST(LikeTest, DoubleByteCharacterCountsAsOne) {
    EXPECT_TRUE(LikeUtf8("早操铃声", "早_铃声"));
    EXPECT_FALSE(LikeUtf8("早操铃声", "早__铃声"));
    EXPECT_TRUE(LikeUtf8("早操铃声", "%声"));
    EXPECT_TRUE(LikeUtf8("早操铃声", "____"));
    EXPECT_FALSE(LikeUtf8("早操铃声", "_____"));
    EXPECT_TRUE(LikeUtf8("方案A", "方案_"));
    EXPECT_FALSE(LikeUtf8("方案A", "方案B"));
}

TEST(LikeTest, CaseOnlyWhenAsked) {
    EXPECT_FALSE(Like("abc", "A%"));
    EXPECT_TRUE(Like("abc", "A%", true));
    EXPECT_TRUE(Like("ABC", "a_c", true));
    EXPECT_FALSE(Like("abd", "A_C", true));
    EXPECT_TRUE(LikeUtf8("Дом", "д%", true));
    EXPECT_FALSE(LikeUtf8("Дом", "д%"));
}

TEST(LikeTest, InvalidBytesAndNulDoNotBreakMatching) {
    const std::string broken = "\x81\x20\xFF\xFE";
    EXPECT_TRUE(Like(broken, "%"));
    EXPECT_FALSE(Like(broken, "A%"));
    EXPECT_TRUE(Like(std::string("a\0b", 3), "a_b"));
}

TEST(LikeTest, AgreesWithTheRecursiveDefinition) {
    std::mt19937 random(61);
    const std::u32string patternAlphabet = U"ab%_";
    const std::u32string textAlphabet = U"ab";
    for (int round = 0; round < 20000; ++round) {
        std::u32string pattern;
        std::u32string text;
        for (int i = static_cast<int>(random() % 7); i > 0; --i)
            pattern += patternAlphabet[random() % patternAlphabet.size()];
        for (int i = static_cast<int>(random() % 7); i > 0; --i)
            text += textAlphabet[random() % textAlphabet.size()];
        std::string patternBytes(pattern.begin(), pattern.end());
        ASSERT_EQ(LikeMatcher(patternBytes, false).MatchesCharacters(text),
                  Reference(text, pattern))
            << "pattern " << patternBytes << " text " << std::string(text.begin(), text.end());
    }
}

TEST(LikeTest, ManyPercentsAgainstALongTextFinishQuickly) {
    // A naive search tries every split: 2^n for n runs. The greedy walk stays linear-ish.
    const std::string text(200000, 'a');
    EXPECT_FALSE(Like(text, "%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%b"));
    EXPECT_TRUE(Like(text + "b", "%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%b"));
    EXPECT_FALSE(Like(text, "%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%_%b"));
}

// The helpers LIKE and SUBSTRING walk texts with.
TEST(TextWalkTest, CharactersOfDoubleByteAndBrokenText) {
    EXPECT_EQ(CharacterLengths(ToCodePage("a早b")), (std::vector<std::size_t>{1, 2, 1}));
    EXPECT_TRUE(CharacterLengths("").empty());
    // A lead byte at the end and bytes that form no character still take part, so that a
    // walk always reaches the end.
    std::size_t total = 0;
    const std::string broken = "ÿ";
    for (std::size_t length : CharacterLengths(broken)) {
        EXPECT_GE(length, 1u);
        total += length;
    }
    EXPECT_EQ(total, broken.size());
    EXPECT_EQ(LikeMatcher::Characters(ToCodePage("早操A")), U"早操A");
    EXPECT_EQ(WidenCodePage(ToCodePage("铃")), u"铃");
}

TEST(TextWalkTest, WideComparisonIsTheStoresCollation) {
    EXPECT_EQ(CompareWideStrings(u"a", u"B", false), -1);  // collation, not code units
    EXPECT_EQ(CompareWideStrings(u"a", u"A", false), -1);
    EXPECT_EQ(CompareWideStrings(u"a", u"A", true), 0);
    EXPECT_EQ(CompareWideStrings(u"早", u"早", false), 0);
    // The same order as the code-page comparison of the same texts.
    for (const char* left : {"abc", "ABC", "b", "早操", "abc "})
        for (const char* right : {"abc", "ABC", "b", "早操", "abc "})
            EXPECT_EQ(CompareWideStrings(WidenCodePage(ToCodePage(left)),
                                         WidenCodePage(ToCodePage(right)), false),
                      CompareCodePageStrings(ToCodePage(left), ToCodePage(right), {}))
                << left << " / " << right;
}

}  // namespace
}  // namespace chimdb
