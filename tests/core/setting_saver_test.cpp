#include "app/core/setting_saver.h"

#include <gtest/gtest.h>

#include "chimdb/chim_session_list.h"
#include "platform/fake/fake_autorun.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

TEST(ShutdownTimeTest, StoredTimesReadAsTimesOfDay) {
    EXPECT_EQ(SettingSaver::ReadShutdownTime("17:30:00"), "17:30:00");
    EXPECT_EQ(SettingSaver::ReadShutdownTime("7:05"), "07:05:00");
    EXPECT_FALSE(SettingSaver::ReadShutdownTime(""));
    EXPECT_FALSE(SettingSaver::ReadShutdownTime("25:00:00"));
    EXPECT_FALSE(SettingSaver::ReadShutdownTime("abc"));
    EXPECT_FALSE(SettingSaver::ReadShutdownTime("12:00:00:00"));
    EXPECT_FALSE(SettingSaver::ReadShutdownTime("123:00"));
    EXPECT_EQ(SettingSaver::BadTimeNote("x").rfind("'x' is not a valid date and time", 0), 0u);
}

class SettingSaverTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }
    std::map<std::string, std::string> Values() {
        std::map<std::string, std::string> values;
        for (const auto& row : ReadRows(folder.AppPath(), "Config", "ID"))
            values[row.at("ID") + " " + row.at("SYS_ID")] = row.at("SYS_VALUE");
        return values;
    }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
    platform::FakeAutorun autorun;
    SettingSaver saver{loader, autorun, "/opt/chimora/chimora"};
};

TEST_F(SettingSaverTest, SaveWritesTheRowsByKeyAndTheAutorunEntry) {
    folder.InsertInstalledRows();
    saver.Save({true, true, "18:30:00"});
    EXPECT_EQ(autorun.entries.at("Ring"), "/opt/chimora/chimora");
    EXPECT_EQ(Values(),
              (std::map<std::string, std::string>{
                  {"1 AUTORUN", "1"}, {"2 SHUTDOWN", "1"}, {"3 SHUTDOWNDTTM", "18:30:00"}}));
    EXPECT_EQ(state.SysConfig.ShutDownTime, "18:30:00");
    EXPECT_EQ(state.SysConfig.AutoRun, "1");

    saver.Save({false, false, "19:00:00"});
    EXPECT_TRUE(autorun.entries.empty());
    EXPECT_EQ(Values().at("2 SHUTDOWN"), "0");
    EXPECT_EQ(Values().at("3 SHUTDOWNDTTM"), "19:00:00");  // kept while shutdown is off
    EXPECT_EQ(state.SysConfig.ShutDown, "0");
}

TEST_F(SettingSaverTest, AutorunFailureChangesNoRow) {
    folder.InsertInstalledRows();
    autorun.refuseWrites = true;
    EXPECT_THROW(saver.Save({true, true, "18:30:00"}), platform::AutorunError);
    EXPECT_EQ(Values().at("2 SHUTDOWN"), "0");
    EXPECT_EQ(Values().at("3 SHUTDOWNDTTM"), "17:30:00");
}

TEST_F(SettingSaverTest, MissingRowsAreAddedNotWrittenOverOthers) {
    folder.Insert("Config",
                  "{\"ID\": \"1\", \"SYS_ID\": \"AUTORUN\", \"SYS_VALUE\": \"0\"}\n"
                  "{\"ID\": \"10\", \"SYS_ID\": \"OTHER\", \"SYS_VALUE\": \"keep\"}\n");
    saver.Save({false, true, "06:00:00"});
    const auto values = Values();
    EXPECT_EQ(values.at("10 OTHER"), "keep");
    EXPECT_EQ(values.at("1 AUTORUN"), "0");
    EXPECT_EQ(values.at("2 SHUTDOWN"), "1");
    EXPECT_EQ(values.at("3 SHUTDOWNDTTM"), "06:00:00");
    EXPECT_EQ(state.SysConfig.ShutDownTime, "06:00:00");
}

}  // namespace
}  // namespace chimora::testing
