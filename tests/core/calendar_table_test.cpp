// The calendar in db.dll: the table added to a file made before it, its rules written and
// read, the schedule loader putting them into memory, and the plan manager keeping the
// plan days' plans right.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/core/calendar_table.h"
#include "app/core/fang_an_manager.h"
#include "app/core/schedule_loader.h"
#include "app/core/school_calendar.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/database_error.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

std::int32_t Day(int year, int month, int day) {
    return SchoolCalendar::DayOf(year, month, day);
}

CalendarRule Rule(std::int32_t from, std::int32_t to, const char* kind, const std::string& note,
                  const std::string& weekday = "", const std::string& plan = "") {
    CalendarRule rule;
    rule.DAYFROM = from;
    rule.DAYTO = to;
    rule.KIND = kind;
    rule.WEEKDAY = weekday;
    rule.FANGAN = plan;
    rule.NOTE = note;
    return rule;
}

std::string Entry(const std::string& plan, const std::string& time, const std::string& desc) {
    std::string line = "{";
    for (int d = 1; d <= 8; ++d)
        line += "\"WEEK" + std::to_string(d) + "\": \"" + (d <= 5 ? "1" : "0") + "\", ";
    return line + "\"RINGDESC\": \"" + desc + "\", \"RINGFILE\": \"bell.wav\", \"RINGTIME\": \"" +
           time + "\", \"RINGPROJECT\": \"" + plan + "\"}\n";
}

class CalendarTableTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    std::vector<std::string> Notes(const std::vector<CalendarRule>& rules) {
        std::vector<std::string> notes;
        for (const auto& rule : rules)
            notes.push_back(rule.NOTE);
        return notes;
    }

    // Makes db.dll again as the installed file was before the calendar existed.
    void MakeOldFile() {
        chimdb::ChimSessionList::Instance().Shutdown();
        nlohmann::json schema = nlohmann::json::parse(
            chimdb::testing::Slurp(ProgramFolder::SourcePath("data/schema.json")));
        auto& tables = schema["tables"];
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            if ((*it)["name"] == "Calendar") {
                tables.erase(it);
                break;
            }
        }
        const std::filesystem::path dir = folder.AppPath() + "tool";
        std::ofstream(dir / "old.json") << schema.dump();
        std::filesystem::remove(folder.DatabasePath());
        const auto made = chimdb::testing::RunTool(
            chimdb::testing::ToolPath(), dir,
            {"create", folder.DatabasePath(), "--schema", (dir / "old.json").string()});
        ASSERT_EQ(made.status, 0) << made.err;
        folder.InsertInstalledRows();
    }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
    CalendarTable table{folder.AppPath()};
};

TEST_F(CalendarTableTest, TheInstalledSchemaHoldsTheTableAsOtherToolsExpectIt) {
    const auto info = chimdb::testing::RunTool(
        chimdb::testing::ToolPath(), folder.AppPath() + "tool", {"info", folder.DatabasePath()});
    ASSERT_EQ(info.status, 0) << info.err;
    const auto tables = nlohmann::json::parse(info.out)["tables"];
    const auto calendar = tables.back();
    EXPECT_EQ(calendar["name"], "Calendar");
    const chimdb::TableSchema schema = CalendarTable::Schema();
    ASSERT_EQ(calendar["fields"].size(), schema.fields.size());
    const char* types[] = {"ftAutoInc", "ftDate",   "ftDate",  "ftString",
                           "ftString",  "ftString", "ftString"};
    const int sizes[] = {0, 0, 0, 1, 1, 20, 32};
    for (std::size_t i = 0; i < schema.fields.size(); ++i) {
        EXPECT_EQ(calendar["fields"][i]["name"], schema.fields[i].name);
        EXPECT_EQ(calendar["fields"][i]["type"], types[i]);
        EXPECT_EQ(calendar["fields"][i]["size"], sizes[i]);
    }
    EXPECT_EQ(
        calendar["indexes"][0],
        (nlohmann::json{{"name", "ID"}, {"fields", {"ID"}}, {"options", {"primary", "unique"}}}));
    EXPECT_EQ(calendar["indexes"][1], (nlohmann::json{{"name", "DAYFROM"},
                                                      {"fields", {"DAYFROM"}},
                                                      {"options", nlohmann::json::array()}}));
    // A file that has it already is left alone.
    EXPECT_FALSE(CalendarTable::EnsureTable(folder.AppPath()));
}

TEST_F(CalendarTableTest, AnOldFileGainsTheTableAndKeepsItsSchedule) {
    MakeOldFile();
    EXPECT_TRUE(table.LoadRules().empty());  // no table: no rules, no error
    state.CurrFangAn = loader.GetActiveFangAn();
    loader.LoadAllDataToMem();
    const std::vector<RingObj> before = state.RingList;
    ASSERT_FALSE(before.empty());
    chimdb::ChimSessionList::Instance().Shutdown();

    EXPECT_TRUE(CalendarTable::EnsureTable(folder.AppPath()));
    EXPECT_FALSE(CalendarTable::EnsureTable(folder.AppPath()));
    table.Add(Rule(Day(2026, 12, 7), Day(2026, 12, 7), "0", "停电"));
    loader.LoadAllDataToMem();
    EXPECT_EQ(state.RingList, before);
    ASSERT_EQ(state.CalendarRules.size(), 1u);
    EXPECT_EQ(state.CalendarRules[0].NOTE, "停电");
}

TEST_F(CalendarTableTest, ACalendarThatCannotBeReadLeavesThePlanRinging) {
    // A Calendar table another tool made without NOTE.
    chimdb::ChimSessionList::Instance().Shutdown();
    nlohmann::json schema = nlohmann::json::parse(
        chimdb::testing::Slurp(ProgramFolder::SourcePath("data/schema.json")));
    auto& fields = schema["tables"].back()["fields"];
    fields.erase(fields.size() - 1);
    const std::filesystem::path dir = folder.AppPath() + "tool";
    std::ofstream(dir / "odd.json") << schema.dump();
    std::filesystem::remove(folder.DatabasePath());
    ASSERT_EQ(chimdb::testing::RunTool(
                  chimdb::testing::ToolPath(), dir,
                  {"create", folder.DatabasePath(), "--schema", (dir / "odd.json").string()})
                  .status,
              0);
    folder.Insert("Ring1_7", Entry("P", "08:00:00", "上课"));
    folder.Insert("Calendar", "{\"DAYFROM\": \"2026-12-07\", \"DAYTO\": \"2026-12-07\"}\n");
    state.CurrFangAn = "P";
    EXPECT_THROW(loader.LoadAllDataToMem(), chimdb::DatabaseError);
    ASSERT_EQ(state.RingList.size(), 1u);
    TickAt(8, 0, 0);
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(CalendarTableTest, RulesAreWrittenChangedDeletedAndReadInDateOrder) {
    const std::int32_t a = table.Add(Rule(Day(2027, 1, 20), Day(2027, 2, 20), "0", "寒假"));
    const std::int32_t b = table.Add(Rule(Day(2026, 10, 1), Day(2026, 10, 7), "0", "国庆节"));
    const std::int32_t c = table.Add(Rule(Day(2026, 10, 10), Day(2026, 10, 10), "1", "补课", "7"));
    EXPECT_EQ(std::vector<std::int32_t>({a, b, c}), std::vector<std::int32_t>({1, 2, 3}));
    std::vector<CalendarRule> rules = table.LoadRules();
    EXPECT_EQ(Notes(rules), (std::vector<std::string>{"国庆节", "补课", "寒假"}));
    EXPECT_EQ(rules[1].WEEKDAY, "7");
    EXPECT_EQ(rules[0].DAYTO, Day(2026, 10, 7));

    CalendarRule changed = rules[2];
    changed.DAYFROM = Day(2026, 9, 1);
    changed.NOTE = "开学";
    EXPECT_TRUE(table.Update(changed));
    EXPECT_TRUE(table.Delete(b));
    EXPECT_FALSE(table.Delete(b));
    changed.ID = 99;
    EXPECT_FALSE(table.Update(changed));
    rules = table.LoadRules();
    EXPECT_EQ(Notes(rules), (std::vector<std::string>{"开学", "补课"}));
    EXPECT_EQ(rules[0].ID, a);
    EXPECT_EQ(rules[0].DAYFROM, Day(2026, 9, 1));
}

TEST_F(CalendarTableTest, TheLoaderKeepsThePlansOfPlanDaysInMemory) {
    folder.Insert("Ring1_7", Entry("P", "08:00:00", "上课") + Entry("考试", "08:30:00", "开考") +
                                 Entry("考试", "10:30:00", "交卷") +
                                 Entry("运动会", "09:00:00", "入场"));
    table.Add(Rule(Day(2026, 12, 7), Day(2026, 12, 8), "2", "期中考试", "", "考试"));
    table.Add(Rule(Day(2026, 12, 9), Day(2026, 12, 9), "2", "", "", "P"));
    table.Add(Rule(Day(2026, 12, 10), Day(2026, 12, 10), "0", "停电"));
    state.CurrFangAn = "P";
    loader.LoadAllDataToMem();
    ASSERT_EQ(state.CalendarRules.size(), 3u);
    // The active plan's entries are RingList; only other plans are read again.
    ASSERT_EQ(state.CalendarPlans.size(), 1u);
    ASSERT_EQ(state.CalendarPlans["考试"].size(), 2u);
    EXPECT_EQ(state.CalendarPlans["考试"][1].RINGDESC, "交卷");
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    下一首播放曲目:开考   时间:08:30:00    方案:考试（校历）");
    // The main window's cursor still shows the active plan.
    EXPECT_EQ(loader.ChimTable1().RecordCount(), 1);
}

TEST_F(CalendarTableTest, RenamingAPlanCarriesItsPlanDaysAndDeletingItTakesThem) {
    folder.Insert("FANGAN",
                  "{\"NAME\": \"P\", \"ISACTIVE\": \"1\"}\n"
                  "{\"NAME\": \"考试\", \"ISACTIVE\": \"0\"}\n"
                  "{\"NAME\": \"考试二\", \"ISACTIVE\": \"0\"}\n");
    table.Add(Rule(Day(2026, 12, 7), Day(2026, 12, 8), "2", "期中考试", "", "考试"));
    table.Add(Rule(Day(2027, 1, 11), Day(2027, 1, 11), "2", "期末考试", "", "考试"));
    table.Add(Rule(Day(2027, 1, 12), Day(2027, 1, 12), "2", "补考", "", "考试二"));
    table.Add(Rule(Day(2027, 1, 13), Day(2027, 1, 13), "0", "考试", "", ""));
    FangAnManager manager(folder.AppPath(), loader);
    ASSERT_TRUE(manager.Rename("考试", "期考"));
    EXPECT_TRUE(manager.CalendarRulesNaming("考试").empty());
    const std::vector<CalendarRule> naming = manager.CalendarRulesNaming("期考");
    EXPECT_EQ(Notes(naming), (std::vector<std::string>{"期中考试", "期末考试"}));
    EXPECT_EQ(FangAnManager::CalendarQuestion(naming),
              "校历中以下日期按该方案打铃：\n2026-12-07 至 2026-12-08  期中考试\n"
              "2027-01-11  期末考试\n删除该方案后，这些校历规则也将一并删除。确认继续吗？");

    manager.Delete("期考");
    EXPECT_EQ(Notes(table.LoadRules()), (std::vector<std::string>{"补考", "考试"}));
}

}  // namespace
}  // namespace chimora::testing
