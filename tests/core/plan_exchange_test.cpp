// A plan's file for another school: written from the tables and read back into them as a new
// plan, with everything the tables could not keep refused before anything is written.
#include "app/core/plan_exchange.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/core/calendar_table.h"
#include "app/core/school_calendar.h"
#include "chimdb/chim_session_list.h"
#include "platform/fake/fake_file_system.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The program's db.dll made afresh from its schema, with or without the calendar table (a
// file made before the calendar existed).
void MakeDatabase(const ProgramFolder& folder, bool withCalendar) {
    json schema =
        json::parse(chimdb::testing::Slurp(ProgramFolder::SourcePath("data/schema.json")));
    json tables = json::array();
    for (const json& table : schema["tables"]) {
        if (table["name"] != "Calendar")
            tables.push_back(table);
    }
    schema["tables"] = tables;
    if (withCalendar) {
        schema["tables"].push_back(json::parse(R"({
          "name": "Calendar",
          "fields": [
            {"name": "ID", "type": "ftAutoInc"},
            {"name": "DAYFROM", "type": "ftDate"},
            {"name": "DAYTO", "type": "ftDate"},
            {"name": "KIND", "type": "ftString", "size": 1},
            {"name": "WEEKDAY", "type": "ftString", "size": 1},
            {"name": "FANGAN", "type": "ftString", "size": 20},
            {"name": "NOTE", "type": "ftString", "size": 32}
          ],
          "indexes": [
            {"name": "ID", "fields": ["ID"], "options": ["primary", "unique"]},
            {"name": "DAYFROM", "fields": ["DAYFROM"]}
          ]
        })"));
    }
    const fs::path schemaFile = folder.AppPath() + "tool/calendar-schema.json";
    std::ofstream(schemaFile) << schema.dump();
    fs::remove(folder.DatabasePath());
    const auto result = chimdb::testing::RunTool(
        chimdb::testing::ToolPath(), folder.AppPath() + "tool",
        {"create", folder.DatabasePath(), "--schema", schemaFile.string()});
    ASSERT_EQ(result.status, 0) << result.err;
}

PlanExchange::Entry Entry(const std::string& time, const std::string& desc, const std::string& file,
                          std::optional<int> volume = std::nullopt) {
    PlanExchange::Entry entry;
    entry.weeks = {"1", "1", "1", "1", "1", "0", "0", "0"};
    entry.time = time;
    entry.desc = desc;
    entry.file = file;
    entry.volume = volume;
    return entry;
}

PlanExchange::Plan SamplePlan() {
    PlanExchange::Plan plan;
    plan.name = "考试方案";
    plan.entries = {Entry("07:30:00", "早读", "chime.wav", 40),
                    Entry("08:00:00", "开考", "bell.wav"),
                    Entry("09:30:00", "收卷", "tones\\rising.wav", 100)};
    plan.rules = {{"2026-12-31", "2027-01-02", "2", "", "跨年考试"},
                  {"2027-01-10", "2027-01-10", "2", "", "期末考试"}};
    return plan;
}

class PlanExchangeTest : public ::testing::Test {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    ProgramFolder folder;
    PlanExchange exchange{folder.AppPath()};
};

TEST_F(PlanExchangeTest, ExportedPlanImportsBackUnderANewNameWithEntriesAndRules) {
    MakeDatabase(folder, true);
    ASSERT_TRUE(exchange.HasCalendar());
    exchange.Write(SamplePlan(), "考试方案");
    // Another plan's entries and rules stay out of the export.
    PlanExchange::Plan other;
    other.entries = {Entry("10:00:00", "别的", "bell.wav")};
    other.rules = {{"2027-01-11", "2027-01-11", "2", "", "别的"}};
    exchange.Write(other, "考试方案二");

    const PlanExchange::Plan read = exchange.Read("考试方案");
    EXPECT_EQ(read, SamplePlan());

    const std::string file = folder.AppPath() + "exam.json";
    PlanExchange::SaveFile(file, PlanExchange::ToJson(read));
    const json document = json::parse(chimdb::testing::Slurp(file));
    EXPECT_EQ(document["format"], "chimora-plan");
    EXPECT_EQ(document["version"], 1);
    EXPECT_EQ(document["entries"][1]["RINGVOLUME"], nullptr);

    const PlanExchange::Plan parsed = PlanExchange::Parse(PlanExchange::LoadFile(file));
    EXPECT_EQ(parsed, SamplePlan());

    // Another school's program folder, which has a rule of its own on one of the days.
    ProgramFolder school;
    MakeDatabase(school, true);
    PlanExchange there(school.AppPath());
    PlanExchange::Plan holiday;
    holiday.rules = {{"2027-01-10", "2027-01-10", "0", "", "校庆"}};
    there.Write(holiday, "默认方案");
    EXPECT_EQ(there.Write(parsed, "考试方案(导入)"), 1u);
    PlanExchange::Plan expected = SamplePlan();
    expected.name = "考试方案(导入)";
    expected.rules.pop_back();  // the school's own rule over that day stays in force
    EXPECT_EQ(there.Read("考试方案(导入)"), expected);

    // The calendar reads the imported rules as the days they were written for.
    std::vector<CalendarRule> loaded = CalendarTable(school.AppPath()).LoadRules();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].FANGAN, "考试方案(导入)");
    EXPECT_EQ(loaded[0].DAYFROM, SchoolCalendar::DayOf(2026, 12, 31));
    EXPECT_EQ(loaded[0].DAYTO, SchoolCalendar::DayOf(2027, 1, 2));
    EXPECT_EQ(loaded[0].NOTE, "跨年考试");
    EXPECT_EQ(loaded[1].NOTE, "校庆");

    const auto plans = ReadRows(school.AppPath(), "FANGAN", "NAME");
    ASSERT_EQ(plans.size(), 2u);
    for (const Row& plan : plans)
        EXPECT_EQ(plan.at("ISACTIVE"), "0") << plan.at("NAME");
}

TEST_F(PlanExchangeTest, ADatabaseWithoutACalendarExportsAndImportsTheEntriesAlone) {
    MakeDatabase(folder, false);
    ASSERT_FALSE(exchange.HasCalendar());
    EXPECT_EQ(exchange.Write(SamplePlan(), "考试方案"), 0u);
    const PlanExchange::Plan read = exchange.Read("考试方案");
    EXPECT_EQ(read.entries, SamplePlan().entries);
    EXPECT_TRUE(read.rules.empty());
    EXPECT_EQ(ReadRows(folder.AppPath(), "Ring1_7", "ID").size(), 3u);
}

TEST_F(PlanExchangeTest, SoundsTheMusicFolderLacksAreListedOnce) {
    PlanExchange::Plan plan = SamplePlan();
    plan.entries.push_back(Entry("10:00:00", "again", "bell.wav"));
    platform::FakeFileSystem files;
    files.files.insert("/m/chime.wav");
    EXPECT_EQ(PlanExchange::MissingSounds(plan, files, "/m/"),
              (std::vector<std::string>{"bell.wav", "tones\\rising.wav"}));
}

// Each refused file names what is wrong, and no table has been touched.
TEST_F(PlanExchangeTest, FilesTheTablesCannotTakeAreRefusedWithAClearMessage) {
    const json good = json::parse(PlanExchange::ToJson(SamplePlan()));
    const auto refusal = [](const std::string& text) -> std::string {
        try {
            PlanExchange::Parse(text);
        } catch (const PlanExchange::Refused& refused) {
            return refused.what();
        }
        return "accepted";
    };
    const auto with = [&good](const std::function<void(json&)>& change) {
        json document = good;
        change(document);
        return document.dump();
    };
    const auto says = [](const std::string& message, const std::string& part) {
        return message.find(part) != std::string::npos &&
               message.rfind("无法导入方案文件：", 0) == 0 &&
               message.find("没有导入任何内容。") != std::string::npos;
    };

    EXPECT_EQ(refusal(good.dump()), "accepted");
    EXPECT_TRUE(says(refusal("{\"format\": \"chimora-plan\", "), "不是有效的JSON"));
    EXPECT_TRUE(says(refusal("[1, 2]"), "不是Chimora的方案文件"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["format"] = "other"; })), "不是Chimora"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["version"] = 2; })), "版本（2）不受支持"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d.erase("version"); })), "version"));
    EXPECT_TRUE(
        says(refusal(with([](json& d) { d["entries"] = "none"; })), "“entries”不是一个列表"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["entries"][1]["RINGDESC"] = "开考 🎵"; })),
                     "第2条铃声的“RINGDESC”中有无法保存的字符"));
    EXPECT_TRUE(says(refusal(with([](json& d) {
                         d["entries"][0]["RINGDESC"] = "一二三四五六七八九十一二三四五六七";
                     })),
                     "第1条铃声的“RINGDESC”太长"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["entries"][0]["RINGTIME"] = "25:00:00"; })),
                     "“RINGTIME”不是"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["entries"][0]["WEEK3"] = "x"; })), "WEEK3"));
    EXPECT_TRUE(
        says(refusal(with([](json& d) { d["entries"][0].erase("WEEK8"); })), "缺少“WEEK8”"));
    EXPECT_TRUE(
        says(refusal(with([](json& d) { d["entries"][0]["RINGVOLUME"] = 150; })), "RINGVOLUME"));
    EXPECT_TRUE(
        says(refusal(with([](json& d) { d["entries"][0]["RINGVOLUME"] = "50"; })), "RINGVOLUME"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["entries"][0]["RINGFILE"] = "..\\..\\x.wav"; })),
                     "不是music目录中的文件名"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["entries"][0]["RINGFILE"] = "/etc/passwd"; })),
                     "不是music目录中的文件名"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["calendar"][0]["DAYTO"] = "2026-02-30"; })),
                     "第1条校历规则的日期"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["calendar"][0]["DAYTO"] = "2026-12-30"; })),
                     "结束日期早于开始日期"));
    EXPECT_TRUE(
        says(refusal(with([](json& d) { d["calendar"][1]["KIND"] = "1"; })), "调休日，但没有指定"));
    EXPECT_TRUE(says(refusal(with([](json& d) { d["calendar"][1]["KIND"] = "3"; })), "KIND"));
    EXPECT_TRUE(
        says(refusal(with([](json& d) { d["calendar"][1]["NOTE"] = std::string(33, 'n'); })),
             "“NOTE”太长"));
    EXPECT_TRUE(says(refusal("{\"format\": \"chimora-plan\", \"version\": 1, \"plan\": 7}"),
                     "“plan”不是文字"));
    // Not UTF-8.
    EXPECT_TRUE(says(refusal("{\"format\": \"chimora-plan\", \"version\": 1, \"plan\": \"\xff\"}"),
                     "不是有效的JSON"));
    EXPECT_TRUE(ReadRows(folder.AppPath(), "FANGAN", "NAME").empty());
}

TEST_F(PlanExchangeTest, AMissingFileIsRefusedAndAFailedExportLeavesNoHalfFile) {
    EXPECT_THROW(PlanExchange::LoadFile(folder.AppPath() + "none.json"), PlanExchange::Refused);
    EXPECT_ANY_THROW(PlanExchange::SaveFile(folder.AppPath() + "no/such/folder/plan.json", "{}"));
    EXPECT_FALSE(fs::exists(folder.AppPath() + "no"));
}

}  // namespace
}  // namespace chimora::testing
