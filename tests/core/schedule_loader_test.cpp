#include "app/core/schedule_loader.h"

#include <gtest/gtest.h>

#include "chimdb/chim_session_list.h"
#include "tests/core/engine_fixture.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

std::string Entry(const std::string& plan, const std::string& time, const std::string& desc,
                  const std::string& weekFlags = "11111000") {
    std::string line = "{";
    for (int d = 1; d <= 8; ++d)
        line += "\"WEEK" + std::to_string(d) + "\": \"" + weekFlags.substr(d - 1, 1) + "\", ";
    return line + "\"RINGDESC\": \"" + desc + "\", \"RINGFILE\": \"bell.wav\", \"RINGTIME\": \"" +
           time + "\", \"RINGPROJECT\": \"" + plan + "\"}\n";
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

}  // namespace
}  // namespace chimora::testing
