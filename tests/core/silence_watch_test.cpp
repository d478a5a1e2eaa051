#include "app/core/silence_watch.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/core/clock_watch.h"
#include "platform/fake/fake_time_sync.h"

namespace chimora {
namespace {

using platform::TimeSyncState;

struct Heard {
    SilenceCause cause;
    bool active;
    std::string text;
};

class SilenceWatchTest : public ::testing::Test {
  protected:
    SilenceWatchTest() {
        warnings.SetListener([this](SilenceCause cause, bool active, const std::string& text) {
            heard.push_back({cause, active, text});
        });
    }

    SilenceWarnings warnings;
    SilenceWatch watch{warnings};
    std::vector<Heard> heard;
};

TEST_F(SilenceWatchTest, EachCauseStartsAndEndsOnceAndARepeatIsNoChange) {
    ProgramState state;
    watch.ScheduleInMemory(state);
    watch.ScheduleInMemory(state);  // every tick: no second start
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].cause, SilenceCause::NoActivePlan);

    state.CurrFangAn = "P";
    watch.ScheduleInMemory(state);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_FALSE(heard[1].active);
    EXPECT_EQ(heard[2].cause, SilenceCause::PlanWithoutEntries);

    // An unreadable database says it all; the schedule causes would only follow from it.
    watch.DatabaseRead("Cannot open file db.dll");
    watch.ScheduleInMemory(state);
    EXPECT_EQ(warnings.Active().size(), 1u);
    EXPECT_EQ(warnings.Active().at(SilenceCause::DatabaseUnreadable),
              "数据库无法读取：Cannot open file db.dll");
}

TEST_F(SilenceWatchTest, AFailedRingWarnsUntilARingPlays) {
    RingReport report{
        "08:00:00", "first", "bell.wav", RingReport::Outcome::Failed, "Unrecognized audio format",
        false,      5};
    watch.RingDone(report);
    EXPECT_EQ(warnings.Active().at(SilenceCause::LastRingFailed),
              "上次打铃失败：Unrecognized audio format");
    // Whether the device is there is the player's to say, not the error text's.
    EXPECT_FALSE(warnings.IsActive(SilenceCause::AudioUnavailable));

    report.outcome = RingReport::Outcome::Played;
    watch.RingDone(report);
    EXPECT_TRUE(warnings.Empty());
}

TEST(ClockWatchTest, LogsChangesOnlyAndNeverWarnsWithoutATimeService) {
    platform::FakeTimeSync sync;
    SilenceWarnings warnings;
    std::vector<std::string> log;
    ClockWatch watch(sync, warnings, [&log](const std::string& line) { log.push_back(line); });
    for (int hour = 0; hour < 2; ++hour) {
        watch.Check();
        sync.AnswerAll({TimeSyncState::Kind::Unknown, false, "ServiceUnknown"});
    }
    EXPECT_TRUE(warnings.Empty());
    EXPECT_EQ(log, std::vector<std::string>{"clock synchronisation unknown: ServiceUnknown"});

    for (int hour = 0; hour < 2; ++hour) {
        watch.Check();
        sync.AnswerAll({TimeSyncState::Kind::NotSynchronised, true, {}});
    }
    EXPECT_EQ(warnings.Active().at(SilenceCause::ClockNotSynchronised),
              "时钟未同步：已开启网络时间同步但尚未成功，请检查网络连接");
    EXPECT_EQ(log.size(), 2u);

    // An answer that comes after the watch has gone finds nobody.
    auto late = std::make_unique<ClockWatch>(sync, warnings, nullptr);
    late->Check();
    late.reset();
    sync.AnswerAll({TimeSyncState::Kind::Synchronised, true, {}});
    EXPECT_TRUE(warnings.IsActive(SilenceCause::ClockNotSynchronised));
}

}  // namespace
}  // namespace chimora
