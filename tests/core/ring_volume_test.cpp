// The volume of each ring: stored in RINGVOLUME, loaded with the plan, handed to the player
// at every play and named in the ring log when it is not full.
#include "app/core/ring_volume.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/core/batch_add_plan.h"
#include "app/core/ring_log.h"
#include "app/core/ring_set_saver.h"
#include "chimdb/chim_session_list.h"
#include "platform/fake/fake_log_files.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

TEST(RingVolumeTest, EntriesWithoutAPercentInRangeRingAtFullVolume) {
    EXPECT_EQ(RingVolume::Percent(""), 100);  // every entry made before volumes
    EXPECT_EQ(RingVolume::Percent("0"), 100);
    EXPECT_EQ(RingVolume::Percent("1"), 1);
    EXPECT_EQ(RingVolume::Percent("40"), 40);
    EXPECT_EQ(RingVolume::Percent("100"), 100);
    EXPECT_EQ(RingVolume::Percent("-5"), 100);
    EXPECT_EQ(RingVolume::Percent("101"), 100);
    EXPECT_EQ(RingVolume::Percent("40x"), 100);
    EXPECT_EQ(RingVolume::LogSuffix(100), "");
    EXPECT_EQ(RingVolume::LogSuffix(35), ", volume 35%");
}

TEST_F(EngineTest, DueRingIsPlayedAtItsVolumeAndTheNextAtItsOwn) {
    RingObj quiet = Ring("08:00:05", "quiet", "a.wav", "11111110");
    quiet.RINGVOLUME = "30";
    AddRing(quiet);
    AddRing(Ring("08:00:06", "old entry", "b.wav", "11111110"));  // no volume stored
    TickAt(8, 0, 5);
    TickAt(8, 0, 6);
    EXPECT_EQ(Plays(), (std::vector<std::string>{kMusic + "a.wav", kMusic + "b.wav"}));
    EXPECT_EQ(player.playVolumes, (std::vector<int>{30, 100}));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].volume, 30);
    EXPECT_EQ(reports[1].volume, 100);
}

TEST_F(EngineTest, APreviewAfterAQuietRingIsNotQuiet) {
    RingObj quiet = Ring("08:00:05", "quiet", "a.wav", "11111110");
    quiet.RINGVOLUME = "10";
    AddRing(quiet);
    TickAt(8, 0, 5);
    playback.play(kMusic + "a.wav");
    EXPECT_EQ(player.playVolumes, (std::vector<int>{10, 100}));
}

TEST(RingVolumeLogTest, RingLineNamesAVolumeThatIsNotFull) {
    platform::FakeClock clock;
    clock.Set(2026, 3, 4, 8, 0, 0, 12);
    platform::FakeLogFiles files;
    RingLog log(clock, files, "/school/chimora.log", nullptr);
    RingReport report{"08:00:00", "第一节", "bell.wav", RingReport::Outcome::Played,
                      {},         false,    12,         45};
    log.Ring(report);
    report.volume = 100;
    log.Ring(report);
    std::istringstream in(files.files["/school/chimora.log"]);
    std::string quiet, full;
    std::getline(in, quiet);
    std::getline(in, full);
    EXPECT_EQ(quiet,
              "2026-03-04 08:00:00.012 ring 08:00:00 \"第一节\" file \"bell.wav\": played, 12 ms "
              "after the second, volume 45%");
    EXPECT_EQ(full.find("volume"), std::string::npos);
}

class StoredVolumeTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }
    RingForm Form(int volume) {
        RingForm form;
        form.weeks = {true, true, true, true, true, false, false, false};
        form.desc = "上课";
        form.file = "bell.wav";
        form.time = "08:00:00";
        form.volume = volume;
        return form;
    }
    std::vector<Row> Entries() { return ReadRows(folder.AppPath(), "Ring1_7", "ID"); }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
};

TEST_F(StoredVolumeTest, EditorWritesTheVolumeAndTheScheduleRingsWithIt) {
    folder.Insert("Ring1_7", EntryLine("默认方案", "09:00:00", "made before volumes"));
    RingSetSaver saver(folder.AppPath(), folder.MusicPath(), files);
    saver.Add(Form(35), "默认方案");
    ASSERT_EQ(Entries().size(), 2u);
    // A record made without a volume holds 0 there, which rings at full volume.
    EXPECT_EQ(Entries()[0].at("RINGVOLUME"), "0");
    EXPECT_EQ(Entries()[1].at("RINGVOLUME"), "35");

    ASSERT_TRUE(saver.Update(Entries()[1].at("ID"), Form(80)));
    EXPECT_EQ(Entries()[1].at("RINGVOLUME"), "80");

    state.CurrFangAn = "默认方案";
    loader.LoadAllDataToMem();
    ASSERT_EQ(state.RingList.size(), 2u);
    EXPECT_EQ(state.RingList[0].RINGVOLUME, "80");
    EXPECT_EQ(state.RingList[1].RINGVOLUME, "0");
    files.files.insert(kMusic + "bell.wav");
    TickAt(8, 0, 0);
    TickAt(9, 0, 0);
    EXPECT_EQ(player.playVolumes, (std::vector<int>{80, 100}));
}

TEST_F(StoredVolumeTest, BatchAddGivesEveryEntryOfTheRunTheOneVolume) {
    BatchAddPlan plan(folder.AppPath(), folder.MusicPath(), files);
    plan.Save(Form(60), {"a.wav", "b.wav", "c.wav"}, "10,20,30", "08:00:00", "默认方案");
    const auto rows = Entries();
    ASSERT_EQ(rows.size(), 3u);
    for (const Row& row : rows)
        EXPECT_EQ(row.at("RINGVOLUME"), "60") << row.at("RINGFILE");
}

}  // namespace
}  // namespace chimora::testing
