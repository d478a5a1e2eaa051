#include <gtest/gtest.h>

#include "app/core/ini_file_utils.h"
#include "app/core/time_of_day.h"

namespace chimora {
namespace {

TEST(TimeOfDayTest, TextAndNumberForms) {
    EXPECT_EQ(TimeText(8, 5, 0), "08:05:00");
    EXPECT_EQ(TimeNumber("08:05:00"), 80500);
    EXPECT_EQ(TimeNumber("23:59:59"), 235959);
    EXPECT_EQ(TimeNumber("00:00:00"), 0);
    EXPECT_EQ(TimeNumber(""), 0);
}

TEST(TimeOfDayTest, WeekdayNumbersRunFromMondayToSunday) {
    // 2026-12-07 is a Monday; a whole week and a leap day.
    const char* expected[] = {"1", "2", "3", "4", "5", "6", "7"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(GetTodayWeek({2026, 12, 7 + i, 12, 0, 0, 0}), expected[i]);
    }
    EXPECT_EQ(GetTodayWeek({2024, 2, 29, 0, 0, 0, 0}), "4");
    EXPECT_EQ(GetTodayWeek({2000, 1, 1, 0, 0, 0, 0}), "6");
    EXPECT_EQ(GetTodayWeek({1899, 12, 30, 0, 0, 0, 0}), "6");
}

TEST(IniFileUtilsTest, ProgramAndMusicFoldersEndWithASeparator) {
    IniFileUtils paths("/opt/chimora/chimora");
    EXPECT_EQ(paths.GetAppPath(), "/opt/chimora/");
    EXPECT_EQ(paths.GetMusicPath(), "/opt/chimora/music/");
}

}  // namespace
}  // namespace chimora
