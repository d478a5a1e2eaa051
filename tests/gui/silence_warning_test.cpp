#include <QLabel>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

using platform::PowerOutcome;
using platform::TimeSyncState;

const std::string kRings = RingLine("P", "08:00:00", "first", "bell.wav", "10000000") +
                           RingLine("P", "09:00:00", "second", "bell.wav", "10000000");

class SilenceWarningTest : public MainWindowTest {
  protected:
    std::string Warning() { return Find<QLabel>("StatusBarPanel2")->text().toStdString(); }
    std::string WarningTip() { return Find<QLabel>("StatusBarPanel2")->toolTip().toStdString(); }
    bool Logged(const std::string& line) const {
        return std::find(events.begin(), events.end(), line) != events.end();
    }
    std::string Bytes(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The window comes back (hot key, tray): the show steps read the database again.
    void ShowAgain() {
        Window().hide();
        Window().ShowForLaterStart();
    }
};

TEST_F(SilenceWarningTest, UnreadableDatabaseIsShownBesideTheUnchangedStatusUntilItReadsAgain) {
    Plan(kRings);
    const std::string good = Bytes(folder.DatabasePath());
    std::filesystem::resize_file(folder.DatabasePath(), good.size() / 2);  // truncated
    const std::string bad = Bytes(folder.DatabasePath());
    FrmMain& frm = Shown();
    frm.Timer1Timer();

    EXPECT_EQ(Status(), "运行中    当天曲目已经播放完成    方案:");
    ASSERT_EQ(frm.Warnings().Active().size(), 1u);  // not also "no active plan"
    const std::string text = frm.Warnings().Active().begin()->second;
    EXPECT_EQ(text.rfind("数据库无法读取：", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("数据库无法读取：").size());  // with the store's message
    EXPECT_EQ(WarningTip(), text);
    EXPECT_TRUE(Find<QLabel>("StatusBarPanel2")->isVisibleTo(&frm));
    EXPECT_TRUE(frm.TrayShowsWarning());
    EXPECT_EQ(frm.TrayToolTip().toStdString(), "Chimora\n" + text);
    EXPECT_TRUE(Logged("warning started: " + text));
    EXPECT_EQ(std::count(events.begin(), events.end(), "warning started: " + text), 1);

    // Nothing the program does by itself writes to the file that failed to read.
    frm.close();
    window.reset();
    chimdb::ChimSessionList::Instance().Shutdown();
    EXPECT_EQ(Bytes(folder.DatabasePath()), bad);

    std::ofstream(folder.DatabasePath(), std::ios::binary) << good;
    ShowAgain();
    EXPECT_TRUE(Window().Warnings().Empty());
    EXPECT_EQ(Status(), "运行中    下一首播放曲目:first   时间:08:00:00    方案:P");
}

TEST_F(SilenceWarningTest, MissingDatabaseFileRaisesAndAReturnedOneEndsTheWarning) {
    Plan(kRings);
    const std::string good = Bytes(folder.DatabasePath());
    std::filesystem::remove(folder.DatabasePath());
    FrmMain& frm = Shown();
    EXPECT_TRUE(frm.Warnings().IsActive(SilenceCause::DatabaseUnreadable));
    EXPECT_FALSE(std::filesystem::exists(folder.DatabasePath()));  // never made up by us

    std::ofstream(folder.DatabasePath(), std::ios::binary) << good;
    ShowAgain();
    EXPECT_FALSE(frm.Warnings().IsActive(SilenceCause::DatabaseUnreadable));
    EXPECT_FALSE(frm.TrayShowsWarning());
    EXPECT_EQ(frm.TrayToolTip().toStdString(), "Chimora");
    EXPECT_FALSE(Find<QLabel>("StatusBarPanel2")->isVisibleTo(&frm));
    const auto ended = std::find_if(events.begin(), events.end(), [](const std::string& line) {
        return line.rfind("warning ended: 数据库无法读取：", 0) == 0;
    });
    EXPECT_NE(ended, events.end());
}

TEST_F(SilenceWarningTest, EditsAreRefusedWhileTheDatabaseFailsToReadAndGoOnOnceItReads) {
    Plan(kRings);
    const std::string good = Bytes(folder.DatabasePath());
    std::filesystem::resize_file(folder.DatabasePath(), good.size() / 2);
    FrmMain& frm = Shown();
    const std::size_t errorsShown = boxes.shown.size();
    frm.btnAddClick();
    frm.N2Click();
    frm.N4Click();
    frm.btnSettingClick();
    EXPECT_TRUE(editorCalls.empty());
    EXPECT_EQ(fangAnCalls, 0);
    EXPECT_EQ(settingCalls, 0);
    EXPECT_EQ(boxes.shown.size(), errorsShown + 4);  // each tried to read, and said why not

    std::ofstream(folder.DatabasePath(), std::ios::binary) << good;
    frm.btnAddClick();
    EXPECT_EQ(editorCalls.size(), 1u);
    EXPECT_TRUE(frm.Warnings().Empty());
}

TEST_F(SilenceWarningTest, NoActivePlanAndAPlanWithoutEntriesAreEachShown) {
    folder.Insert("FANGAN", PlanLine("P", false) + PlanLine("Q", true));
    folder.Insert("Config", chimdb::testing::Slurp(ProgramFolder::SourcePath("data/Config.jsonl")));
    folder.Insert("Ring1_7", RingLine("P", "08:00:00", "first", "bell.wav", "10000000"));
    FrmMain& frm = Shown();
    EXPECT_EQ(Warning(), "启用的方案中没有任何打铃项");
    EXPECT_FALSE(frm.Warnings().IsActive(SilenceCause::NoActivePlan));

    frm.State().CurrFangAn.clear();  // as after the active plan's record went
    frm.State().RingList.clear();
    frm.Timer1Timer();
    EXPECT_EQ(Warning(), "没有启用的方案");
    EXPECT_TRUE(Logged("warning ended: 启用的方案中没有任何打铃项，不会打铃"));
    EXPECT_EQ(Status(), "运行中    当天曲目已经播放完成    方案:");
}

TEST_F(SilenceWarningTest, FailedRingsRaiseTheirCausesAndARingThatPlaysEndsThem) {
    Plan(RingLine("P", "08:00:00", "first", "bell.wav", "10000000") +
         RingLine("P", "09:00:00", "second", "chime.wav", "10000000") +
         RingLine("P", "10:00:00", "third", "gone.wav", "10000000"));
    HaveMusic("bell.wav");
    HaveMusic("chime.wav");
    player.FailOpen(folder.MusicPath() + "bell.wav", "ALSA: Couldn't open audio device");
    player.SetDeviceError("ALSA: Couldn't open audio device");
    FrmMain& frm = Shown();
    clock.SetTime(8, 0, 0);
    frm.Timer1Timer();
    EXPECT_EQ(frm.Warnings().Active().at(SilenceCause::AudioUnavailable),
              "音频设备不可用：ALSA: Couldn't open audio device");
    EXPECT_EQ(frm.Warnings().Active().at(SilenceCause::LastRingFailed),
              "上次打铃失败：ALSA: Couldn't open audio device");
    EXPECT_EQ(Warning(), "音频设备不可用；上次打铃失败");
    EXPECT_EQ(WarningTip(),
              "音频设备不可用：ALSA: Couldn't open audio device\n"
              "上次打铃失败：ALSA: Couldn't open audio device");

    player.SetDeviceError("");
    clock.SetTime(9, 0, 0);  // the device is back
    frm.Timer1Timer();
    EXPECT_TRUE(frm.Warnings().Empty()) << Warning();

    clock.SetTime(10, 0, 0);
    frm.Timer1Timer();
    EXPECT_EQ(Warning(), "上次打铃失败");
    EXPECT_EQ(WarningTip(), "上次打铃失败：找不到铃声文件 gone.wav");
}

TEST_F(SilenceWarningTest, ShutdownAnswersAreLoggedAndARefusalStaysShownWhileTheShutdownIsOn) {
    Plan(kRings);
    FrmMain& frm = Shown();
    frm.State().SysConfig.ShutDown = "1";
    frm.State().SysConfig.ShutDownTime = "17:30:00";
    clock.SetTime(17, 30, 0);
    frm.Timer1Timer();
    ASSERT_EQ(power.operations.size(), 1u);
    EXPECT_TRUE(Logged("scheduled shutdown: requested"));
    EXPECT_TRUE(frm.Warnings().Empty());  // no answer yet

    power.Answer({PowerOutcome::Kind::Refused,
                  "org.freedesktop.DBus.Error.AccessDenied: Permission denied"});
    EXPECT_TRUE(Logged(
        "scheduled shutdown refused: org.freedesktop.DBus.Error.AccessDenied: Permission denied"));
    EXPECT_EQ(WarningTip(),
              "定时关机失败：系统拒绝关机（org.freedesktop.DBus.Error.AccessDenied: Permission "
              "denied）");
    clock.SetTime(17, 30, 1);
    frm.Timer1Timer();
    EXPECT_TRUE(frm.Warnings().IsActive(SilenceCause::ShutdownFailed));

    power.Answer({PowerOutcome::Kind::NoService, "org.freedesktop.DBus.Error.ServiceUnknown: x"});
    EXPECT_TRUE(
        Logged("scheduled shutdown: no logind: org.freedesktop.DBus.Error.ServiceUnknown: x"));
    power.Answer({PowerOutcome::Kind::Done, {}});
    EXPECT_TRUE(Logged("scheduled shutdown: done"));
    EXPECT_FALSE(frm.Warnings().IsActive(SilenceCause::ShutdownFailed));

    power.Answer({PowerOutcome::Kind::NoService, "no system bus"});
    frm.State().SysConfig.ShutDown = "0";  // the user switched the daily shutdown off
    frm.Timer1Timer();
    EXPECT_FALSE(frm.Warnings().IsActive(SilenceCause::ShutdownFailed));
}

TEST_F(SilenceWarningTest, ClockIsAskedAtStartAndOnRequestNeverOnTheTick) {
    Plan(kRings);
    FrmMain& frm = Shown();
    ASSERT_EQ(timeSync.pending.size(), 1u);  // at start
    timeSync.AnswerAll({TimeSyncState::Kind::NotSynchronised, false, {}});
    EXPECT_EQ(WarningTip(), "时钟未同步：请开启网络时间同步（timedatectl set-ntp true）");
    EXPECT_TRUE(Logged("clock not synchronised, time sync off"));
    if (const char* path = std::getenv("CHIMORA_WARNING_SCREENSHOT")) {
        EXPECT_TRUE(frm.grab().save(QString::fromLocal8Bit(path)));
    }
    for (int second = 1; second <= 3; ++second) {
        clock.SetTime(8, 0, second);
        frm.Timer1Timer();
    }
    EXPECT_TRUE(timeSync.pending.empty());

    frm.CheckClock();  // the hourly check
    timeSync.AnswerAll({TimeSyncState::Kind::Synchronised, true, {}});
    EXPECT_TRUE(frm.Warnings().Empty());
    EXPECT_TRUE(Logged("clock synchronised"));
}

}  // namespace
}  // namespace chimora::testing
