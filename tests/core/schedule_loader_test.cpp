#include "app/core/schedule_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "chimdb/chim_session_list.h"
#include "chimdb/database_error.h"
#include "tests/core/engine_fixture.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

std::string Entry(const std::string& plan, const std::string& time, const std::string& desc,
                  const std::string& weekFlags = "11111000", const std::string& file = "bell.wav") {
    std::string line = "{";
    for (int d = 1; d <= 8; ++d)
        line += "\"WEEK" + std::to_string(d) + "\": \"" + weekFlags.substr(d - 1, 1) + "\", ";
    return line + "\"RINGDESC\": \"" + desc + "\", \"RINGFILE\": \"" + file +
           "\", \"RINGTIME\": \"" + time + "\", \"RINGPROJECT\": \"" + plan + "\"}\n";
}

std::string Plan(const std::string& name, const std::string& active) {
    return "{\"NAME\": \"" + name + "\", \"ISACTIVE\": \"" + active + "\"}\n";
}

std::string ConfigRow(const std::string& id, const std::string& sysId, const std::string& value) {
    return "{\"ID\": \"" + id + "\", \"SYS_ID\": \"" + sysId + "\", \"SYS_VALUE\": \"" + value +
           "\"}\n";
}

class ScheduleLoaderTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    std::vector<std::string> Descriptions() const {
        std::vector<std::string> list;
        for (const auto& ring : state.RingList)
            list.push_back(ring.RINGDESC);
        return list;
    }

    // The descriptions of the records the main window's entry cursor shows, in its order.
    std::vector<std::string> VisibleRows() {
        std::vector<std::string> rows;
        chimdb::ChimTable& table = loader.ChimTable1();
        for (table.First(); !table.Eof(); table.Next())
            rows.push_back(table.FieldByName("RINGDESC").AsString());
        return rows;
    }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
};

TEST_F(ScheduleLoaderTest, InstalledDatabaseLoadsItsActivePlanAndSettings) {
    folder.InsertInstalledRows();
    state.CurrFangAn = loader.GetActiveFangAn();
    EXPECT_EQ(state.CurrFangAn, "默认方案");
    loader.LoadConfigData();
    EXPECT_EQ(state.SysConfig.AutoRun, "0");
    EXPECT_EQ(state.SysConfig.ShutDown, "0");
    EXPECT_EQ(state.SysConfig.ShutDownTime, "17:30:00");
    loader.LoadAllDataToMem();
    ASSERT_FALSE(state.RingList.empty());
    for (std::size_t i = 1; i < state.RingList.size(); ++i)
        EXPECT_LE(state.RingList[i - 1].RINGTIME, state.RingList[i].RINGTIME);
}

TEST_F(ScheduleLoaderTest, PlanNamesWithQuotesAndStarsSelectExactlyTheirOwnEntries) {
    folder.Insert("Ring1_7", Entry("AB", "08:00:00", "ab") + Entry("A*", "09:00:00", "star") +
                                 Entry("O'Brien", "10:00:00", "quote") +
                                 Entry("A", "11:00:00", "a"));
    for (const auto& [plan, expected] : std::vector<std::pair<std::string, std::string>>{
             {"A*", "star"}, {"O'Brien", "quote"}, {"A", "a"}, {"AB", "ab"}}) {
        state.CurrFangAn = plan;
        loader.LoadAllDataToMem();
        EXPECT_EQ(Descriptions(), std::vector<std::string>{expected}) << plan;
        loader.LoadData(1);
        EXPECT_EQ(loader.ChimTable1().RecordCount(), 1) << plan;
    }
}

// --- active plan and settings ----------------------------------------------------------

TEST_F(ScheduleLoaderTest, ActivePlanIsTheOneMarkedActive) {
    folder.Insert("FANGAN", Plan("Autumn", "0") + Plan("Exams", "1") + Plan("Winter", "0"));
    EXPECT_EQ(loader.GetActiveFangAn(), "Exams");
}

TEST_F(ScheduleLoaderTest, TwoActivePlansGiveTheFirstInNameOrder) {
    folder.Insert("FANGAN", Plan("Winter", "1") + Plan("Summer", "0") + Plan("Exams", "1"));
    EXPECT_EQ(loader.GetActiveFangAn(), "Exams");
}

TEST_F(ScheduleLoaderTest, WithoutAnActivePlanOnlyEntriesWithoutAPlanTakePart) {
    folder.Insert("FANGAN", Plan("Exams", "0") + Plan("Winter", "2"));
    folder.Insert("Ring1_7", Entry("Exams", "08:00:00", "exams") +
                                 Entry("", "09:00:00", "no plan") +
                                 Entry("Winter", "10:00:00", "winter"));
    state.CurrFangAn = loader.GetActiveFangAn();
    EXPECT_EQ(state.CurrFangAn, "");
    loader.LoadAllDataToMem();
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"no plan"});
}

TEST_F(ScheduleLoaderTest, MissingSettingsRowsLeaveTheirFieldsEmpty) {
    folder.Insert("Config", ConfigRow("1", "AUTORUN", "1") +
                                ConfigRow("3", "SHUTDOWNDTTM", "18:00:00") +
                                ConfigRow("4", "shutdown", "1"));
    state.SysConfig = {};
    loader.LoadConfigData();
    EXPECT_EQ(state.SysConfig.AutoRun, "1");
    EXPECT_EQ(state.SysConfig.ShutDown, "");  // "shutdown" is not "SHUTDOWN"
    EXPECT_EQ(state.SysConfig.ShutDownTime, "18:00:00");
    // The settings cursor stays open for the settings dialog to write through.
    EXPECT_TRUE(loader.ChimConfig().Active());
}

// --- the in-memory schedule ------------------------------------------------------------

TEST_F(ScheduleLoaderTest, RingListComesInRingTimeOrderWithTheFieldsThatAreRead) {
    state.CurrFangAn = "P";
    // The file name as JSON text: a sub-folder stored with a backslash.
    folder.Insert("Ring1_7",
                  Entry("P", "14:00:00", "afternoon", "00000111", "tones\\\\rising.wav") +
                      Entry("P", "07:30:00", "early", "10101010", "chime.wav") +
                      Entry("P", "09:05:00", "morning", "01010101", "bell.wav"));
    loader.LoadAllDataToMem();
    ASSERT_EQ(Descriptions(), (std::vector<std::string>{"early", "morning", "afternoon"}));
    const RingObj& early = state.RingList[0];
    EXPECT_EQ(early.RINGTIME, "07:30:00");
    EXPECT_EQ(early.RINGFILE, "chime.wav");
    EXPECT_EQ(early.WEEK1 + early.WEEK2 + early.WEEK3 + early.WEEK4 + early.WEEK5 + early.WEEK6 +
                  early.WEEK7,
              "1010101");
    EXPECT_EQ(state.RingList[2].RINGFILE, "tones\\rising.wav");
    for (const RingObj& ring : state.RingList) {
        EXPECT_EQ(ring.ID, "") << ring.RINGDESC;
        EXPECT_EQ(ring.WEEK8, "") << ring.RINGDESC;
    }
    // Today's list follows at once: the clock stands on a Monday.
    ASSERT_EQ(state.CurrRingList.size(), 1u);
    EXPECT_EQ(state.CurrRingList[0].RINGDESC, "early");
}

TEST_F(ScheduleLoaderTest, LoadDataShowsThePlansEntriesOfOneWeekdayIncludingTheTemporaryDay) {
    state.CurrFangAn = "P";
    folder.Insert("Ring1_7", Entry("P", "08:00:00", "weekdays", "11111000") +
                                 Entry("P", "09:00:00", "weekend", "00000110") +
                                 Entry("P", "10:00:00", "temporary", "00000001") +
                                 Entry("Q", "11:00:00", "other plan", "11111111") +
                                 Entry("P", "07:00:00", "mon+sun", "10000010"));
    const std::vector<std::vector<std::string>> expected = {{"mon+sun", "weekdays"},
                                                            {"weekdays"},
                                                            {"weekdays"},
                                                            {"weekdays"},
                                                            {"weekdays"},
                                                            {"weekend"},
                                                            {"mon+sun", "weekend"},
                                                            {"temporary"}};
    for (int weekday = 1; weekday <= 8; ++weekday) {
        loader.LoadData(weekday);
        EXPECT_EQ(VisibleRows(), expected[weekday - 1]) << "WEEK" << weekday;
    }
}

TEST_F(ScheduleLoaderTest, AfterLoadingTheCursorShowsTheWholePlanUntilADayIsChosen) {
    state.CurrFangAn = "P";
    folder.Insert("Ring1_7", Entry("P", "08:00:00", "monday", "10000000") +
                                 Entry("P", "09:00:00", "temporary", "00000001") +
                                 Entry("Q", "10:00:00", "other plan", "11111111"));
    loader.LoadData(1);
    EXPECT_EQ(VisibleRows(), std::vector<std::string>{"monday"});
    loader.LoadAllDataToMem();
    EXPECT_EQ(VisibleRows(), (std::vector<std::string>{"monday", "temporary"}));
    EXPECT_TRUE(loader.ChimTable1().Filtered());
}

// --- failures --------------------------------------------------------------------------

class FailedLoadTest : public ScheduleLoaderTest {
  protected:
    void SetUp() override {
        state.CurrFangAn = "P";
        folder.Insert("Ring1_7",
                      Entry("P", "08:00:00", "first") + Entry("P", "09:00:00", "second"));
        loader.LoadAllDataToMem();
        ASSERT_EQ(Descriptions().size(), 2u);
        // The program closes everything when the file goes away under it (e.g. the user
        // restored a backup); the next load must open the file afresh.
        loader.ChimTable1().Close();
        loader.ChimConfig().Close();
        chimdb::ChimSessionList::Instance().Shutdown();
    }

    void ExpectLoadFailsAndKeepsTheSchedule() {
        EXPECT_THROW(loader.LoadAllDataToMem(), chimdb::DatabaseError);
        EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second"}));
        EXPECT_THROW(loader.LoadData(1), chimdb::DatabaseError);
        EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second"}));
    }
};

TEST_F(FailedLoadTest, MissingDatabaseRaisesAndKeepsThePreviousRingList) {
    std::filesystem::remove(folder.DatabasePath());
    ExpectLoadFailsAndKeepsTheSchedule();
    EXPECT_FALSE(std::filesystem::exists(folder.DatabasePath()));  // not made up anew
}

TEST_F(FailedLoadTest, CorruptDatabaseRaisesAndKeepsThePreviousRingList) {
    const auto size = std::filesystem::file_size(folder.DatabasePath());
    std::ofstream(folder.DatabasePath(), std::ios::binary | std::ios::trunc)
        << std::string(size, '\x5A');
    ExpectLoadFailsAndKeepsTheSchedule();
}

TEST_F(FailedLoadTest, ReadListenerHoldsAFailedKindOfReadUntilThatKindReadsAgain) {
    std::vector<std::string> heard;
    loader.SetReadListener([&heard](const std::string& error) { heard.push_back(error); });
    const auto good = chimdb::testing::Slurp(folder.DatabasePath());
    std::filesystem::remove(folder.DatabasePath());
    EXPECT_THROW(loader.LoadAllDataToMem(), chimdb::DatabaseError);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_FALSE(heard.back().empty());

    std::ofstream(folder.DatabasePath(), std::ios::binary) << good;
    loader.LoadConfigData();  // the settings read, but the schedule still did not
    EXPECT_EQ(heard.back(), heard.front());
    loader.LoadAllDataToMem();
    EXPECT_EQ(heard.back(), "");
}

}  // namespace
}  // namespace chimora::testing
