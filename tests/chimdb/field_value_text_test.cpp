#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "chimdb/text_format_locale.h"
#include "values/field_value_text.h"

namespace chimdb {
namespace {

template <typename T>
std::string Text(FieldType type, T value) {
    std::uint8_t bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    return FieldValueAsText(static_cast<std::uint8_t>(type), bytes, sizeof value);
}

// Runs with a chosen default locale and puts the previous one back.
class FieldValueTextTest : public ::testing::Test {
  protected:
    void UseLocale(const char* name) {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(name), status);
        ASSERT_TRUE(U_SUCCESS(status));
    }
    void TearDown() override {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(saved_, status);
    }

  private:
    icu::Locale saved_ = icu::Locale::getDefault();
};

TEST_F(FieldValueTextTest, StringsComeOutAsUtf8) {
    std::vector<std::uint8_t> field(33, 0);
    const std::string gbk = ToCodePage("早操铃声");
    std::memcpy(field.data(), gbk.data(), gbk.size());
    EXPECT_EQ(FieldValueAsText(1, field.data(), 33), "早操铃声");
    // A value filling its whole width has no NUL.
    const std::uint8_t full[3] = {'a', 'b', 'c'};
    EXPECT_EQ(FieldValueAsText(23, full, 3), "abc");
}

TEST_F(FieldValueTextTest, NumbersAndBooleans) {
    EXPECT_EQ(Text<std::int16_t>(FieldType::ftSmallint, -32768), "-32768");
    EXPECT_EQ(Text<std::uint16_t>(FieldType::ftWord, 65535), "65535");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftAutoInc, 42), "42");
    EXPECT_EQ(Text<std::int64_t>(FieldType::ftLargeint, -9000000000LL), "-9000000000");
    EXPECT_EQ(Text<std::int16_t>(FieldType::ftBoolean, 7), "True");
    EXPECT_EQ(Text<std::int16_t>(FieldType::ftBoolean, 0), "False");
}

TEST_F(FieldValueTextTest, FloatsInTheGeneralFormat) {
    UseLocale("en_US");
    EXPECT_EQ(Text<double>(FieldType::ftFloat, 1.5), "1.5");
    EXPECT_EQ(Text<double>(FieldType::ftFloat, 100.0), "100");
    EXPECT_EQ(Text<double>(FieldType::ftCurrency, 0.1), "0.1");
    EXPECT_EQ(Text<double>(FieldType::ftFloat, 1e20), "1E20");
    EXPECT_EQ(Text<double>(FieldType::ftFloat, -2.5e-7), "-2.5E-7");
    UseLocale("de_DE");
    EXPECT_EQ(Text<double>(FieldType::ftFloat, 1.5), "1,5");
}

TEST_F(FieldValueTextTest, DatesAndTimesInTheLocaleFormats) {
    UseLocale("de_DE");
    const std::int32_t day = DayNumberFromDate({2024, 3, 5});
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftDate, day), "05.03.24");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftTime, MsFromTimeOfDay({13, 4, 5, 0})), "13:04:05");
    EXPECT_EQ(
        Text<double>(FieldType::ftDateTime, DateTimeValue(day, MsFromTimeOfDay({7, 0, 0, 0}))),
        "05.03.24, 07:00:00");
    // Old dates stay on the Gregorian calendar that the day numbers count in.
    UseLocale("sv_SE");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftDate, DayNumberFromDate({1000, 1, 1})), "1000-01-01");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftDate, 693594), "1899-12-30");
}

// A host that keeps its times as "hh:mm:ss" sets the text-format locale, whatever the
// desktop's locale is.
TEST_F(FieldValueTextTest, TextFormatLocaleSetsTheFormOfTimeTexts) {
    UseLocale("en_US");
    const std::int32_t nineFortyFive = MsFromTimeOfDay({9, 45, 0, 0});
    EXPECT_NE(Text<std::int32_t>(FieldType::ftTime, nineFortyFive), "09:45:00");
    SetTextFormatLocale("zh_CN");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftTime, nineFortyFive), "09:45:00");
    EXPECT_EQ(TextFormatLocale(), icu::Locale("zh_CN"));
    ResetTextFormatLocale();
    EXPECT_EQ(TextFormatLocale(), icu::Locale("en_US"));
    EXPECT_NE(Text<std::int32_t>(FieldType::ftTime, nineFortyFive), "09:45:00");
    EXPECT_THROW(SetTextFormatLocale(""), DatabaseError);
}

TEST_F(FieldValueTextTest, AnythingUnreadableGivesEmptyText) {
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftDate, 0), "");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftDate, 4000000), "");
    EXPECT_EQ(Text<std::int32_t>(FieldType::ftTime, -1), "");
    EXPECT_EQ(Text<double>(FieldType::ftDateTime, std::numeric_limits<double>::infinity()), "");
    std::uint8_t blob[20] = {};
    EXPECT_EQ(FieldValueAsText(static_cast<std::uint8_t>(FieldType::ftMemo), blob, 20), "");
    EXPECT_EQ(FieldValueAsText(99, blob, 20), "");
    EXPECT_EQ(FieldValueAsText(static_cast<std::uint8_t>(FieldType::ftFloat), blob, 4),
              "");  // too narrow
    EXPECT_EQ(FieldValueAsText(1, nullptr, 5), "");
}

}  // namespace
}  // namespace chimdb
