// The main window and the school calendar: the table added to an old db.dll at start, the
// menu entry, and the line above the grid that names today's rule.

#include <QAction>
#include <QMenu>
#include <nlohmann/json.hpp>

#include "app/core/calendar_table.h"
#include "app/core/school_calendar.h"
#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

const std::string kMondayRing = RingLine("P", "08:00:00", "早读", "bell.wav", "11111000");

std::string CalendarLine(const std::string& from, const std::string& to, const std::string& kind,
                         const std::string& note) {
    return "{\"DAYFROM\": \"" + from + "\", \"DAYTO\": \"" + to + "\", \"KIND\": \"" + kind +
           "\", \"NOTE\": \"" + note + "\"}\n";
}

TEST_F(MainWindowTest, AnOldDatabaseGainsTheCalendarWhenTheProgramStarts) {
    // db.dll as files made before the calendar: the schema without its table.
    nlohmann::json schema = nlohmann::json::parse(
        chimdb::testing::Slurp(ProgramFolder::SourcePath("data/schema.json")));
    schema["tables"].erase(schema["tables"].size() - 1);
    ASSERT_NE(schema.dump().find("Ring1_7"), std::string::npos);
    ASSERT_EQ(schema.dump().find("Calendar"), std::string::npos);
    const std::string tool = (std::filesystem::path(folder.AppPath()) / "tool").string();
    std::ofstream(tool + "/old.json") << schema.dump();
    std::filesystem::remove(folder.DatabasePath());
    ASSERT_EQ(
        chimdb::testing::RunTool(chimdb::testing::ToolPath(), tool,
                                 {"create", folder.DatabasePath(), "--schema", tool + "/old.json"})
            .status,
        0);
    Plan(kMondayRing);

    Shown();
    EXPECT_NE(std::find(events.begin(), events.end(), "calendar table added to db.dll"),
              events.end());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"早读"});
    EXPECT_TRUE(boxes.shown.empty());
    // The calendar can be written and rings at once.
    folder.Insert("Calendar", CalendarLine("2026-12-07", "2026-12-07", "0", "停电"));
    window->Loader().LoadAllDataToMem();
    window->Timer1Timer();
    EXPECT_EQ(Status(), "运行中    今日不打铃：停电    方案:P");
}

TEST_F(MainWindowTest, TheCalendarOpensFromTheSettingsMenuAndTodaysRuleShowsAboveTheGrid) {
    Plan(kMondayRing);
    folder.Insert("Calendar", CalendarLine("2026-12-07", "2026-12-07", "0", "校运会"));
    int calendarCalls = 0;
    Window().dialogs.calendar = [&](QWidget*, DialogContext&) {
        ++calendarCalls;
        return 2;
    };
    QAction* n5 = Find<QAction>("N5");
    EXPECT_EQ(n5->text(), "校历");
    EXPECT_TRUE(Find<QMenu>("ConfigPopupMenu")->actions().contains(n5));
    n5->trigger();
    EXPECT_EQ(calendarCalls, 1);

    Shown();
    QLabel* line = Find<QLabel>("lblCalendarToday");
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), "今日校历：不打铃：校运会");
    EXPECT_EQ(Status(), "运行中    今日不打铃：校运会    方案:P");
    // The tabs stay the weekdays.
    EXPECT_EQ(Tabs()->tabText(0), "星期一");

    // Midnight: the next day has no rule, and the line goes.
    clock.Set(2026, 12, 8, 0, 0, 0);
    window->Timer1Timer();
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(Status(), "运行中    下一首播放曲目:早读   时间:08:00:00    方案:P");
}

}  // namespace
}  // namespace chimora::testing
