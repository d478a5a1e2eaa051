// The store's own date and time readers of filter texts: month/day/year with "/", two-digit
// year windowing, times with AM/PM, invalid values, and the kind a constant converts to.

#include <gtest/gtest.h>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "filter/date_time_reader.h"

namespace chimdb::testing {
namespace {

constexpr std::int32_t Hours(int h, int m = 0, int s = 0, int ms = 0) {
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

DateTimeReader ReaderIn(int year, int window = 0) {
    LocaleFormats formats;
    formats.twoDigitYearCenturyWindow = window;
    return DateTimeReader(formats, year);
}

TEST(DateTimeReaderTest, DatesAreMonthDayYearWithSlashes) {
    const DateTimeReader reader = ReaderIn(2024);
    EXPECT_EQ(reader.ReadDate("3/15/2024"), DayNumberFromDate({2024, 3, 15}));
    EXPECT_EQ(reader.ReadDate("  03/05/0999"), DayNumberFromDate({999, 3, 5}));
    EXPECT_EQ(reader.ReadDate("12/31/9999"), DayNumberFromDate({9999, 12, 31}));
    EXPECT_FALSE(reader.ReadDate("3-15-2024"));
    EXPECT_FALSE(reader.ReadDate("2024/3/15"));  // month 2024
    EXPECT_FALSE(reader.ReadDate("3/15"));
    EXPECT_FALSE(reader.ReadDate("3/15/2024x"));
    EXPECT_FALSE(reader.ReadDate("/15/2024"));
    EXPECT_FALSE(reader.ReadDate(""));
}

TEST(DateTimeReaderTest, InvalidDatesAreNoDates) {
    const DateTimeReader reader = ReaderIn(2024);
    EXPECT_FALSE(reader.ReadDate("2/30/2024"));
    EXPECT_FALSE(reader.ReadDate("2/29/2023"));
    EXPECT_TRUE(reader.ReadDate("2/29/2024"));
    EXPECT_FALSE(reader.ReadDate("13/1/2024"));
    EXPECT_FALSE(reader.ReadDate("0/1/2024"));
    EXPECT_FALSE(reader.ReadDate("1/0/2024"));
    EXPECT_FALSE(reader.ReadDate("1/1/0000"));
    EXPECT_EQ(reader.ReadDate("1/1/0"), DayNumberFromDate({2000, 1, 1}));
    // Accumulation stops at 1000: huge numbers neither overflow nor wrap into valid values.
    EXPECT_FALSE(reader.ReadDate("99999999999999999999/1/2024"));
    EXPECT_EQ(reader.ReadDate("1/1/20245"), DayNumberFromDate({2024, 1, 1}));
}

TEST(DateTimeReaderTest, TwoDigitYearsAreWindowed) {
    // No window: the current century.
    EXPECT_EQ(ReaderIn(2024).ReadDate("1/1/24"), DayNumberFromDate({2024, 1, 1}));
    EXPECT_EQ(ReaderIn(2024).ReadDate("1/1/99"), DayNumberFromDate({2099, 1, 1}));
    EXPECT_EQ(ReaderIn(2024).ReadDate("1/1/5"), DayNumberFromDate({2005, 1, 1}));
    // A window of 50 years: from 1974 on.
    EXPECT_EQ(ReaderIn(2024, 50).ReadDate("1/1/99"), DayNumberFromDate({1999, 1, 1}));
    EXPECT_EQ(ReaderIn(2024, 50).ReadDate("1/1/74"), DayNumberFromDate({1974, 1, 1}));
    EXPECT_EQ(ReaderIn(2024, 50).ReadDate("1/1/73"), DayNumberFromDate({2073, 1, 1}));
    EXPECT_EQ(ReaderIn(2024, 50).ReadDate("1/1/10"), DayNumberFromDate({2010, 1, 1}));
    // Three digits are taken as written.
    EXPECT_EQ(ReaderIn(2024, 50).ReadDate("1/1/099"), DayNumberFromDate({99, 1, 1}));
}

TEST(DateTimeReaderTest, TimesWithOptionalPartsAndMarkers) {
    const DateTimeReader reader = ReaderIn(2024);
    EXPECT_EQ(reader.ReadTime("08:00:00"), Hours(8));
    EXPECT_EQ(reader.ReadTime("8:5"), Hours(8, 5));
    EXPECT_EQ(reader.ReadTime("8"), Hours(8));
    EXPECT_EQ(reader.ReadTime("23:59:59.999"), Hours(23, 59, 59, 999));
    EXPECT_EQ(reader.ReadTime("08:00  "), Hours(8));
    EXPECT_EQ(reader.ReadTime("3:00 PM"), Hours(15));
    EXPECT_EQ(reader.ReadTime("3:00pm"), Hours(15));
    EXPECT_EQ(reader.ReadTime("PM 3:00"), Hours(15));
    EXPECT_EQ(reader.ReadTime("12:00 AM"), Hours(0));
    EXPECT_EQ(reader.ReadTime("12:30 pm"), Hours(12, 30));
    EXPECT_EQ(reader.ReadTime("11:59:59 am"), Hours(11, 59, 59));
}

TEST(DateTimeReaderTest, InvalidTimesAreNoTimes) {
    const DateTimeReader reader = ReaderIn(2024);
    EXPECT_FALSE(reader.ReadTime("24:00"));
    EXPECT_FALSE(reader.ReadTime("8:60"));
    EXPECT_FALSE(reader.ReadTime("8:00:60"));
    EXPECT_FALSE(reader.ReadTime("13:00 PM"));
    EXPECT_FALSE(reader.ReadTime("0:00 AM"));
    EXPECT_FALSE(reader.ReadTime("AM 3:00 PM"));
    EXPECT_FALSE(reader.ReadTime("8:"));
    EXPECT_FALSE(reader.ReadTime(":30"));
    EXPECT_FALSE(reader.ReadTime("8:00 x"));
    EXPECT_FALSE(reader.ReadTime(""));
}

TEST(DateTimeReaderTest, TheLocaleMarkersAndDecimalSeparatorCount) {
    LocaleFormats formats;
    formats.amText = "上午";
    formats.pmText = "下午";
    formats.decimalSeparator = ',';
    const DateTimeReader reader(formats, 2024);
    EXPECT_EQ(reader.ReadTime(ToCodePage("下午3:00")), Hours(15));
    EXPECT_EQ(reader.ReadTime(ToCodePage("3:00 上午")), Hours(3));
    EXPECT_EQ(reader.ReadTime("3:00 PM"), Hours(15));  // the literal markers too
    EXPECT_EQ(reader.ReadTime("8:00:01,250"), Hours(8, 0, 1, 250));
    EXPECT_FALSE(reader.ReadTime("8:00:01.250"));
}

TEST(DateTimeReaderTest, DateTimesAreADateWithAnOptionalTimeOrATimeAlone) {
    const DateTimeReader reader = ReaderIn(2024);
    const double day = DayNumberFromDate({2024, 3, 15});
    EXPECT_EQ(reader.ReadDateTime("3/15/2024 08:30"), DateTimeValue(day, Hours(8, 30)));
    EXPECT_EQ(reader.ReadDateTime("3/15/2024"), DateTimeValue(day, 0));
    EXPECT_EQ(reader.ReadDateTime("3/15/2024 2:00 pm"), DateTimeValue(day, Hours(14)));
    EXPECT_EQ(reader.ReadDateTime("08:30"), DateTimeValue(kDayNumberOf18991230, Hours(8, 30)));
    EXPECT_FALSE(reader.ReadDateTime("3/15/2024 25:00"));
    EXPECT_FALSE(reader.ReadDateTime("3/32/2024 08:00"));
    EXPECT_FALSE(reader.ReadDateTime("soon"));
}

TEST(DateTimeReaderTest, TheKindOfAConstantAndItsConversion) {
    EXPECT_EQ(DateTimeReader::KindOfText(" 3/15/2024 8:00 "), DateTimeKind::dkDateTime);
    EXPECT_EQ(DateTimeReader::KindOfText(" 8:00 "), DateTimeKind::dkTime);
    EXPECT_EQ(DateTimeReader::KindOfText("3/15/2024 "), DateTimeKind::dkDate);
    const DateTimeReader reader = ReaderIn(2024);
    EXPECT_EQ(reader.Convert(" 3/15/2024 ", DateTimeKind::dkDate),
              DayNumberFromDate({2024, 3, 15}));
    EXPECT_EQ(reader.Convert("8:00", DateTimeKind::dkTime), Hours(8));
    EXPECT_TRUE(reader.ReadsAsDateTime(" 8:00 pm "));
    EXPECT_FALSE(reader.ReadsAsDateTime("abc"));
    EXPECT_THROW(reader.Convert("abc", DateTimeKind::dkDate), DatabaseError);
    try {
        reader.Convert("99:99", DateTimeKind::dkTime);
        FAIL();
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "'99:99' is not a valid time");
    }
}

}  // namespace
}  // namespace chimdb::testing
