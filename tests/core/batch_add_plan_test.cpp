#include "app/core/batch_add_plan.h"

#include <gtest/gtest.h>

#include "app/core/ring_set_saver.h"
#include "chimdb/chim_session_list.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(BatchAddTimesTest, ConsecutiveTimesAndEnd) {
    const std::vector<long> seconds{185, 240, 97};
    EXPECT_EQ(BatchAddPlan::JoinDurations(seconds), "185,240,97");
    EXPECT_EQ(BatchAddPlan::SplitDurations("185,240,97"), seconds);
    EXPECT_TRUE(BatchAddPlan::SplitDurations("").empty());
    EXPECT_EQ(BatchAddPlan::EntryTimes("08:00:00", seconds),
              (Strings{"08:00:00", "08:03:05", "08:07:05"}));
    EXPECT_EQ(BatchAddPlan::EndTime("08:00:00", seconds), "08:08:42");
    EXPECT_EQ(BatchAddPlan::EndTime("08:00:00", {}), "08:00:00");
}

TEST(BatchAddTimesTest, TimesWrapPastMidnight) {
    EXPECT_EQ(BatchAddPlan::EntryTimes("23:58:00", {100, 60, 30}),
              (Strings{"23:58:00", "23:59:40", "00:00:40"}));
    EXPECT_EQ(BatchAddPlan::EndTime("23:58:00", {100, 60, 30}), "00:01:10");
}

TEST(BatchAddTimesTest, OnlyThePartAfterTheFirstDotCountsAsMidi) {
    EXPECT_TRUE(BatchAddPlan::IsMidi("song.mid"));
    EXPECT_TRUE(BatchAddPlan::IsMidi("SONG.MID"));
    EXPECT_TRUE(BatchAddPlan::IsMidi("sub\\song.Mid"));
    EXPECT_FALSE(BatchAddPlan::IsMidi("song.midi"));
    EXPECT_FALSE(BatchAddPlan::IsMidi("a.b.mid"));
    EXPECT_TRUE(BatchAddPlan::IsMidi("mid"));  // no "." : the whole name counts
    EXPECT_FALSE(BatchAddPlan::SecondsOfDay("24:00:00"));
    EXPECT_FALSE(BatchAddPlan::SecondsOfDay("8:00:00"));
}

class BatchAddPlanTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }
    RingForm Form(const std::string& desc = "早操前音乐") {
        RingForm form;
        form.weeks = {true, true, true, true, true, false, false, false};
        form.desc = desc;
        return form;
    }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
    BatchAddPlan plan{folder.AppPath(), folder.MusicPath(), files};
};

TEST_F(BatchAddPlanTest, ChecksInOrderEachEntryFileThenMidiBeforeTheNext) {
    files.files.insert(folder.MusicPath() + "a.mp3");
    files.files.insert(folder.MusicPath() + "b.mid");
    RingForm form = Form("");
    form.weeks = {};
    EXPECT_EQ(plan.Check(form, {})->message, RingSetSaver::kNoDescription);
    form.desc = " ";
    EXPECT_EQ(plan.Check(form, {})->message, BatchAddPlan::kEmptyList);
    EXPECT_EQ(plan.Check(form, {})->focus, InputRefusal::Focus::PlayList);
    EXPECT_EQ(plan.Check(form, {"a.mp3", "b.mid", "gone.wav"})->message,
              BatchAddPlan::kMidiRefused);
    EXPECT_EQ(plan.Check(form, {"a.mp3", "gone.wav", "b.mid"})->message,
              RingSetSaver::kFileMissing);
    EXPECT_EQ(plan.Check(form, {"a.mp3"})->message, RingSetSaver::kNoWeekday);
    form.weeks[7] = true;
    EXPECT_FALSE(plan.Check(form, {"a.mp3", "a.mp3"}));
    form.desc = "😀";
    EXPECT_EQ(plan.Check(form, {"a.mp3"})->message, RingSetSaver::kDescriptionNotStorable);
}

TEST_F(BatchAddPlanTest, SaveWritesOneEntryPerListEntryAtConsecutiveTimes) {
    folder.Insert("Ring1_7", EntryLine("其他", "06:00:00", "other"));
    plan.Save(Form(), {"a.mp3", "sub\\b.wav", "a.mp3"}, "185,240,97", "08:00:00", "默认方案");
    const auto rows = ReadRows(folder.AppPath(), "Ring1_7", "ID");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].at("RINGDESC"), "other");
    const Strings times{"08:00:00", "08:03:05", "08:07:05"};
    const Strings files{"a.mp3", "sub\\b.wav", "a.mp3"};
    for (std::size_t i = 0; i < 3; ++i) {
        const Row& row = rows[i + 1];
        EXPECT_EQ(row.at("RINGTIME"), times[i]);
        EXPECT_EQ(row.at("RINGFILE"), files[i]);
        EXPECT_EQ(row.at("RINGDESC"), "早操前音乐");
        EXPECT_EQ(row.at("RINGPROJECT"), "默认方案");
        EXPECT_EQ(row.at("WEEK5") + row.at("WEEK6") + row.at("WEEK8"), "100");
    }
}

}  // namespace
}  // namespace chimora::testing
