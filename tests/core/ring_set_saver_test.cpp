#include "app/core/ring_set_saver.h"

#include <gtest/gtest.h>

#include "chimdb/chim_session_list.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {
namespace {

class RingSetSaverTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    RingForm Form(const std::string& desc = "早操") {
        RingForm form;
        form.weeks = {true, false, true, false, false, false, false, false};
        form.desc = desc;
        form.file = "sub\\bell.wav";
        form.time = "07:30:05";
        return form;
    }
    std::vector<Row> Entries() { return ReadRows(folder.AppPath(), "Ring1_7", "ID"); }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
    void AddMusicFile(const std::string& stored) {
        files.files.insert(folder.MusicPath() + stored);
    }

    RingSetSaver saver{folder.AppPath(), folder.MusicPath(), files};
};

TEST_F(RingSetSaverTest, ChecksRunInTheirOrderAndStopAtTheFirstFailure) {
    AddMusicFile("sub\\bell.wav");
    RingForm form = Form("");
    form.file.clear();
    form.weeks = {};
    EXPECT_EQ(saver.Check(form)->message, RingSetSaver::kNoDescription);
    EXPECT_EQ(saver.Check(form)->focus, InputRefusal::Focus::Description);
    form.desc = "   ";  // blanks pass
    EXPECT_EQ(saver.Check(form)->message, RingSetSaver::kNoFile);
    form.file = "gone.wav";
    EXPECT_EQ(saver.Check(form)->message, RingSetSaver::kFileMissing);
    EXPECT_EQ(saver.Check(form)->focus, InputRefusal::Focus::FileChoice);
    form.file = "sub\\bell.wav";
    EXPECT_EQ(saver.Check(form)->message, RingSetSaver::kNoWeekday);
    form.weeks[7] = true;  // the temporary ring alone is enough
    EXPECT_FALSE(saver.Check(form));
}

TEST_F(RingSetSaverTest, TextTheStoreCannotKeepIsRefusedBeforeAnythingIsWritten) {
    AddMusicFile("sub\\bell.wav");
    EXPECT_EQ(saver.Check(Form("早操 🎵"))->message, RingSetSaver::kDescriptionNotStorable);
    AddMusicFile("🎵.wav");
    RingForm form = Form();
    form.file = "🎵.wav";
    EXPECT_EQ(saver.Check(form)->message, RingSetSaver::kFileNameNotStorable);
    const std::string longName(201, 'x');
    AddMusicFile(longName);
    form.file = longName;
    EXPECT_EQ(saver.Check(form)->message, RingSetSaver::kFileNameTooLong);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(RingSetSaverTest, AddWritesEveryFieldIntoTheActivePlan) {
    saver.Add(Form(), "默认方案");
    const auto rows = Entries();
    ASSERT_EQ(rows.size(), 1u);
    const Row& row = rows[0];
    EXPECT_EQ(row.at("WEEK1") + row.at("WEEK2") + row.at("WEEK3") + row.at("WEEK4") +
                  row.at("WEEK5") + row.at("WEEK6") + row.at("WEEK7") + row.at("WEEK8"),
              "10100000");
    EXPECT_EQ(row.at("RINGDESC"), "早操");
    EXPECT_EQ(row.at("RINGFILE"), "sub\\bell.wav");
    EXPECT_EQ(row.at("RINGTIME"), "07:30:05");
    EXPECT_EQ(row.at("RINGPROJECT"), "默认方案");
    EXPECT_FALSE(row.at("ID").empty());
}

TEST_F(RingSetSaverTest, UpdateKeepsIdAndPlanAndChangesOnlyItsEntry) {
    folder.Insert("Ring1_7",
                  EntryLine("甲", "08:00:00", "one") + EntryLine("乙", "09:00:00", "two"));
    const auto before = Entries();
    RingForm form = Form("changed");
    form.time = "10:11:12";
    ASSERT_TRUE(saver.Update(before[1].at("ID"), form));
    const auto after = Entries();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1].at("ID"), before[1].at("ID"));
    EXPECT_EQ(after[1].at("RINGPROJECT"), "乙");
    EXPECT_EQ(after[1].at("RINGDESC"), "changed");
    EXPECT_EQ(after[1].at("RINGTIME"), "10:11:12");
    EXPECT_EQ(after[1].at("WEEK2"), "0");
}

TEST_F(RingSetSaverTest, UpdateOfAnUnknownIdWritesNothing) {
    folder.Insert("Ring1_7", EntryLine("甲", "08:00:00", "one"));
    const auto before = Entries();
    EXPECT_FALSE(saver.Update("999", Form()));
    EXPECT_FALSE(saver.Update("", Form()));
    EXPECT_FALSE(saver.Update("1 OR 1", Form()));
    EXPECT_EQ(Entries(), before);
}

TEST_F(RingSetSaverTest, LongDescriptionIsCutAtACharacterBoundary) {
    // 17 Chinese characters take 34 bytes; RINGDESC keeps 32, i.e. 16 characters.
    const std::string seventeen = "一二三四五六七八九十一二三四五六七";
    saver.Add(Form(seventeen), "A");
    EXPECT_EQ(Entries()[0].at("RINGDESC"), seventeen.substr(0, 16 * 3));
    saver.Add(Form("it's a \"quote\" * test"), "A");
    EXPECT_EQ(Entries()[1].at("RINGDESC"), "it's a \"quote\" * test");
}

}  // namespace
}  // namespace chimora::testing
