#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

using Answer = platform::MessageBoxes::Answer;
using Kind = platform::MessageBoxes::Kind;

const std::string kMondayRings = RingLine("P", "08:00:00", "first", "bell.wav", "10000000") +
                                 RingLine("P", "09:00:00", "second", "bell.wav", "10000000");

TEST_F(MainWindowTest, HasTheNamedControlsCaptionsAndSize) {
    FrmMain& frm = Window();
    EXPECT_EQ(frm.windowTitle(), "Chimora5.0");
    EXPECT_EQ(frm.size(), QSize(715, 535));
    EXPECT_FALSE(frm.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frm.windowFlags() & Qt::WindowMinimizeButtonHint);

    // Tool bar buttons in order, separators after btnStop and before btnExit.
    std::vector<std::string> items;
    for (QAction* action : Find<QToolBar>("ToolBar1")->actions()) {
        if (action->isSeparator()) {
            items.push_back("|");
            continue;
        }
        QWidget* button = Find<QToolBar>("ToolBar1")->widgetForAction(action);
        items.push_back(button->objectName().toStdString() + ":" +
                        static_cast<QToolButton*>(button)->text().toStdString());
    }
    EXPECT_EQ(items, (std::vector<std::string>{"btnRun:  运行  ", "btnStop:暂停", "|",
                                               "btnAdd:新增", "btnupd:修改", "btnDel:删除",
                                               "btnSetting:设置", "|", "btnExit:退出"}));
    EXPECT_EQ(Find<QToolButton>("btnAdd")->menu(), Find<QMenu>("PopupMenuBatchAdd"));
    EXPECT_EQ(Find<QToolButton>("btnSetting")->menu(), Find<QMenu>("ConfigPopupMenu"));
    EXPECT_EQ(Find<QAction>("N4")->text(), "新增连续播放");
    EXPECT_EQ(Find<QAction>("N1")->text(), "系统设置");
    EXPECT_EQ(Find<QAction>("N2")->text(), "方案管理");
    EXPECT_EQ(Find<QAction>("N3")->text(), "隐藏(Ctrl+Alt+S切换)");

    QStringList tabs;
    for (int i = 0; i < Tabs()->count(); ++i)
        tabs << Tabs()->tabText(i);
    EXPECT_EQ(tabs, QStringList({"星期一", "星期二", "星期三", "星期四", "星期五", "星期六",
                                 "星期日", "临时打铃"}));
    EXPECT_EQ(Find<QGroupBox>("GB1")->title(), "铃声任务列表");
    EXPECT_EQ(Grid()->toolTip(), "双击即可修改");
    EXPECT_EQ(PlayButton()->text(), "播放>>");
    EXPECT_TRUE(PlayButton()->isHidden());
    EXPECT_EQ(Find<QLabel>("StatusBarPanel0")->width(), 280);

    // Created running, with both hot keys held and the tick started.
    EXPECT_FALSE(Find<QToolButton>("btnRun")->isEnabled());
    EXPECT_TRUE(Find<QToolButton>("btnStop")->isEnabled());
    EXPECT_TRUE(frm.Engine().IsRunning());
    EXPECT_EQ(hotKeys.registered.size(), 2u);
    EXPECT_EQ(hotKeys.registered.at(FrmMain::kHotKeyShowHide).key, 'S');
    EXPECT_EQ(hotKeys.registered.at(FrmMain::kHotKeySpare).key, 'C');
    EXPECT_EQ(hotKeys.registered.at(FrmMain::kHotKeyShowHide).modifiers,
              platform::HotKeys::kModAlt | platform::HotKeys::kModControl);
    EXPECT_TRUE(ticks.Running());
}

TEST_F(MainWindowTest, ShowSelectsTodaysTabAndLoadsPlanSettingsAndSchedule) {
    Plan(kMondayRings + RingLine("P", "10:00:00", "sunday", "bell.wav", "00000010"));
    clock.Set(2026, 12, 13, 7, 0, 0);  // a Sunday
    FrmMain& frm = Shown();
    EXPECT_EQ(Tabs()->currentIndex(), 6);
    EXPECT_EQ(Tabs()->tabText(6), "星期日");
    EXPECT_EQ(frm.State().TodayWeek, 7);
    EXPECT_EQ(frm.State().CurrFangAn, "P");
    EXPECT_EQ(frm.State().SysConfig.ShutDownTime, "17:30:00");
    EXPECT_EQ(frm.State().RingList.size(), 3u);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"sunday"});
    EXPECT_EQ(Status(), "运行中    下一首播放曲目:sunday   时间:10:00:00    方案:P");
}

TEST_F(MainWindowTest, StoreErrorDuringShowIsShownOnceAndTheWindowStillShows) {
    std::filesystem::remove(folder.DatabasePath());
    FrmMain& frm = Shown();
    EXPECT_TRUE(frm.isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, Kind::Error);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "error shown: " + boxes.shown[0].text);
}

TEST_F(MainWindowTest, PauseAskesAndOnYesStopsTheSoundAndTheEngine) {
    Plan(kMondayRings);
    HaveMusic("bell.wav");
    FrmMain& frm = Shown();
    frm.Timer1Timer();  // 08:00:00 rings
    ASSERT_EQ(player.Mode(), platform::PlayerMode::Playing);

    boxes.answers = {Answer::No};
    frm.btnStopClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "暂停将不能自动打铃，确认暂停么？");
    EXPECT_EQ(boxes.shown[0].kind, Kind::Confirmation);
    EXPECT_EQ(boxes.shown[0].buttons, platform::MessageBoxes::Buttons::YesNo);
    EXPECT_TRUE(frm.Engine().IsRunning());
    EXPECT_EQ(player.Mode(), platform::PlayerMode::Playing);

    boxes.answers = {Answer::Yes};
    frm.btnStopClick();
    EXPECT_FALSE(frm.Engine().IsRunning());
    EXPECT_TRUE(Find<QToolButton>("btnRun")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("btnStop")->isEnabled());
    EXPECT_NE(player.Mode(), platform::PlayerMode::Playing);
    frm.Timer1Timer();
    EXPECT_EQ(Status(), "停止中    方案:P");

    frm.btnRunClick();
    EXPECT_TRUE(frm.Engine().IsRunning());
    EXPECT_FALSE(Find<QToolButton>("btnRun")->isEnabled());
    EXPECT_EQ(boxes.shown.size(), 2u);  // running again asks nothing
    // The first tick also made the day's backup.
    EXPECT_EQ(events, (std::vector<std::string>{
                          "daily backup written: " + folder.AppPath() + "backup/db-2026-12-07.dll",
                          "paused", "run"}));
}

TEST_F(MainWindowTest, ExitAnsweredNoChangesNothingAndYesCleansUpAndCloses) {
    Plan(kMondayRings);
    FrmMain& frm = Shown();
    int ended = 0;
    QObject::connect(&frm, &FrmMain::programEnded, [&ended] { ++ended; });

    boxes.answers = {Answer::No};
    frm.btnExitClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "这将导致无法按时响铃，确认退出吗？");
    EXPECT_EQ(boxes.shown[0].kind, Kind::Warning);
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(hotKeys.registered.size(), 2u);
    EXPECT_EQ(ended, 0);

    boxes.answers = {Answer::Yes};
    frm.btnExitClick();
    EXPECT_FALSE(frm.isVisible());
    EXPECT_TRUE(hotKeys.registered.empty());
    EXPECT_EQ(ended, 1);
}

TEST_F(MainWindowTest, CloseBoxEndsAtOnceWithoutAQuestionAndKeepsTheHotKeys) {
    Plan(kMondayRings);
    FrmMain& frm = Shown();
    int ended = 0;
    QObject::connect(&frm, &FrmMain::programEnded, [&ended] { ++ended; });
    frm.close();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(hotKeys.registered.size(), 2u);
}

TEST_F(MainWindowTest, HotKeyHidesAndShowsAgainWithTheShowStepsAndTheSpareKeyDoesNothing) {
    Plan(kMondayRings + RingLine("P", "11:00:00", "friday", "bell.wav", "00001000"));
    FrmMain& frm = Shown();
    PickTab(4);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"friday"});

    hotKeys.Press(FrmMain::kHotKeySpare);
    EXPECT_TRUE(frm.isVisible());

    hotKeys.Press(FrmMain::kHotKeyShowHide);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_TRUE(frm.Engine().IsRunning());  // hiding keeps the running state

    hotKeys.Press(FrmMain::kHotKeyShowHide);
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(Tabs()->currentIndex(), 0);  // back on today's tab
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(MainWindowTest, HideFromTheMenuAndTrayDoubleClickShowsAgain) {
    Plan(kMondayRings);
    FrmMain& frm = Shown();
    PickTab(2);
    Find<QAction>("N3")->trigger();
    EXPECT_FALSE(frm.isVisible());

    frm.WMTrayNotify(QSystemTrayIcon::Trigger);  // a single click does nothing
    EXPECT_FALSE(frm.isVisible());
    frm.WMTrayNotify(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(Tabs()->currentIndex(), 0);
}

TEST_F(MainWindowTest, HideWithoutTrayAndHotKeyMinimisesInsteadOfLosingTheWindow) {
    Plan(kMondayRings);
    hotKeys.refuse = true;  // another program holds Ctrl+Alt+S; no tray in tests
    FrmMain& frm = Shown();
    Find<QAction>("N3")->trigger();
    EXPECT_TRUE(frm.isVisible());
    EXPECT_TRUE(frm.isMinimized());
}

TEST_F(MainWindowTest, DueRingPlaysAndBringsTodaysEntriesForward) {
    Plan(kMondayRings + RingLine("P", "11:00:00", "friday", "bell.wav", "00001000"));
    HaveMusic("bell.wav");
    clock.SetTime(7, 59, 59);
    FrmMain& frm = Shown();
    PickTab(7);  // the temporary tab: time column hidden
    EXPECT_TRUE(Descriptions().empty());

    clock.SetTime(8, 0, 0);
    frm.Timer1Timer();
    EXPECT_EQ(player.calls.back(), "play " + folder.MusicPath() + "bell.wav");
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second"}));
    // The layout stays that of the tab the user had picked.
    EXPECT_TRUE(Grid()->isColumnHidden(RingTableModel::kTimeColumn));
}

TEST_F(MainWindowTest, StatusLineFollowsTheTicks) {
    Plan(kMondayRings);
    FrmMain& frm = Shown();
    clock.SetTime(8, 30, 0);
    frm.Timer1Timer();
    EXPECT_EQ(Status(), "运行中    下一首播放曲目:second   时间:09:00:00    方案:P");
    clock.SetTime(9, 0, 1);
    frm.Timer1Timer();
    EXPECT_EQ(Status(), "运行中    当天曲目已经播放完成    方案:P");
}

TEST_F(MainWindowTest, PlanManagerOkReloadsPlanSettingsAndEntries) {
    Plan(kMondayRings + RingLine("Q", "12:00:00", "other", "bell.wav", "10000000"));
    FrmMain& frm = Shown();
    fangAnAnswer = 1;
    // The dialog switches the active plan through the window's own cursor.
    frm.dialogs.fangAn = [&](QWidget*, DialogContext& context) {
        ++fangAnCalls;
        chimdb::ChimTable plans;
        ScheduleLoader::OpenTable(plans, context.loader.AppPath(), "FANGAN", "NAME");
        plans.Append();
        plans.FieldByName("NAME").SetAsString("Q");
        plans.FieldByName("ISACTIVE").SetAsString("1");
        plans.Post();
        plans.First();
        plans.Edit();
        plans.FieldByName("ISACTIVE").SetAsString("0");  // "P" comes first by name
        plans.Post();
        context.state.CurrFangAn = "Q";  // as the plan manager does when it activates one
        return 1;
    };
    Find<QAction>("N2")->trigger();
    EXPECT_EQ(fangAnCalls, 1);
    EXPECT_EQ(frm.State().CurrFangAn, "Q");
    // The whole new plan is listed until a tab filter applies again.
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"other"});
    frm.Timer1Timer();
    EXPECT_EQ(Status(), "运行中    下一首播放曲目:other   时间:12:00:00    方案:Q");
}

TEST_F(MainWindowTest, SettingsCommandsOpenTheSettingsDialog) {
    Plan(kMondayRings);
    FrmMain& frm = Shown();
    frm.btnSettingClick();
    Find<QAction>("N1")->trigger();
    EXPECT_EQ(settingCalls, 2);
}

}  // namespace
}  // namespace chimora::testing

namespace chimora::testing {
namespace {

// Renders the window with the installed schedule; CHIMORA_SCREENSHOT names a PNG to write.
TEST_F(MainWindowTest, RendersWithTheInstalledSchedule) {
    folder.InsertInstalledRows();
    for (const char* file : {"bell.wav", "chime.wav", "end.wav", "exercise.wav"})
        HaveMusic(file);
    clock.Set(2026, 12, 9, 10, 0, 0);  // a Wednesday morning
    FrmMain& frm = Shown();
    frm.Timer1Timer();
    ClickRow(3);
    const QImage image = frm.grab().toImage();
    EXPECT_EQ(image.size(), frm.size());
    if (const char* path = std::getenv("CHIMORA_SCREENSHOT")) {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(path)));
    }
}

}  // namespace
}  // namespace chimora::testing
