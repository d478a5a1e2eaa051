#include <gtest/gtest.h>

#include "chimdb/date_time_codec.h"

namespace chimdb {
namespace {

TEST(DateTimeCodecTest, DayNumbersOfKnownDates) {
    EXPECT_EQ(DayNumberFromDate({1899, 12, 30}), 693594);
    EXPECT_EQ(DayNumberFromDate({1, 1, 1}), 1);
    EXPECT_EQ(DayNumberFromDate({1970, 1, 1}), 719163);
    EXPECT_EQ(DayNumberFromDate({2000, 3, 1}) - DayNumberFromDate({2000, 2, 28}), 2);
    EXPECT_EQ(DayNumberFromDate({1900, 3, 1}) - DayNumberFromDate({1900, 2, 28}), 1);
    EXPECT_EQ(DateFromDayNumber(1), (CivilDate{1, 1, 1}));
    EXPECT_EQ(DateFromDayNumber(693594), (CivilDate{1899, 12, 30}));
}

TEST(DateTimeCodecTest, DayNumbersRoundTripOverTheWholeRange) {
    const std::int32_t last = DayNumberFromDate({9999, 12, 31});
    EXPECT_EQ(last, 3652059);
    for (std::int32_t day = 1; day <= last; day += 17) {
        CivilDate date = DateFromDayNumber(day);
        ASSERT_TRUE(IsValidDate(date)) << day;
        ASSERT_EQ(DayNumberFromDate(date), day);
    }
}

TEST(DateTimeCodecTest, ValidDates) {
    EXPECT_TRUE(IsValidDate({2000, 2, 29}));
    EXPECT_FALSE(IsValidDate({1900, 2, 29}));
    EXPECT_FALSE(IsValidDate({2023, 4, 31}));
    EXPECT_FALSE(IsValidDate({0, 1, 1}));
    EXPECT_FALSE(IsValidDate({2023, 13, 1}));
}

TEST(DateTimeCodecTest, TimesOfDay) {
    EXPECT_EQ(MsFromTimeOfDay({8, 5, 0, 0}), 29100000);
    EXPECT_EQ(TimeOfDayFromMs(86399999), (TimeOfDay{23, 59, 59, 999}));
    EXPECT_EQ(TimeOfDayFromMs(-1), (TimeOfDay{23, 59, 59, 999}));
}

TEST(DateTimeCodecTest, DateTimeDoublesSplitIntoDayAndTime) {
    const double value = DateTimeValue(739000, 45296789);
    std::int32_t day = 0;
    std::int32_t ms = 0;
    SplitDateTime(value, day, ms);
    EXPECT_EQ(day, 739000);
    EXPECT_EQ(ms, 45296789);
    // A value just short of midnight rounds to the next day, not to ms 86400000.
    SplitDateTime(DateTimeValue(739000, 0) - 0.2, day, ms);
    EXPECT_EQ(day, 739000);
    EXPECT_EQ(ms, 0);
    SplitDateTime(DateTimeValue(739000, 0) - 1.0, day, ms);
    EXPECT_EQ(day, 738999);
    EXPECT_EQ(ms, 86399999);
}

TEST(DateTimeCodecTest, IsoTextsRoundTrip) {
    EXPECT_EQ(FormatIsoDate(693594), "1899-12-30");
    EXPECT_EQ(FormatIsoTime(29100007), "08:05:00.007");
    EXPECT_EQ(FormatIsoDateTime(DateTimeValue(693594, 0)), "1899-12-30T00:00:00.000");
    EXPECT_EQ(ParseIsoDate("2024-02-29"), DayNumberFromDate({2024, 2, 29}));
    EXPECT_EQ(ParseIsoTime("08:05"), 29100000);
    EXPECT_EQ(ParseIsoTime("08:05:01"), 29101000);
    EXPECT_EQ(ParseIsoTime("08:05:01.5"), 29101500);
    EXPECT_EQ(ParseIsoTime("08:05:01.007"), 29101007);
    EXPECT_EQ(ParseIsoDateTime("2024-02-29T08:05:01.250"),
              DateTimeValue(DayNumberFromDate({2024, 2, 29}), 29101250));
    EXPECT_EQ(ParseIsoDateTime("2024-02-29 08:05"),
              DateTimeValue(DayNumberFromDate({2024, 2, 29}), 29100000));
    EXPECT_EQ(ParseIsoDateTime("2024-02-29"), DateTimeValue(DayNumberFromDate({2024, 2, 29}), 0));
}

TEST(DateTimeCodecTest, IsoTextsRefuseWhatIsNoDateOrTime) {
    for (const char* text :
         {"", "2023-02-29", "2024-13-01", "2024-1-01", "2024-01-01x", "0000-01-01"})
        EXPECT_FALSE(ParseIsoDate(text)) << text;
    for (const char* text :
         {"", "24:00:00", "12:60", "12:00:60", "8:05", "12:00:00.", "12:00:00.1234"})
        EXPECT_FALSE(ParseIsoTime(text)) << text;
    for (const char* text : {"2024-01-01T", "2024-01-01X08:00", "2024-01-01T25:00"})
        EXPECT_FALSE(ParseIsoDateTime(text)) << text;
}

}  // namespace
}  // namespace chimdb
