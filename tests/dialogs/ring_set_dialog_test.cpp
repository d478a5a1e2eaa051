#include "dialogs/frm_ring_set.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;

class RingSetDialogTest : public DialogTest {
  protected:
    RingSetDialogTest() {
        state.CurrFangAn = "默认方案";
        folder.Insert("FANGAN", PlanLine("默认方案", true));
    }

    std::string Flags(QWidget& dialog) {
        std::string flags;
        for (int d = 1; d <= 8; ++d)
            flags += Find<QCheckBox>(dialog, ("chkWeek" + std::to_string(d)).c_str())->isChecked()
                         ? "1"
                         : "0";
        return flags;
    }
    std::vector<Row> Entries() { return ReadRows(folder.AppPath(), "Ring1_7", "ID"); }
    static void Type(QWidget& dialog, const char* name, const std::string& text) {
        Find<QLineEdit>(dialog, name)->setText(QString::fromStdString(text));
    }
    RingObj Existing(const std::string& id, const std::string& file) {
        RingObj ring = Ring("09:15:30", "第二节", file, "00100001");
        ring.ID = id;
        return ring;
    }
};

TEST_F(RingSetDialogTest, OpensWithTheMusicListingAndTodayChecked) {
    AddMusic("z.wav");
    files.AddFolder(folder.MusicPath(), "tones");
    files.AddFile(folder.MusicPath() + "tones\\", "rise.wav");
    FrmRingSet dialog(nullptr, context, "ADD", {});
    EXPECT_EQ(dialog.windowTitle().toStdString(), "铃声及时间设置");
    auto* fileSelect = Find<QComboBox>(dialog, "fileSelect");
    ASSERT_EQ(fileSelect->count(), 2);
    EXPECT_EQ(fileSelect->itemText(1).toStdString(), "tones\\rise.wav");
    EXPECT_EQ(fileSelect->currentIndex(), 0);
    EXPECT_EQ(Flags(dialog), "10000000");  // the fake clock reads a Monday
    EXPECT_EQ(Find<QTimeEdit>(dialog, "DTP1")->time(), QTime(8, 0, 0));
    EXPECT_EQ(Find<QPushButton>(dialog, "btnTest")->text().toStdString(), "试听");

    clock.Set(2026, 12, 13, 7, 0, 0);  // a Sunday
    FrmRingSet sunday(nullptr, context, "ADD", {});
    EXPECT_EQ(Flags(sunday), "00000010");
}

TEST_F(RingSetDialogTest, SaveChecksShowTheirMessagesInOrderAndWriteNothing) {
    FrmRingSet empty(nullptr, context, "ADD", {});
    Click(empty, "btnSave");  // no description, and no music at all
    Type(empty, "txtDesc", "  ");
    Click(empty, "btnSave");

    AddMusic("bell.wav");
    FrmRingSet dialog(nullptr, context, "ADD", {});
    Type(dialog, "txtDesc", "早操");
    files.files.clear();  // the file went away after the list was made
    Click(dialog, "btnSave");
    AddMusic("bell.wav");
    Find<QCheckBox>(dialog, "chkWeek1")->setChecked(false);
    Click(dialog, "btnSave");
    Type(dialog, "txtDesc", "早操😀");
    Find<QCheckBox>(dialog, "chkWeek8")->setChecked(true);
    Click(dialog, "btnSave");

    EXPECT_EQ(
        boxes.Texts(),
        (Strings{"请输入铃声描述！", "请选择铃声文件！", "铃声文件不存在，请重新选择！",
                 "星期一到星期日或临时铃声至少选择一项", RingSetSaver::kDescriptionNotStorable}));
    for (const auto& box : boxes.shown)
        EXPECT_EQ(box.buttons, platform::MessageBoxes::Buttons::Ok);
    EXPECT_TRUE(Entries().empty());
    EXPECT_NE(dialog.result(), 1);
}

TEST_F(RingSetDialogTest, AddSavesIntoTheActivePlanReloadsAndClosesWithOk) {
    AddMusic("bell.wav");
    FrmRingSet dialog(nullptr, context, "ADD", {});
    Type(dialog, "txtDesc", " 早操 ");
    Find<QTimeEdit>(dialog, "DTP1")->setTime(QTime(7, 30, 5));
    Click(dialog, "btnSave");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialog.result(), 1);
    const auto rows = Entries();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("RINGDESC"), " 早操 ");
    EXPECT_EQ(rows[0].at("RINGTIME"), "07:30:05");
    EXPECT_EQ(rows[0].at("RINGPROJECT"), "默认方案");
    ASSERT_EQ(state.RingList.size(), 1u);  // LoadAllDataToMem ran
}

TEST_F(RingSetDialogTest, UpdShowsTheEntryAndKeepsItsIdAndPlan) {
    folder.Insert("Ring1_7",
                  EntryLine("默认方案", "09:15:30", "第二节", "00100001", "Tones\\\\Rise.wav") +
                      EntryLine("默认方案", "10:00:00", "other"));
    const std::string id = Entries()[0].at("ID");
    files.AddFolder(folder.MusicPath(), "tones");
    files.AddFile(folder.MusicPath() + "tones\\", "rise.wav");
    FrmRingSet dialog(nullptr, context, "UPD", Existing(id, "Tones\\Rise.wav"));
    EXPECT_EQ(Flags(dialog), "00100001");
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtDesc")->text().toStdString(), "第二节");
    EXPECT_EQ(Find<QComboBox>(dialog, "fileSelect")->currentText().toStdString(),
              "tones\\rise.wav");  // the list's lookup ignores letter case
    EXPECT_EQ(Find<QTimeEdit>(dialog, "DTP1")->time(), QTime(9, 15, 30));

    Type(dialog, "txtDesc", "改过");
    Click(dialog, "btnSave");
    EXPECT_EQ(dialog.result(), 1);
    const auto rows = Entries();
    EXPECT_EQ(rows[0].at("ID"), id);
    EXPECT_EQ(rows[0].at("RINGPROJECT"), "默认方案");
    EXPECT_EQ(rows[0].at("RINGDESC"), "改过");
    EXPECT_EQ(rows[0].at("RINGFILE"), "tones\\rise.wav");
    EXPECT_EQ(rows[1].at("RINGDESC"), "other");
}

TEST_F(RingSetDialogTest, UpdOfAVanishedEntryOrFileWritesNothing) {
    AddMusic("bell.wav");
    FrmRingSet gone(nullptr, context, "UPD", Existing("42", "bell.wav"));
    Click(gone, "btnSave");
    EXPECT_EQ(boxes.Texts(), Strings{RingSetSaver::kEntryGone});
    EXPECT_NE(gone.result(), 1);

    FrmRingSet noFile(nullptr, context, "UPD", Existing("1", "old.wav"));
    EXPECT_EQ(Find<QComboBox>(noFile, "fileSelect")->currentIndex(), -1);
    Click(noFile, "btnSave");
    EXPECT_EQ(boxes.Texts().back(), "请选择铃声文件！");
    EXPECT_TRUE(Entries().empty());
}

TEST_F(RingSetDialogTest, WeekdayShortcutSetsAndClearsAllBoxes) {
    FrmRingSet dialog(nullptr, context, "ADD", {});
    Find<QCheckBox>(dialog, "chkWeek7")->setChecked(true);
    Click(dialog, "chkSelectWeek");
    EXPECT_EQ(Flags(dialog), "11111000");
    Find<QCheckBox>(dialog, "chkWeek6")->setChecked(true);
    Find<QCheckBox>(dialog, "chkWeek8")->setChecked(true);
    Click(dialog, "chkSelectWeek");
    EXPECT_EQ(Flags(dialog), "00000000");
}

TEST_F(RingSetDialogTest, PreviewTogglesThroughTheMainWindowsPlayerAndOpensTheMusicFolder) {
    AddMusic("bell.wav");
    FrmRingSet dialog(nullptr, context, "ADD", {});
    auto* btnTest = Find<QPushButton>(dialog, "btnTest");
    btnTest->click();
    EXPECT_EQ(btnTest->text().toStdString(), "停止");
    EXPECT_EQ(Plays(), Strings{folder.MusicPath() + "bell.wav"});
    btnTest->click();
    EXPECT_EQ(btnTest->text().toStdString(), "试听");
    EXPECT_EQ(player.calls.back(), "stop");

    player.FailOpen(folder.MusicPath() + "bell.wav", "cannot open");
    btnTest->click();
    EXPECT_EQ(btnTest->text().toStdString(), "试听");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MessageBoxes::Kind::Error);

    Click(dialog, "btnAddFile");
    EXPECT_EQ(shell.folders, Strings{folder.AppPath() + "music"});
}

TEST_F(RingSetDialogTest, StoreErrorIsShownInTheErrorBoxAndTheDialogStaysOpen) {
    AddMusic("bell.wav");
    std::filesystem::remove(folder.DatabasePath());
    FrmRingSet dialog(nullptr, context, "ADD", {});
    Type(dialog, "txtDesc", "x");
    Click(dialog, "btnSave");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MessageBoxes::Kind::Error);
    EXPECT_NE(dialog.result(), 1);
}

}  // namespace
}  // namespace chimora::testing
