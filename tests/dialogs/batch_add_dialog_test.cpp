#include "dialogs/frm_batch_add.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>

#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;

class BatchAddDialogTest : public DialogTest {
  protected:
    BatchAddDialogTest() {
        state.CurrFangAn = "默认方案";
        AddMusic("a.mp3", 185000);
        AddMusic("b.wav", 240000);
        AddMusic("c.mp3", 97000);
        AddMusic("d.mid", 5000);
    }

    static void AddToList(QWidget& dialog, const std::string& file) {
        auto* choice = Find<QComboBox>(dialog, "fileSelect");
        choice->setCurrentIndex(choice->findText(QString::fromStdString(file)));
        Click(dialog, "btnAddToList");
    }
    static std::string Durations(QWidget& dialog) {
        return Find<QLineEdit>(dialog, "txtTime")->text().toStdString();
    }
    static std::string End(QWidget& dialog) {
        return Find<QLabel>(dialog, "lblEnd")->text().toStdString();
    }
    static Strings Listed(QWidget& dialog) {
        Strings entries;
        auto* list = Find<QListWidget>(dialog, "fileMutiSelect");
        for (int i = 0; i < list->count(); ++i)
            entries.push_back(list->item(i)->text().toStdString());
        return entries;
    }
    std::vector<Row> Entries() { return ReadRows(folder.AppPath(), "Ring1_7", "ID"); }
};

TEST_F(BatchAddDialogTest, DurationsAndEndTimeFollowTheList) {
    FrmBatchAdd dialog(nullptr, context);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "新增连续播放");
    EXPECT_EQ(End(dialog), "结束播放时间：");
    EXPECT_TRUE(Find<QLineEdit>(dialog, "txtTime")->isHidden());
    AddToList(dialog, "a.mp3");
    AddToList(dialog, "b.wav");
    AddToList(dialog, "c.mp3");
    EXPECT_EQ(Durations(dialog), "185,240,97");
    EXPECT_EQ(End(dialog), "结束播放时间：08:08:42");

    Find<QTimeEdit>(dialog, "DTP1")->setTime(QTime(9, 0, 0));
    EXPECT_EQ(End(dialog), "结束播放时间：09:08:42");

    Find<QListWidget>(dialog, "fileMutiSelect")->clearSelection();
    Click(dialog, "btnRemove");
    EXPECT_EQ(Listed(dialog).size(), 3u);
    Find<QListWidget>(dialog, "fileMutiSelect")->setCurrentRow(1);
    Click(dialog, "btnRemove");
    EXPECT_EQ(Listed(dialog), (Strings{"a.mp3", "c.mp3"}));
    EXPECT_EQ(Durations(dialog), "185,97");
    EXPECT_EQ(End(dialog), "结束播放时间：09:04:42");
}

TEST_F(BatchAddDialogTest, AFileThePlayerCannotMeasureIsNotAdded) {
    FrmBatchAdd dialog(nullptr, context);
    AddToList(dialog, "a.mp3");
    player.FailOpen(folder.MusicPath() + "b.wav", "The file cannot be played");
    AddToList(dialog, "b.wav");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, platform::MessageBoxes::Kind::Error);
    EXPECT_EQ(boxes.shown[0].text, "The file cannot be played");
    EXPECT_EQ(Listed(dialog), Strings{"a.mp3"});
    EXPECT_EQ(Durations(dialog), "185");
}

TEST_F(BatchAddDialogTest, SaveChecksInOrder) {
    FrmBatchAdd dialog(nullptr, context);
    Click(dialog, "btnSave");
    Find<QLineEdit>(dialog, "txtDesc")->setText(" ");
    Click(dialog, "btnSave");
    AddToList(dialog, "a.mp3");
    AddToList(dialog, "d.mid");
    Click(dialog, "btnSave");
    Find<QListWidget>(dialog, "fileMutiSelect")->setCurrentRow(1);
    Click(dialog, "btnRemove");
    files.files.erase(folder.MusicPath() + "a.mp3");
    Click(dialog, "btnSave");
    files.files.insert(folder.MusicPath() + "a.mp3");
    Find<QCheckBox>(dialog, "chkWeek1")->setChecked(false);
    Click(dialog, "btnSave");
    EXPECT_EQ(boxes.Texts(),
              (Strings{"请输入铃声描述！", "请添加文件到连续播放列表！", BatchAddPlan::kMidiRefused,
                       "铃声文件不存在，请重新选择！", "星期一到星期日或临时铃声至少选择一项"}));
    EXPECT_TRUE(Entries().empty());
    EXPECT_NE(dialog.result(), 1);
}

TEST_F(BatchAddDialogTest, SavePostsOneEntryPerListEntryAtConsecutiveTimes) {
    FrmBatchAdd dialog(nullptr, context);
    Find<QLineEdit>(dialog, "txtDesc")->setText("早操前音乐");
    Find<QTimeEdit>(dialog, "DTP1")->setTime(QTime(23, 58, 0));
    AddToList(dialog, "a.mp3");
    AddToList(dialog, "a.mp3");
    AddToList(dialog, "c.mp3");
    Click(dialog, "btnSave");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialog.result(), 1);
    const auto rows = Entries();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].at("RINGTIME"), "23:58:00");
    EXPECT_EQ(rows[1].at("RINGTIME"), "00:01:05");  // past midnight
    EXPECT_EQ(rows[2].at("RINGTIME"), "00:04:10");
    for (const auto& row : rows) {
        EXPECT_EQ(row.at("RINGPROJECT"), "默认方案");
        EXPECT_EQ(row.at("RINGDESC"), "早操前音乐");
        EXPECT_EQ(row.at("WEEK1") + row.at("WEEK2"), "10");
    }
    EXPECT_EQ(state.RingList.size(), 3u);
}

TEST_F(BatchAddDialogTest, PreviewPlaysTheSelectedListEntry) {
    FrmBatchAdd dialog(nullptr, context);
    auto* btnTest = Find<QPushButton>(dialog, "btnTest");
    btnTest->click();  // empty list: nothing
    EXPECT_TRUE(Plays().empty());
    AddToList(dialog, "b.wav");
    Find<QListWidget>(dialog, "fileMutiSelect")->setCurrentRow(0);
    btnTest->click();
    EXPECT_EQ(Plays(), Strings{folder.MusicPath() + "b.wav"});
    EXPECT_EQ(btnTest->text().toStdString(), "停止");
    btnTest->click();
    EXPECT_EQ(btnTest->text().toStdString(), "试听(或双击音乐)");
}

}  // namespace
}  // namespace chimora::testing
