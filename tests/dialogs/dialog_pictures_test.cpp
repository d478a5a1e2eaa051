// Renders each dialog to a PNG for a look at its layout and Chinese texts. Runs only when
// CHIMORA_DIALOG_PICTURES names a folder to write into.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>

#include "app/core/daily_backup.h"
#include "dialogs/frm_auto_start.h"
#include "dialogs/frm_batch_add.h"
#include "dialogs/frm_fang_an.h"
#include "dialogs/frm_restore.h"
#include "dialogs/frm_ring_set.h"
#include "dialogs/frm_setting.h"
#include "tests/dialogs/dialog_fixture.h"

namespace chimora::testing {
namespace {

class DialogPicturesTest : public DialogTest {
  protected:
    void SetUp() override {
        const char* target = std::getenv("CHIMORA_DIALOG_PICTURES");
        if (target == nullptr)
            GTEST_SKIP() << "set CHIMORA_DIALOG_PICTURES to a folder";
        target_ = target;
        folder.InsertInstalledRows();
        state.CurrFangAn = "默认方案";
        AddMusic("bell.wav", 12000);
        AddMusic("chime.wav", 8000);
        files.AddFolder(folder.MusicPath(), "tones");
        files.AddFile(folder.MusicPath() + "tones\\", "rising.wav");
    }
    void Save(QWidget& dialog, const std::string& name) {
        dialog.adjustSize();
        EXPECT_TRUE(dialog.grab().save(QString::fromStdString(target_ + "/" + name + ".png")));
    }

    std::string target_;
};

TEST_F(DialogPicturesTest, EveryDialog) {
    RingObj ring = Ring("09:45:00", "课间操", "tones\\rising.wav", "11111000");
    ring.ID = "6";
    ring.RINGVOLUME = "70";
    FrmRingSet ringSet(nullptr, context, "UPD", ring);
    Save(ringSet, "ring_set");

    FrmFangAn fangAn(nullptr, context);
    Save(fangAn, "fang_an");

    FrmBatchAdd batch(nullptr, context);
    batch.findChild<QLineEdit*>("txtDesc")->setText(QString::fromUtf8("早操前音乐"));
    batch.btnAddToListClick();
    batch.btnAddToListClick();
    Save(batch, "batch_add");

    FrmSetting setting(nullptr, context);
    Save(setting, "setting");

    FrmAutoStart help(nullptr, shell, guard);
    Save(help, "auto_start");

    DailyBackup backup(folder.AppPath(), state.Warnings, nullptr);
    for (int day = 1; day <= 3; ++day) {
        platform::LocalDateTime date;
        date.year = 2026;
        date.month = 12;
        date.day = day;
        backup.BackUp(date);
    }
    FrmRestore restore(nullptr, context);
    Save(restore, "restore");
}

}  // namespace
}  // namespace chimora::testing
