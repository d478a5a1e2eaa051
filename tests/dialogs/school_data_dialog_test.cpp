// The dialogs' side of a school's data: the volume of an entry, the restore from a backup and
// a plan's export and import.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/core/backup_restore.h"
#include "app/core/daily_backup.h"
#include "app/core/database_file_copy.h"
#include "dialogs/frm_batch_add.h"
#include "dialogs/frm_fang_an.h"
#include "dialogs/frm_restore.h"
#include "dialogs/frm_ring_set.h"
#include "dialogs/frm_setting.h"
#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Answer = platform::MessageBoxes::Answer;

platform::LocalDateTime Day(int year, int month, int day) {
    platform::LocalDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = 7;
    return t;
}

class SchoolDataDialogTest : public DialogTest {
  protected:
    SchoolDataDialogTest() {
        folder.Insert("FANGAN", PlanLine("默认方案", true) + PlanLine("考试", false));
        folder.Insert("Ring1_7",
                      EntryLine("考试", "08:00:00", "开考", "11111000", "bell.wav") +
                          EntryLine("考试", "09:30:00", "收卷", "11111000", "exam\\\\end.wav") +
                          EntryLine("默认方案", "08:00:00", "上课"));
        state.CurrFangAn = "默认方案";
        AddMusic("bell.wav");
    }

    static QSlider* Volume(QWidget& dialog) { return Find<QSlider>(dialog, "trkVolume"); }
    static std::string VolumeText(QWidget& dialog) {
        return Find<QLabel>(dialog, "lblVolumeValue")->text().toStdString();
    }
    static Strings Listed(QWidget& dialog, const char* list) {
        Strings items;
        auto* widget = Find<QListWidget>(dialog, list);
        for (int i = 0; i < widget->count(); ++i)
            items.push_back(widget->item(i)->text().toStdString());
        return items;
    }
    static void Select(FrmFangAn& dialog, const std::string& name) {
        auto* list = Find<QListWidget>(dialog, "lstFangAn");
        const auto items = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items.first());
        dialog.lstFangAnClick();
    }
    std::vector<Row> Rows(const char* table, const char* index) {
        return ReadRows(folder.AppPath(), table, index);
    }
    Strings PlanNames() {
        Strings names;
        for (const Row& row : Rows("FANGAN", "NAME"))
            names.push_back(row.at("NAME"));
        // The index orders by the user's collation; the tests compare sets of names.
        std::sort(names.begin(), names.end());
        return names;
    }
    Strings EntriesOf(const std::string& plan) {
        Strings entries;
        for (const Row& row : Rows("Ring1_7", "RINGTIME")) {
            if (row.at("RINGPROJECT") == plan)
                entries.push_back(row.at("RINGTIME") + " " + row.at("RINGDESC") + " " +
                                  row.at("RINGVOLUME"));
        }
        return entries;
    }
};

TEST_F(SchoolDataDialogTest, EntryEditorShowsPreviewsAndSavesTheVolume) {
    RingObj ring = Ring("09:15:30", "第二节", "bell.wav", "00100000");
    ring.ID = Rows("Ring1_7", "ID")[0].at("ID");
    ring.RINGVOLUME = "35";
    FrmRingSet dialog(nullptr, context, "UPD", ring);
    EXPECT_EQ(Volume(dialog)->value(), 35);
    EXPECT_EQ(VolumeText(dialog), "35%");
    Volume(dialog)->setValue(60);
    EXPECT_EQ(VolumeText(dialog), "60%");
    Click(dialog, "btnTest");
    EXPECT_EQ(player.playVolumes, (std::vector<int>{60}));
    Click(dialog, "btnSave");
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(Rows("Ring1_7", "ID")[0].at("RINGVOLUME"), "60");

    // An entry made before volumes opens at full volume.
    ring.RINGVOLUME = "0";
    FrmRingSet old(nullptr, context, "UPD", ring);
    EXPECT_EQ(Volume(old)->value(), 100);
    EXPECT_EQ(VolumeText(old), "100%");
    FrmRingSet fresh(nullptr, context, "ADD", {});
    EXPECT_EQ(Volume(fresh)->value(), 100);
    EXPECT_EQ(Volume(fresh)->minimum(), 1);
}

TEST_F(SchoolDataDialogTest, BatchAddSetsOneVolumeForTheRun) {
    AddMusic("a.wav", 10000);
    FrmBatchAdd dialog(nullptr, context);
    Find<QLineEdit>(dialog, "txtDesc")->setText(QString::fromUtf8("早操前音乐"));
    dialog.btnAddToListClick();
    dialog.btnAddToListClick();
    Volume(dialog)->setValue(45);
    Find<QListWidget>(dialog, "fileMutiSelect")->setCurrentRow(0);
    Click(dialog, "btnTest");
    EXPECT_EQ(player.playVolumes, (std::vector<int>{45}));
    Click(dialog, "btnSave");
    Strings volumes;
    for (const Row& row : Rows("Ring1_7", "ID"))
        volumes.push_back(row.at("RINGDESC") + " " + row.at("RINGVOLUME"));
    EXPECT_EQ(volumes, (Strings{"开考 0", "收卷 0", "上课 0", "早操前音乐 45", "早操前音乐 45"}));
}

TEST_F(SchoolDataDialogTest, RestoreListsTheCopiesShowsTheirPlansAndReplacesTheFile) {
    DailyBackup backup(folder.AppPath(), state.Warnings, nullptr);
    backup.BackUp(Day(2026, 12, 7));
    folder.Insert("FANGAN", PlanLine("新学期", false));
    backup.BackUp(Day(2026, 12, 8));
    folder.Insert("FANGAN", PlanLine("误加", false));

    FrmRestore dialog(nullptr, context);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "从备份恢复");
    EXPECT_EQ(Listed(dialog, "lstBackup"), (Strings{"2026-12-08", "2026-12-07"}));
    const std::string info = Find<QLabel>(dialog, "lblBackupInfo")->text().toStdString();
    EXPECT_NE(info.find("备份日期：2026-12-08"), std::string::npos) << info;
    EXPECT_NE(info.find("新学期"), std::string::npos) << info;
    EXPECT_NE(info.find("默认方案（启用）"), std::string::npos) << info;
    EXPECT_EQ(info.find("误加"), std::string::npos) << info;

    // No: nothing changes.
    boxes.answers = {Answer::No};
    Click(dialog, "btnRestore");
    EXPECT_EQ(PlanNames(), (Strings{"新学期", "考试", "误加", "默认方案"}));

    Find<QListWidget>(dialog, "lstBackup")->setCurrentRow(1);
    Click(dialog, "btnRestore");
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(PlanNames(), (Strings{"考试", "默认方案"}));
    const Strings texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].rfind("确认用 2026-12-07 的备份替换当前的数据吗？", 0), 0u);
    EXPECT_NE(texts[2].find("db-before-restore-2026-12-07-080000.dll"), std::string::npos)
        << texts[2];
}

TEST_F(SchoolDataDialogTest, RestoreWithoutCopiesOffersNothingAndSettingsPassTheRestoreOn) {
    FrmRestore empty(nullptr, context);
    EXPECT_TRUE(Listed(empty, "lstBackup").empty());
    EXPECT_FALSE(Find<QPushButton>(empty, "btnRestore")->isEnabled());
    EXPECT_NE(Find<QLabel>(empty, "lblBackupInfo")->text().toStdString().find("还没有备份"),
              std::string::npos);

    FrmSetting setting(nullptr, context);
    setting.openRestore = [](FrmRestore&) { return 1; };
    Click(setting, "btnRestore");
    EXPECT_EQ(setting.result(), BackupRestore::kRestoredResult);
}

TEST_F(SchoolDataDialogTest, ExportedPlanImportsUnderANewNameAndNamesTheMissingSounds) {
    const std::string file = folder.AppPath() + "exam.json";
    FrmFangAn dialog(nullptr, context);
    std::string suggested;
    dialog.chooseExportFile = [&](const std::string& name) {
        suggested = name;
        return file;
    };
    Click(dialog, "btnExport");
    EXPECT_EQ(boxes.Texts().back(), "请选择要导出的方案！");
    Select(dialog, "考试");
    Click(dialog, "btnExport");
    EXPECT_EQ(fs::path(suggested).filename().string(), "考试.json");
    ASSERT_TRUE(fs::exists(file));
    EXPECT_NE(boxes.Texts().back().find("2条铃声"), std::string::npos) << boxes.Texts().back();

    Strings questions;
    dialog.chooseImportFile = [&] { return file; };
    dialog.askNewName = [&](const std::string& question,
                            const std::string&) -> std::optional<std::string> {
        questions.push_back(question);
        return questions.size() == 1 ? "默认方案" : "期末考试";
    };
    Click(dialog, "btnImport");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], "方案“考试”已经存在，请为导入的方案输入一个新名称：");
    EXPECT_EQ(questions[1], "方案“默认方案”已经存在，请为导入的方案输入一个新名称：");
    Strings listed = Listed(dialog, "lstFangAn");
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, PlanNames());
    EXPECT_EQ(EntriesOf("期末考试"), EntriesOf("考试"));
    const std::string done = boxes.Texts().back();
    EXPECT_NE(done.find("方案“期末考试”已导入：2条铃声"), std::string::npos) << done;
    EXPECT_NE(done.find("exam\\end.wav"), std::string::npos) << done;
    EXPECT_EQ(done.find("bell.wav"), std::string::npos) << done;

    // Cancelling the name question writes nothing.
    dialog.askNewName = [](const std::string&, const std::string&) { return std::nullopt; };
    Click(dialog, "btnImport");
    EXPECT_EQ(PlanNames(), (Strings{"期末考试", "考试", "默认方案"}));
}

TEST_F(SchoolDataDialogTest, ARefusedPlanFileIsExplainedAndNothingIsWritten) {
    const std::string file = folder.AppPath() + "bad.json";
    std::ofstream(file) << R"({"format": "chimora-plan", "version": 1, "plan": "新",
        "entries": [{"WEEK1": "1", "WEEK2": "0", "WEEK3": "0", "WEEK4": "0", "WEEK5": "0",
                     "WEEK6": "0", "WEEK7": "0", "WEEK8": "0", "RINGDESC": "a",
                     "RINGFILE": "bell.wav", "RINGTIME": "8 o'clock"}]})";
    FrmFangAn dialog(nullptr, context);
    dialog.chooseImportFile = [&] { return file; };
    Click(dialog, "btnImport");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("无法导入方案文件：第1条铃声的“RINGTIME”", 0), 0u)
        << boxes.Texts()[0];
    EXPECT_EQ(PlanNames(), (Strings{"考试", "默认方案"}));
    EXPECT_EQ(Rows("Ring1_7", "ID").size(), 3u);
}

}  // namespace
}  // namespace chimora::testing
