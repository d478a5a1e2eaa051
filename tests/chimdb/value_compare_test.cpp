#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "chimdb/code_page.h"
#include "chimdb/field_type.h"
#include "values/value_compare.h"

namespace chimdb {
namespace {

constexpr CompareOptions kExact{};
constexpr CompareOptions kIgnoreCase{.caseInsensitive = true};
constexpr CompareOptions kPartial{.partial = true};

int Strings(const std::string& key, const std::string& stored, CompareOptions options = kExact) {
    return CompareCodePageStrings(ToCodePage(key), ToCodePage(stored), options);
}

template <typename T>
std::vector<std::uint8_t> Bytes(T value) {
    std::vector<std::uint8_t> out(sizeof value);
    std::memcpy(out.data(), &value, sizeof value);
    return out;
}

template <typename T>
int Field(FieldType type, T key, T stored) {
    auto k = Bytes(key);
    auto s = Bytes(stored);
    return CompareFieldValue(static_cast<std::uint8_t>(type), k.data(), s.data(),
                             static_cast<std::int32_t>(sizeof(T)), kExact);
}

// A string field's record bytes: the text, NUL, then NUL up to the width.
std::vector<std::uint8_t> StringField(const std::string& bytes, std::size_t width) {
    std::vector<std::uint8_t> out(width, 0);
    std::memcpy(out.data(), bytes.data(), std::min(bytes.size(), width));
    return out;
}

TEST(CompareStringsTest, FollowsCollationNotByteOrder) {
    EXPECT_EQ(Strings("a", "B"), -1);  // bytes would put "B" first
    EXPECT_EQ(Strings("B", "a"), 1);
    EXPECT_EQ(Strings("abc", "abc"), 0);
    EXPECT_EQ(Strings("", ""), 0);
    EXPECT_EQ(Strings("", "a"), -1);
    // Blanks count, trailing ones included.
    EXPECT_NE(Strings("abc ", "abc"), 0);
    EXPECT_NE(Strings("a b", "ab"), 0);
}

TEST(CompareStringsTest, CaseMattersUnlessIgnored) {
    EXPECT_NE(Strings("abc", "ABC"), 0);
    EXPECT_EQ(Strings("abc", "ABC", kIgnoreCase), 0);
    // Ignoring case does not ignore accents.
    EXPECT_NE(Strings("cote", "COTé", kIgnoreCase), 0);
    EXPECT_EQ(Strings("abd", "ABC", kIgnoreCase), 1);
}

TEST(CompareStringsTest, PartialComparesOverTheKeysCharacters) {
    EXPECT_EQ(Strings("AB", "ABC", kPartial), 0);
    EXPECT_EQ(Strings("AB", "AB", kPartial), 0);
    EXPECT_EQ(Strings("AB", "A", kPartial), 1);  // the stored text is shorter than the key
    EXPECT_EQ(Strings("AC", "ABC", kPartial), 1);
    EXPECT_EQ(Strings("", "anything", kPartial), 0);
    EXPECT_EQ(Strings("ab", "ABC", {.caseInsensitive = true, .partial = true}), 0);
    EXPECT_NE(Strings("ab", "ABC", kPartial), 0);
    EXPECT_NE(Strings("AB", "ABC"), 0);  // without partial the whole text counts
}

TEST(CompareStringsTest, PartialCountsDoubleByteCharactersAsOne) {
    // 铃 is two GBK bytes; a key of one character matches every text that begins with it.
    EXPECT_EQ(Strings("铃", "铃声"), -1);
    EXPECT_EQ(Strings("铃", "铃声", kPartial), 0);
    EXPECT_EQ(Strings("铃声", "铃声描述", kPartial), 0);
    EXPECT_NE(Strings("铃x", "铃声", kPartial), 0);
    EXPECT_EQ(Strings("a铃", "a铃声", kPartial), 0);
}

TEST(CompareStringsTest, LongTextsBeyondTheStackBuffer) {
    std::string base(600, 'x');
    EXPECT_EQ(Strings(base + "a", base + "a"), 0);
    EXPECT_EQ(Strings(base + "a", base + "b"), -1);
    EXPECT_EQ(Strings(base + "B", base + "a"), 1);
    EXPECT_EQ(Strings(base, base + "tail", kPartial), 0);
    std::string chinese;
    for (int i = 0; i < 300; ++i)
        chinese += "铃";
    EXPECT_EQ(Strings(chinese + "声", chinese + "声"), 0);
    EXPECT_NE(Strings(chinese + "声", chinese + "铃"), 0);
}

TEST(CompareStringsTest, OrderIsAntisymmetric) {
    const std::vector<std::string> texts = {"", "a", "A", "ab", "Ab", "b", "铃", "铃声", "z", " "};
    for (const auto& left : texts)
        for (const auto& right : texts)
            for (CompareOptions options : {kExact, kIgnoreCase})
                EXPECT_EQ(Strings(left, right, options), -Strings(right, left, options))
                    << left << " / " << right;
}

TEST(CompareStringsTest, SafeFromManyThreadsAtOnce) {
    // Threads comparing with and without case at once must each keep their own strength.
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            const bool ignoreCase = t % 2 == 1;
            const CompareOptions options{.caseInsensitive = ignoreCase};
            for (int i = 0; i < 2000; ++i) {
                if ((Strings("abc", "ABC", options) == 0) != ignoreCase)
                    ++failures[t];
                if (Strings("a", "B", options) != -1)
                    ++failures[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int f : failures)
        EXPECT_EQ(f, 0);
}

TEST(CompareFieldValueTest, StringFieldsEndAtTheirNul) {
    const auto key = StringField("ab\0zz", 6);
    const auto stored = StringField(std::string("ab\0yy", 5), 6);
    EXPECT_EQ(CompareFieldValue(1, key.data(), stored.data(), 6, kExact), 0);
    // A value that fills its whole width has no NUL: the width ends it.
    const auto full = StringField("abcdef", 6);
    const auto shorter = StringField("abcde", 6);
    EXPECT_EQ(CompareFieldValue(1, full.data(), shorter.data(), 6, kExact), 1);
    EXPECT_EQ(CompareFieldValue(23, shorter.data(), full.data(), 6, kPartial), 0);
    const auto upper = StringField("ABCDE", 6);
    EXPECT_EQ(CompareFieldValue(1, shorter.data(), upper.data(), 6, kIgnoreCase), 0);
}

TEST(CompareFieldValueTest, IntegersBySignedOrUnsignedValue) {
    EXPECT_EQ(Field<std::int16_t>(FieldType::ftSmallint, -1, 1), -1);
    EXPECT_EQ(Field<std::uint16_t>(FieldType::ftWord, 0xFFFF, 1), 1);  // not -1
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftInteger, -5, -5), 0);
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftAutoInc, 300, 7), 1);
    EXPECT_EQ(Field<std::int64_t>(FieldType::ftLargeint, INT64_MIN, INT64_MAX), -1);
    EXPECT_EQ(Field<std::int64_t>(FieldType::ftLargeint, (1LL << 53) + 1, 1LL << 53), 1);
}

TEST(CompareFieldValueTest, BooleansAreEqualWhenBothTrue) {
    EXPECT_EQ(Field<std::int16_t>(FieldType::ftBoolean, 2, 1), 0);  // any non-zero is true
    EXPECT_EQ(Field<std::int16_t>(FieldType::ftBoolean, 0, 1), -1);
    EXPECT_EQ(Field<std::int16_t>(FieldType::ftBoolean, -1, 0), 1);
}

TEST(CompareFieldValueTest, FloatsAndDatesByValue) {
    EXPECT_EQ(Field<double>(FieldType::ftFloat, 1.5, 1.25), 1);
    EXPECT_EQ(Field<double>(FieldType::ftCurrency, -0.0, 0.0), 0);
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftDate, 693594, 693595), -1);
    // Dates have no tolerance: a day apart is a day apart.
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftDate, 739000, 739000), 0);
}

TEST(CompareFieldValueTest, NotANumberKeepsTheOrderTotal) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Field<double>(FieldType::ftFloat, nan, nan), 0);
    EXPECT_EQ(Field<double>(FieldType::ftFloat, nan, -1e308), -1);
    EXPECT_EQ(Field<double>(FieldType::ftFloat, -1e308, nan), 1);
    EXPECT_EQ(Field<double>(FieldType::ftDateTime, nan, 0.0), -1);
}

TEST(CompareFieldValueTest, TimesWithinASecondAreEqual) {
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftTime, 28800000, 28800999), 0);
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftTime, 28800999, 28800000), 0);
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftTime, 28800000, 28801000), -1);
    EXPECT_EQ(Field<std::int32_t>(FieldType::ftTime, 28801000, 28800000), 1);
    const double moment = 739000.0 * 86400000.0 + 28800000.0;
    EXPECT_EQ(Field<double>(FieldType::ftDateTime, moment, moment + 999.0), 0);
    EXPECT_EQ(Field<double>(FieldType::ftDateTime, moment, moment + 1000.0), -1);
    EXPECT_EQ(Field<double>(FieldType::ftDateTime, moment + 86400000.0, moment), 1);
}

TEST(CompareFieldValueTest, BlobAndUnknownTypesAreNotComparedHere) {
    std::uint8_t a[20] = {1};
    std::uint8_t b[20] = {2};
    EXPECT_EQ(CompareFieldValue(static_cast<std::uint8_t>(FieldType::ftMemo), a, b, 20, kExact), 0);
    EXPECT_EQ(CompareFieldValue(99, a, b, 20, kExact), 0);
}

TEST(TypedCompareTest, PrimitivesForFilters) {
    EXPECT_EQ(CompareNumbers(2, 10), -1);
    EXPECT_EQ(CompareIntegers(-3, -3), 0);
    EXPECT_EQ(CompareBooleans(true, false), 1);
    EXPECT_EQ(CompareDays(1, 2), -1);
    EXPECT_EQ(CompareMoments(1000.0, 1999.0), 0);
    EXPECT_EQ(CompareMoments(1000.0, 2000.0), -1);
}

}  // namespace
}  // namespace chimdb
