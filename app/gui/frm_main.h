#pragma once

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <memory>
#include <string>
#include <vector>

#include "app/core/clock_watch.h"
#include "app/core/daily_backup.h"
#include "app/core/dialog_context.h"
#include "app/core/event_guard.h"
#include "app/core/ini_file_utils.h"
#include "app/core/music_playback.h"
#include "app/core/pe_manager.h"
#include "app/core/program_state.h"
#include "app/core/ring_engine.h"
#include "app/core/schedule_loader.h"
#include "app/core/silence_warnings.h"
#include "app/core/silence_watch.h"
#include "app/gui/dialog_openers.h"
#include "app/gui/main_window_services.h"
#include "app/gui/ring_table_model.h"

class QGroupBox;
class QLabel;
class QMenu;
class QTabBar;
class QTableView;
class QTimer;
class QToolBar;
class QToolButton;
class QPushButton;

namespace chimora {

// The program's main window: tool bar, the week's schedule per weekday tab, status bar,
// tray icon and hot keys. It owns the ring engine, the media player's playback, the schedule
// loader with its two table cursors, and the program-wide state shared with the dialogs.
// Every handler runs through the event guard, so that an error of the store ends only the
// user's action and shows in the standard error box.
class FrmMain : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kHotKeyShowHide = 1;  // Ctrl+Alt+S
    static constexpr int kHotKeySpare = 2;     // Ctrl+Alt+C: held, does nothing
    static constexpr int kTempTab = 7;
    static constexpr int kPlayButtonOffset = 500;

    explicit FrmMain(MainWindowServices services, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The editing dialogs; replaceable so that tests never wait on a modal dialog.
    DialogOpeners dialogs = DialogOpeners::Real();

    ProgramState& State() { return state_; }
    RingEngine& Engine() { return engine_; }
    ScheduleLoader& Loader() { return loader_; }
    DailyBackup& Backup() { return backup_; }
    RingTableModel& Model() { return *model_; }
    DialogContext& Context() { return context_; }
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    // The causes that keep a bell from ringing, shown while they last.
    SilenceWarnings& Warnings() { return warnings_; }
    // What the tray icon shows (also without a tray): its tip, and whether it wears the
    // warning emblem.
    const QString& TrayToolTip() const { return trayTip_; }
    bool TrayShowsWarning() const { return trayWarning_; }
    // Asks now whether the clock is synchronised (also done at start and every hour).
    void CheckClock();

    // Tool bar commands.
    void btnRunClick();
    void btnStopClick();
    void btnExitClick();
    void btnSettingClick();
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    // "校历": the school calendar dialog.
    void N5Click();

    // Schedule view.
    void btnAddClick();
    void btnUpdClick();
    void btnDelClick();
    void btnPlayClick();
    void TabControlClick();
    void TabControlChange();
    void DisplayGrid();
    void FilterDBGridCellClick(const QModelIndex& index);
    void FilterDBGridDblClick();
    // Copies the grid's current row into ring; in mode "DEL" days receives one line naming
    // the days on which the row rings, each day name ending in a carriage return.
    void CopyCurrentDBLine(std::vector<std::string>& days, RingObj& ring, const std::string& mode);
    // The ring engine's notice that a due ring started: today's entries come forward.
    void RingStarted(int weekday);

    // Program life.
    void FormShow();
    // A later start of the program for this folder handed over: the window comes forward
    // and runs its show steps, visible before or not.
    void ShowForLaterStart();
    void Timer1Timer();
    void WMTrayNotify(QSystemTrayIcon::ActivationReason reason);
    void WMHotKey(int id);
    void AddTrayIcon();
    void RemoveTrayIcon();
    void RegisterHotKeys();
    void UnregisterHotKeys();

  signals:
    // The window was closed: the program ends.
    void programEnded();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateToolBar();
    void CreateScheduleView();
    void CreateStatusBar();
    void FormCreate();
    QToolButton* AddToolButton(const char* name, const char* caption, const char* icon);

    void SetRunning(bool running);
    void ShowAgain();
    void ReloadAfterEdit();
    int SelectedTab() const;
    void SelectTabQuietly(int index);
    void RefreshGrid();
    // A db.dll made before the calendar gains its table; see the definition.
    void EnsureCalendarTable();
    // The line above the grid that names today's calendar rule; hidden when there is none.
    void ShowCalendarLine();
    void FollowCurrentRow();
    void PlaceBtnPlay();
    bool PutCursorOnEntry(const std::string& id);
    QVariant FilterDBGridDrawColumnCell(const RingTableModel::Row& row, int column, int role) const;
    void Log(const std::string& text) const;
    void Guarded(const std::function<void()>& action);
    void WireWarnings();
    // False, after showing why, while the database still fails to read.
    bool ReadableForEdit();
    void ShowWarnings();
    void ApplyTrayLook();

    MainWindowServices services_;
    ProgramState state_;
    // The one list of warnings, shared with whatever the state reaches (the daily backup).
    SilenceWarnings& warnings_ = state_.Warnings;
    SilenceWatch watch_{warnings_};
    IniFileUtils paths_;
    MusicPlayback playback_;
    PeManager peManager_;
    RingEngine engine_;
    ScheduleLoader loader_;
    EventGuard guard_;
    DialogContext context_;
    DailyBackup backup_;
    std::unique_ptr<RingTableModel> model_;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* btnRun = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* btnAdd = nullptr;
    QToolButton* btnupd = nullptr;
    QToolButton* btnDel = nullptr;
    QToolButton* btnSetting = nullptr;
    QToolButton* btnExit = nullptr;
    QMenu* PopupMenuBatchAdd = nullptr;
    QMenu* ConfigPopupMenu = nullptr;
    QTabBar* TabControl = nullptr;
    QGroupBox* GB1 = nullptr;
    QLabel* lblCalendarToday = nullptr;
    QTableView* FilterDBGrid = nullptr;
    QPushButton* btnPlay = nullptr;
    QLabel* statusPanel0 = nullptr;
    QLabel* statusPanel1 = nullptr;
    QLabel* statusPanel2 = nullptr;  // the causes of silence
    QSystemTrayIcon* tray_ = nullptr;
    QString trayTip_ = QStringLiteral("Chimora");
    bool trayWarning_ = false;
    std::unique_ptr<ClockWatch> clockWatch_;
    QTimer* clockTimer_ = nullptr;
    bool shownOnce_ = false;   // the schedule causes mean something once it was loaded
    bool hotKeyHeld_ = false;  // Ctrl+Alt+S is ours
};

}  // namespace chimora
