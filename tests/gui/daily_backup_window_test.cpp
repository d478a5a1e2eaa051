// The main window's side of the backups: the tick makes the day's copy after the bells of its
// second, a failure warns without touching the ring, and a restore reloads everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/core/backup_restore.h"
#include "app/core/daily_backup.h"
#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;

bool Logged(const std::vector<std::string>& events, const std::string& start) {
    return std::any_of(events.begin(), events.end(),
                       [&](const std::string& e) { return e.rfind(start, 0) == 0; });
}

TEST_F(MainWindowTest, TheTickRingsAndThenMakesTheDaysCopyOnce) {
    Plan(RingLine("P", "08:00:00", "第一节", "bell.wav", "11111000"));
    HaveMusic("bell.wav");
    FrmMain& frm = Shown();
    frm.Timer1Timer();
    EXPECT_EQ(player.playVolumes.size(), 1u);
    const std::string copy = folder.AppPath() + "backup/db-2026-12-07.dll";
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_TRUE(Logged(events, "daily backup written: "));
    const auto written = fs::last_write_time(copy);
    clock.SetTime(8, 0, 1);
    frm.Timer1Timer();
    EXPECT_EQ(fs::last_write_time(copy), written);
    EXPECT_TRUE(frm.State().Warnings.Empty());
}

TEST_F(MainWindowTest, AFailedBackupWarnsAndTheBellsRingOn) {
    Plan(RingLine("P", "08:00:00", "第一节", "bell.wav", "11111000") +
         RingLine("P", "08:00:01", "第二节", "bell.wav", "11111000"));
    HaveMusic("bell.wav");
    std::ofstream(folder.AppPath() + "backup") << "a file where the folder belongs";
    FrmMain& frm = Shown();
    frm.Timer1Timer();
    EXPECT_TRUE(frm.State().Warnings.IsActive(SilenceCause::BackupFailed));
    EXPECT_TRUE(Logged(events, "daily backup failed: "));
    clock.SetTime(8, 0, 1);
    frm.Timer1Timer();
    EXPECT_EQ(player.playVolumes.size(), 2u);
    EXPECT_EQ(Status().rfind("运行中", 0), 0u) << Status();
}

TEST_F(MainWindowTest, ARestoreFromTheSettingsReloadsTheSchedule) {
    Plan(RingLine("P", "08:30:00", "早读", "bell.wav", "11111000"));
    SilenceWarnings warnings;
    DailyBackup(folder.AppPath(), warnings, nullptr).BackUp(clock.Now());
    folder.Insert("Ring1_7", RingLine("P", "09:00:00", "误加的铃", "bell.wav", "11111000"));
    FrmMain& frm = Shown();
    ASSERT_EQ(frm.State().RingList.size(), 2u);

    frm.dialogs.setting = [this](QWidget*, DialogContext&) {
        BackupRestore restore(folder.AppPath());
        restore.Restore(restore.ListCopies().at(0), clock.Now());
        return BackupRestore::kRestoredResult;
    };
    frm.btnSettingClick();
    ASSERT_EQ(frm.State().RingList.size(), 1u);
    EXPECT_EQ(frm.State().RingList[0].RINGDESC, "早读");
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"早读"}));
    EXPECT_TRUE(Logged(events, "database restored from a backup"));
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace chimora::testing
