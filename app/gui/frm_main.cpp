#include "app/gui/frm_main.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/time_of_day.h"
#include "chimdb/chim_session_list.h"

// The icons live in a resource compiled into this library; a static library must register
// it by hand.
static void InitIconResource() {
    Q_INIT_RESOURCE(icons);
}

namespace chimora {

namespace {

constexpr int kWindowWidth = 715;
constexpr int kWindowHeight = 535;
constexpr int kToolBarHeight = 54;
constexpr int kButtonWidth = 61;
constexpr int kButtonHeight = 52;
constexpr int kIconSize = 32;
constexpr int kPanel0Width = 280;
constexpr int kTabWidth = 80;

// The text of the first status bar panel; the program never changes it.
constexpr const char* kPanel0Text = "Chimora 学校自动打铃";

const char* const kTabCaptions[] = {"星期一", "星期二", "星期三", "星期四",
                                    "星期五", "星期六", "星期日", "临时打铃"};

// Tabs of one fixed width, whatever their caption.
class FixedWidthTabBar : public QTabBar {
  public:
    using QTabBar::QTabBar;

  protected:
    QSize tabSizeHint(int index) const override {
        return {kTabWidth, QTabBar::tabSizeHint(index).height()};
    }
};

QFont SongFont() {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(13);
    return font;
}

}  // namespace

FrmMain::FrmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      paths_(services_.programFolder.empty()
                 ? IniFileUtils(services_.executablePath)
                 : IniFileUtils::ForProgramFolder(services_.programFolder)),
      playback_(services_.player),
      peManager_(services_.power),
      engine_(state_, services_.clock, services_.files, playback_, peManager_,
              paths_.GetMusicPath()),
      loader_(state_, engine_, paths_.GetAppPath()),
      guard_(services_.boxes),
      context_{state_,
               loader_,
               playback_,
               paths_,
               services_.clock,
               services_.files,
               services_.boxes,
               services_.autorun,
               services_.shell,
               guard_,
               services_.executablePath},
      model_(std::make_unique<RingTableModel>(loader_.ChimTable1())) {
    InitIconResource();
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/chimora.png")));
    setContextMenuPolicy(Qt::NoContextMenu);
    resize(kWindowWidth, kWindowHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    CreateToolBar();
    CreateScheduleView();
    CreateStatusBar();

    guard_.SetErrorListener([this](const std::string& text) { Log("error shown: " + text); });
    model_->SetDeferredRunner([this](const std::function<void()>& read) { guard_.Run(read); });
    model_->SetCellLook([this](const RingTableModel::Row& row, int column, int role) {
        return FilterDBGridDrawColumnCell(row, column, role);
    });
    RingEngine::Hooks hooks;
    hooks.showStatus = [this](const std::string& text) {
        statusPanel1->setText(QString::fromStdString(text));
    };
    hooks.ringStarted = [this](int weekday) { RingStarted(weekday); };
    hooks.ringReport = [this](const RingReport& report) {
        if (services_.logRing)
            services_.logRing(report);
    };
    hooks.shutdownRequested = [this](const std::string& result) {
        Log("scheduled shutdown: " + result);
    };
    engine_.SetHooks(std::move(hooks));
    playback_.SetPlayCaptionHandler(
        [this](const std::string& caption) { btnPlay->setText(QString::fromStdString(caption)); });
    services_.hotKeys.SetHandler([this](int id) { WMHotKey(id); });

    FormCreate();
}

FrmMain::~FrmMain() {
    services_.ticks.Stop();
    services_.hotKeys.SetHandler(nullptr);
    UnregisterHotKeys();
    services_.player.SetNotifyHandler(nullptr);
    model_.reset();
}

void FrmMain::FormCreate() {
    AddTrayIcon();
    RegisterHotKeys();
    SetRunning(true);
    setWindowTitle(QStringLiteral("Chimora5.0"));
    services_.ticks.Start([this] { Timer1Timer(); });
}

QToolButton* FrmMain::AddToolButton(const char* name, const char* caption, const char* icon) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromUtf8(caption));
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(icon))));
    button->setIconSize({kIconSize, kIconSize});
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumSize(kButtonWidth, kButtonHeight);
    button->setMaximumHeight(kButtonHeight);
    ToolBar1->addWidget(button);
    return button;
}

void FrmMain::CreateToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(kToolBarHeight);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    btnRun = AddToolButton("btnRun", "  运行  ", "run");
    btnStop = AddToolButton("btnStop", "暂停", "stop");
    ToolBar1->addSeparator();
    btnAdd = AddToolButton("btnAdd", "新增", "add");
    btnupd = AddToolButton("btnupd", "修改", "update");
    btnDel = AddToolButton("btnDel", "删除", "delete");
    btnSetting = AddToolButton("btnSetting", "设置", "setting");
    ToolBar1->addSeparator();
    btnExit = AddToolButton("btnExit", "退出", "exit");

    PopupMenuBatchAdd = new QMenu(this);
    PopupMenuBatchAdd->setObjectName(QStringLiteral("PopupMenuBatchAdd"));
    QAction* n4 = PopupMenuBatchAdd->addAction(QStringLiteral("新增连续播放"));
    n4->setObjectName(QStringLiteral("N4"));
    btnAdd->setMenu(PopupMenuBatchAdd);
    btnAdd->setPopupMode(QToolButton::MenuButtonPopup);

    ConfigPopupMenu = new QMenu(this);
    ConfigPopupMenu->setObjectName(QStringLiteral("ConfigPopupMenu"));
    QAction* n1 = ConfigPopupMenu->addAction(QStringLiteral("系统设置"));
    n1->setObjectName(QStringLiteral("N1"));
    QAction* n2 = ConfigPopupMenu->addAction(QStringLiteral("方案管理"));
    n2->setObjectName(QStringLiteral("N2"));
    QAction* n3 = ConfigPopupMenu->addAction(QStringLiteral("隐藏(Ctrl+Alt+S切换)"));
    n3->setObjectName(QStringLiteral("N3"));
    btnSetting->setMenu(ConfigPopupMenu);
    btnSetting->setPopupMode(QToolButton::MenuButtonPopup);

    connect(btnRun, &QToolButton::clicked, this, &FrmMain::btnRunClick);
    connect(btnStop, &QToolButton::clicked, this, &FrmMain::btnStopClick);
    connect(btnAdd, &QToolButton::clicked, this, &FrmMain::btnAddClick);
    connect(btnupd, &QToolButton::clicked, this, &FrmMain::btnUpdClick);
    connect(btnDel, &QToolButton::clicked, this, &FrmMain::btnDelClick);
    connect(btnSetting, &QToolButton::clicked, this, &FrmMain::btnSettingClick);
    connect(btnExit, &QToolButton::clicked, this, &FrmMain::btnExitClick);
    connect(n1, &QAction::triggered, this, &FrmMain::N1Click);
    connect(n2, &QAction::triggered, this, &FrmMain::N2Click);
    connect(n3, &QAction::triggered, this, &FrmMain::N3Click);
    connect(n4, &QAction::triggered, this, &FrmMain::N4Click);
}

void FrmMain::CreateScheduleView() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->setSpacing(0);

    TabControl = new FixedWidthTabBar(central);
    TabControl->setObjectName(QStringLiteral("TabControl"));
    TabControl->setFont(SongFont());
    TabControl->setExpanding(false);
    TabControl->setDrawBase(true);
    for (const char* caption : kTabCaptions)
        TabControl->addTab(QString::fromUtf8(caption));
    layout->addWidget(TabControl);

    auto* page = new QFrame(central);
    page->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(page, 1);

    GB1 = new QGroupBox(QStringLiteral("铃声任务列表"), page);
    GB1->setObjectName(QStringLiteral("GB1"));
    pageLayout->addWidget(GB1);
    auto* groupLayout = new QVBoxLayout(GB1);
    groupLayout->setContentsMargins(6, 6, 6, 6);

    FilterDBGrid = new QTableView(GB1);
    FilterDBGrid->setObjectName(QStringLiteral("FilterDBGrid"));
    FilterDBGrid->setModel(model_.get());
    FilterDBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    FilterDBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    // Entries are changed through the editor dialogs only; the grid itself edits nothing.
    FilterDBGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FilterDBGrid->setToolTip(QStringLiteral("双击即可修改"));
    FilterDBGrid->setWordWrap(false);
    FilterDBGrid->horizontalHeader()->setFont(SongFont());
    FilterDBGrid->horizontalHeader()->setHighlightSections(false);
    FilterDBGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FilterDBGrid->verticalHeader()->setFixedWidth(12);
    FilterDBGrid->verticalHeader()->setDefaultSectionSize(20);
    FilterDBGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = RingTableModel::kIdColumn; column < RingTableModel::kColumnCount; ++column)
        FilterDBGrid->setColumnHidden(column, true);
    groupLayout->addWidget(FilterDBGrid);

    btnPlay = new QPushButton(QString::fromUtf8(MusicPlayback::kPlayCaption), GB1);
    btnPlay->setObjectName(QStringLiteral("btnPlay"));
    btnPlay->setFixedSize(60, 19);
    btnPlay->hide();

    setCentralWidget(central);

    connect(TabControl, &QTabBar::currentChanged, this, &FrmMain::TabControlChange);
    connect(FilterDBGrid, &QTableView::clicked, this, &FrmMain::FilterDBGridCellClick);
    connect(FilterDBGrid, &QTableView::doubleClicked, this, &FrmMain::FilterDBGridDblClick);
    connect(FilterDBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &FrmMain::FollowCurrentRow);
    connect(model_.get(), &RingTableModel::reloaded, this, [this] {
        if (model_->rowCount() > 0)
            FilterDBGrid->setCurrentIndex(model_->index(0, 0));
    });
    connect(FilterDBGrid->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &FrmMain::PlaceBtnPlay);
    connect(FilterDBGrid->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &FrmMain::PlaceBtnPlay);
    connect(FilterDBGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
            &FrmMain::PlaceBtnPlay);
    connect(btnPlay, &QPushButton::clicked, this, &FrmMain::btnPlayClick);
}

void FrmMain::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    statusPanel0 = new QLabel(QString::fromUtf8(kPanel0Text), bar);
    statusPanel0->setObjectName(QStringLiteral("StatusBarPanel0"));
    statusPanel0->setFixedWidth(kPanel0Width);
    statusPanel1 = new QLabel(bar);
    statusPanel1->setObjectName(QStringLiteral("StatusBarPanel1"));
    bar->addWidget(statusPanel0);
    bar->addWidget(statusPanel1, 1);
}

// ---- program life -------------------------------------------------------------------------

void FrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Restoring a minimised window is no new show; the show steps run when the program
    // shows the window (at start, from the tray, by the hot key).
    if (!event->spontaneous())
        FormShow();
}

void FrmMain::FormShow() {
    Guarded([this] {
        state_.TodayWeek = WeekdayNumber(services_.clock.Now());
        SelectTabQuietly(state_.TodayWeek - 1);
        state_.CurrFangAn = loader_.GetActiveFangAn();
        loader_.LoadConfigData();
        loader_.LoadAllDataToMem();
        TabControlClick();
        engine_.setPanel1Val();
    });
}

void FrmMain::Timer1Timer() {
    EventGuard::RunSilently([this] { engine_.Timer1Timer(); });
    // Rows turn olive as their time passes.
    FilterDBGrid->viewport()->update();
}

void FrmMain::SetRunning(bool running) {
    btnRun->setEnabled(!running);
    btnStop->setEnabled(running);
    engine_.SetRunning(running);
}

void FrmMain::btnRunClick() {
    Guarded([this] {
        SetRunning(true);
        Log("run");
    });
}

void FrmMain::btnStopClick() {
    Guarded([this] {
        if (!services_.boxes.AskYesNo("暂停将不能自动打铃，确认暂停么？"))
            return;
        SetRunning(false);
        Log("paused");
        playback_.stop();
    });
}

void FrmMain::btnExitClick() {
    Guarded([this] {
        if (!services_.boxes.AskYesNo("这将导致无法按时响铃，确认退出吗？",
                                      platform::MessageBoxes::Kind::Warning))
            return;
        RemoveTrayIcon();
        UnregisterHotKeys();
        close();
    });
}

void FrmMain::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Whatever was written must be on disk before the program goes (the PC may be switched
    // off right after).
    EventGuard::RunSilently([] { chimdb::ChimSessionList::Instance().FlushAll(); });
    emit programEnded();
}

void FrmMain::N3Click() {
    // Hidden without a tray icon and without the hot key, the window could never come back
    // while the program kept running: it goes to the task bar instead.
    const bool trayShown = tray_ && tray_->isVisible();
    if (trayShown || hotKeyHeld_)
        hide();
    else
        showMinimized();
}

void FrmMain::btnSettingClick() {
    Guarded([this] { dialogs.setting(this, context_); });
}

void FrmMain::N1Click() {
    btnSettingClick();
}

void FrmMain::N2Click() {
    Guarded([this] {
        if (dialogs.fangAn(this, context_) != 1)
            return;
        loader_.LoadConfigData();
        loader_.LoadAllDataToMem();
        state_.CurrFangAn = loader_.GetActiveFangAn();
        RefreshGrid();
    });
}

void FrmMain::N4Click() {
    Guarded([this] {
        dialogs.batchAdd(this, context_);
        RefreshGrid();
    });
}

void FrmMain::ShowAgain() {
    if (!isVisible())
        show();  // runs the show steps
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void FrmMain::WMTrayNotify(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick)
        ShowAgain();
}

void FrmMain::WMHotKey(int id) {
    if (id != kHotKeyShowHide)
        return;
    if (isVisible()) {
        hide();
        return;
    }
    ShowAgain();
    AddTrayIcon();
}

void FrmMain::AddTrayIcon() {
    if (!services_.useTrayIcon || !QSystemTrayIcon::isSystemTrayAvailable())
        return;  // the program runs without the icon
    if (!tray_) {
        tray_ = new QSystemTrayIcon(windowIcon(), this);
        tray_->setToolTip(QStringLiteral("Chimora"));
        connect(tray_, &QSystemTrayIcon::activated, this, &FrmMain::WMTrayNotify);
    }
    tray_->show();
}

void FrmMain::RemoveTrayIcon() {
    if (tray_)
        tray_->hide();
}

void FrmMain::RegisterHotKeys() {
    constexpr unsigned kCtrlAlt = platform::HotKeys::kModControl | platform::HotKeys::kModAlt;
    // A key that another program holds is simply not ours; the program runs without it.
    hotKeyHeld_ = services_.hotKeys.RegisterHotKey(kHotKeyShowHide, kCtrlAlt, 'S');
    services_.hotKeys.RegisterHotKey(kHotKeySpare, kCtrlAlt, 'C');
}

void FrmMain::UnregisterHotKeys() {
    services_.hotKeys.UnregisterHotKey(kHotKeyShowHide);
    services_.hotKeys.UnregisterHotKey(kHotKeySpare);
    hotKeyHeld_ = false;
}

void FrmMain::Log(const std::string& text) const {
    if (services_.logEvent)
        services_.logEvent(text);
}

void FrmMain::Guarded(const std::function<void()>& action) {
    guard_.Run(action);
}

}  // namespace chimora
