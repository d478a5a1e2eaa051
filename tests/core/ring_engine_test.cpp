#include <gtest/gtest.h>

#include "tests/core/engine_fixture.h"

namespace chimora::testing {
namespace {

// --- which entry rings, and when ------------------------------------------------------

TEST_F(EngineTest, RingsOnlyInTheDueSecond) {
    AddRing(Ring("08:00:00", "上课", "bell.wav", "11111000"));
    TickAt(7, 59, 59);
    EXPECT_TRUE(Plays().empty());
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "bell.wav"});
    TickAt(8, 0, 1);
    TickAt(8, 0, 2);
    EXPECT_EQ(Plays().size(), 1u);
    EXPECT_EQ(ringStarted, std::vector<int>{1});
}

TEST_F(EngineTest, TwoTicksInTheDueSecondRestartTheSound) {
    AddRing(Ring("08:00:00", "上课", "bell.wav", "10000000"));
    TickAt(8, 0, 0);
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays().size(), 2u);
    // The second play stops the first one before it opens the file again.
    EXPECT_EQ(player.calls[2], "stop");
}

TEST_F(EngineTest, OnlyTheFirstOfEqualTimesPlays) {
    AddRing(Ring("08:00:00", "first", "a.wav", "10000000"));
    AddRing(Ring("08:00:00", "second", "b.wav", "10000000"));
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "a.wav"});
}

TEST_F(EngineTest, WeekdayFlagsSelectTodaysEntries) {
    AddRing(Ring("09:00:00", "mon-wed", "mw.wav", "10100000"));
    clock.Set(2026, 12, 8, 9, 0, 0);  // Tuesday
    engine.Timer1Timer();
    EXPECT_TRUE(state.CurrRingList.empty());
    EXPECT_TRUE(Plays().empty());
    clock.Set(2026, 12, 9, 9, 0, 0);  // Wednesday
    engine.Timer1Timer();
    EXPECT_EQ(Plays().size(), 1u);
    EXPECT_EQ(state.TodayWeek, 3);
    EXPECT_EQ(ringStarted, std::vector<int>{3});
}

TEST_F(EngineTest, SundayIsWeekdaySeven) {
    AddRing(Ring("10:00:00", "sunday", "s.wav", "00000010"));
    clock.Set(2026, 12, 13, 10, 0, 0);
    engine.Timer1Timer();
    EXPECT_EQ(state.TodayWeek, 7);
    EXPECT_EQ(ringStarted, std::vector<int>{7});
}

TEST_F(EngineTest, TemporaryFlagNeverRingsByTheClock) {
    AddRing(Ring("08:00:00", "temporary", "t.wav", "00000001"));
    TickAt(8, 0, 0);
    EXPECT_TRUE(Plays().empty());
    EXPECT_TRUE(ringStarted.empty());
}

TEST_F(EngineTest, MissingFileIsSkippedSilentlyButStillAnnounced) {
    AddRing(Ring("08:00:00", "gone", "gone.wav", "10000000"), false);
    AddRing(Ring("08:00:00", "other", "other.wav", "10000000"));
    TickAt(8, 0, 0);
    EXPECT_TRUE(Plays().empty());  // the missing file ends the walk like a played one
    EXPECT_EQ(ringStarted, std::vector<int>{1});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].outcome, RingReport::Outcome::FileMissing);
}

TEST_F(EngineTest, PlayerErrorIsDiscardedAndTheNextEqualEntryIsTried) {
    AddRing(Ring("08:00:00", "broken", "broken.wav", "10000000"));
    AddRing(Ring("08:00:00", "good", "good.wav", "10000000"));
    player.FailOpen(kMusic + "broken.wav", "unsupported format");
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "good.wav"});
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].outcome, RingReport::Outcome::Failed);
    EXPECT_EQ(reports[0].error, "unsupported format");
}

TEST_F(EngineTest, SubFolderFilesKeepTheirStoredForm) {
    AddRing(Ring("08:00:00", "sub", "课间\\bell.wav", "10000000"));
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "课间\\bell.wav"});
}

// --- paused, shutdown ------------------------------------------------------------------

TEST_F(EngineTest, PausedEngineNeitherPlaysNorCatchesUpLater) {
    AddRing(Ring("08:00:00", "bell", "bell.wav", "10000000"));
    engine.SetRunning(false);
    TickAt(8, 0, 0);
    engine.SetRunning(true);
    TickAt(8, 0, 1);
    EXPECT_TRUE(Plays().empty());
}

TEST_F(EngineTest, ShutdownHappensInItsExactSecondEvenWhenPaused) {
    state.SysConfig = {"0", "1", "17:30:00"};
    engine.SetRunning(false);
    TickAt(17, 29, 59);
    EXPECT_TRUE(power.operations.empty());
    TickAt(17, 30, 0);
    TickAt(17, 30, 1);
    EXPECT_EQ(power.operations, std::vector{platform::PowerOperation::ShutDown});
}

TEST_F(EngineTest, ShutdownOffOrUnreadableTimeDoesNothing) {
    state.SysConfig = {"0", "0", "17:30:00"};
    TickAt(17, 30, 0);
    state.SysConfig = {"0", "1", "17:30"};
    TickAt(17, 30, 0);
    EXPECT_TRUE(power.operations.empty());
}

TEST(PeManagerTest, CodesMapToOperationsAndOthersOnlyEnableThePrivilege) {
    platform::FakePower power;
    PeManager manager(power);
    for (int code = 0; code <= 6; ++code)
        manager.PowerOff(code);
    using platform::PowerOperation;
    EXPECT_EQ(power.privilegeRequests, 7);
    EXPECT_EQ(power.operations, (std::vector{PowerOperation::ForcedLogOff, PowerOperation::LogOff,
                                             PowerOperation::PowerOff, PowerOperation::Restart,
                                             PowerOperation::ShutDown}));
}

// --- status line ---------------------------------------------------------------------

TEST_F(EngineTest, StatusLineOfTheThreeStates) {
    state.CurrFangAn = "默认方案";
    AddRing(Ring("08:00:00", "早读", "a.wav", "10000000"));
    AddRing(Ring("12:00:00", "午休", "b.wav", "10000000"));
    TickAt(11, 0, 0);
    EXPECT_EQ(status, "运行中    下一首播放曲目:午休   时间:12:00:00    方案:默认方案");
    TickAt(12, 0, 0);  // an entry still counts as next during its own second
    EXPECT_EQ(status, "运行中    下一首播放曲目:午休   时间:12:00:00    方案:默认方案");
    TickAt(12, 0, 1);
    EXPECT_EQ(status, "运行中    当天曲目已经播放完成    方案:默认方案");
    engine.SetRunning(false);
    TickAt(12, 0, 2);
    EXPECT_EQ(status, "停止中    方案:默认方案");
}

TEST_F(EngineTest, EmptyScheduleWithoutPlanShowsAllPlayed) {
    TickAt(9, 0, 0);
    EXPECT_EQ(status, "运行中    当天曲目已经播放完成    方案:");
}

TEST_F(EngineTest, NextRingIgnoresEntriesWithoutFile) {
    AddRing(Ring("09:00:00", "no file", "", "10000000"), false);
    TickAt(8, 0, 0);
    EXPECT_EQ(status, "运行中    当天曲目已经播放完成    方案:");
}

TEST_F(EngineTest, MidnightSwitchesToTheNewDaysFirstRing) {
    AddRing(Ring("07:30:00", "monday", "m.wav", "10000000"));
    AddRing(Ring("07:45:00", "tuesday", "t.wav", "01000000"));
    clock.Set(2026, 12, 7, 23, 59, 59);
    engine.Timer1Timer();
    EXPECT_EQ(status, "运行中    当天曲目已经播放完成    方案:");
    clock.Advance(1);
    engine.Timer1Timer();
    EXPECT_EQ(state.TodayWeek, 2);
    EXPECT_EQ(status, "运行中    下一首播放曲目:tuesday   时间:07:45:00    方案:");
}

// --- stalls: seconds skipped by a late tick ----------------------------------------------

TEST_F(EngineTest, ShortStallPlaysTheEntryOfASkippedSecondLate) {
    AddRing(Ring("08:00:00", "bell", "bell.wav", "10000000"));
    TickAt(7, 59, 59);
    clock.Set(2026, 12, 7, 8, 0, 2, 40);
    engine.Timer1Timer();
    EXPECT_EQ(Plays().size(), 1u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].caughtUp);
    EXPECT_EQ(reports[0].delayMs, 2040);
    TickAt(8, 0, 3);
    EXPECT_EQ(Plays().size(), 1u);  // played once only
}

TEST_F(EngineTest, StallCatchUpPlaysOnlyTheLatestSkippedEntry) {
    AddRing(Ring("08:00:01", "early", "a.wav", "10000000"));
    AddRing(Ring("08:00:02", "late", "b.wav", "10000000"));
    TickAt(8, 0, 0);
    TickAt(8, 0, 4);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "b.wav"});
}

TEST_F(EngineTest, EntryOfTheCurrentSecondWinsOverACaughtUpOne) {
    AddRing(Ring("08:00:01", "skipped", "a.wav", "10000000"));
    AddRing(Ring("08:00:03", "now", "b.wav", "10000000"));
    TickAt(8, 0, 0);
    TickAt(8, 0, 3);
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "b.wav"});
}

TEST_F(EngineTest, LongGapsAndClockJumpsRingNothingLate) {
    AddRing(Ring("08:00:00", "bell", "bell.wav", "10000000"));
    TickAt(7, 59, 54);
    TickAt(8, 0, 1);  // six seconds since the previous tick: a sleep or a clock change
    TickAt(7, 0, 0);
    TickAt(8, 0, 2);  // clock set forward by an hour
    TickAt(9, 0, 0);
    TickAt(8, 0, 1);  // clock set back: negative gap
    EXPECT_TRUE(Plays().empty());
}

TEST_F(EngineTest, NoCatchUpAcrossMidnightOrWhilePaused) {
    AddRing(Ring("23:59:59", "late", "l.wav", "10000000"));
    clock.Set(2026, 12, 7, 23, 59, 58);
    engine.Timer1Timer();
    clock.Set(2026, 12, 8, 0, 0, 1);
    engine.Timer1Timer();
    EXPECT_TRUE(Plays().empty());

    AddRing(Ring("00:00:02", "paused", "p.wav", "01000000"));
    engine.SetRunning(false);
    clock.SetTime(0, 0, 4);
    engine.Timer1Timer();
    EXPECT_TRUE(Plays().empty());
}

// --- the ring of the next second is made ready ---------------------------------------------

TEST_F(EngineTest, TheSecondBeforeARingPreparesTheFileThatWillPlay) {
    AddRing(Ring("08:00:00", "missing", "gone.wav", "10000000"), false);
    AddRing(Ring("08:00:00", "shadowed", "other.wav", "10000000"));
    AddRing(Ring("08:00:05", "bell", "bell.wav", "10000000"));
    AddRing(Ring("08:00:05", "second of equal time", "b.wav", "10000000"));
    AddRing(Ring("08:00:07", "tuesday", "t.wav", "01000000"));
    TickAt(7, 59, 58);
    TickAt(7, 59, 59);  // the first due at 08:00:00 has no file: nothing would play
    TickAt(8, 0, 3);
    EXPECT_TRUE(player.prepared.empty());
    TickAt(8, 0, 4);
    EXPECT_EQ(player.prepared, std::vector<std::string>{kMusic + "bell.wav"});
    TickAt(8, 0, 5);
    TickAt(8, 0, 6);  // an entry of another weekday is not made ready
    EXPECT_EQ(player.prepared.size(), 1u);
    // Preparing is no MCI call: the due tick opens and plays as it always did.
    EXPECT_EQ(Plays(), std::vector<std::string>{kMusic + "bell.wav"});
}

TEST_F(EngineTest, NothingIsPreparedWhilePausedOrForTomorrow) {
    AddRing(Ring("08:00:01", "bell", "bell.wav", "10000000"));
    AddRing(Ring("00:00:00", "midnight", "m.wav", "11111111"));
    engine.SetRunning(false);
    TickAt(8, 0, 0);
    engine.SetRunning(true);
    TickAt(23, 59, 59);
    EXPECT_TRUE(player.prepared.empty());
}

// --- lists ---------------------------------------------------------------------------------

TEST_F(EngineTest, CurrentDataKeepsListOrderAndCopiesFields) {
    AddRing(Ring("07:00:00", "a", "a.wav", "10000000"));
    AddRing(Ring("08:00:00", "b", "b.wav", "01000000"));
    AddRing(Ring("09:00:00", "c", "c.wav", "10000001"));
    engine.GetCurrentData();
    ASSERT_EQ(state.CurrRingList.size(), 2u);
    EXPECT_EQ(state.CurrRingList[0], (CurrRingObj{"1", "a.wav", "07:00:00", "a"}));
    EXPECT_EQ(state.CurrRingList[1], (CurrRingObj{"1", "c.wav", "09:00:00", "c"}));
}

TEST_F(EngineTest, RingStartedAnswerMayReloadTheList) {
    AddRing(Ring("08:00:00", "bell", "bell.wav", "10000000"));
    engine.SetHooks({nullptr, [this](int) { state.RingList.clear(); }, nullptr});
    TickAt(8, 0, 0);
    EXPECT_EQ(Plays().size(), 1u);
}

}  // namespace
}  // namespace chimora::testing
