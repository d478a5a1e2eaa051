#pragma once

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/frm_main.h"
#include "chimdb/chim_session_list.h"
#include "platform/fake/fake_autorun.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_hot_keys.h"
#include "platform/fake/fake_media_player.h"
#include "platform/fake/fake_message_boxes.h"
#include "platform/fake/fake_power.h"
#include "platform/fake/fake_shell_open.h"
#include "platform/fake/fake_time_sync.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {

// The one application object of the test program (offscreen).
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Ticks only when the test says so.
class ManualTickSource : public platform::TickSource {
  public:
    void Start(std::function<void()> onTick) override { onTick_ = std::move(onTick); }
    void Stop() override { onTick_ = nullptr; }
    bool Running() const { return static_cast<bool>(onTick_); }

  private:
    std::function<void()> onTick_;
};

// Message boxes that can run something while a box is open, as the event loop of a real
// box does.
class HookedMessageBoxes : public platform::FakeMessageBoxes {
  public:
    Answer Show(Kind kind, const std::string& text, Buttons buttons) override {
        if (onShow)
            onShow();
        return FakeMessageBoxes::Show(kind, text, buttons);
    }
    std::function<void()> onShow;
};

// One JSON line of table Ring1_7. flags: eight characters for WEEK1..WEEK8.
inline std::string RingLine(const std::string& plan, const std::string& time,
                            const std::string& desc, const std::string& file,
                            const std::string& flags) {
    std::string line = "{";
    for (int d = 1; d <= 8; ++d)
        line += "\"WEEK" + std::to_string(d) + "\": \"" + flags.substr(d - 1, 1) + "\", ";
    return line + "\"RINGDESC\": \"" + desc + "\", \"RINGFILE\": \"" + file +
           "\", \"RINGTIME\": \"" + time + "\", \"RINGPROJECT\": \"" + plan + "\"}\n";
}

inline std::string PlanLine(const std::string& name, bool active) {
    return "{\"NAME\": \"" + name + "\", \"ISACTIVE\": \"" + (active ? "1" : "0") + "\"}\n";
}

// The main window over a temporary program folder, with fakes for everything outside.
// The clock starts on Monday 2026-12-07 at 08:00:00.
class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() { TestApp(); }

    void TearDown() override {
        window.reset();
        chimdb::ChimSessionList::Instance().Shutdown();
    }

    // The active plan "P" with the given entries (and the installed Config rows).
    void Plan(const std::string& ringLines, const std::string& name = "P") {
        folder.Insert("FANGAN", PlanLine(name, true));
        folder.Insert("Config",
                      chimdb::testing::Slurp(ProgramFolder::SourcePath("data/Config.jsonl")));
        if (!ringLines.empty())
            folder.Insert("Ring1_7", ringLines);
    }
    void HaveMusic(const std::string& file) { files.files.insert(folder.MusicPath() + file); }

    FrmMain& Window() {
        if (!window) {
            window = std::make_unique<FrmMain>(
                MainWindowServices{clock, ticks, player, power, files, hotKeys, boxes, autorun,
                                   shell, folder.ExecutablePath(),
                                   [this](const std::string& text) { events.push_back(text); },
                                   nullptr, false, &timeSync});
            window->dialogs.ringSet = [this](QWidget*, DialogContext&, const std::string& mode,
                                             const RingObj& ring) {
                editorCalls.push_back({mode, ring});
                return editorAnswer;
            };
            window->dialogs.fangAn = [this](QWidget*, DialogContext&) {
                ++fangAnCalls;
                return fangAnAnswer;
            };
            window->dialogs.batchAdd = [this](QWidget*, DialogContext&) { return 2; };
            window->dialogs.setting = [this](QWidget*, DialogContext&) {
                ++settingCalls;
                return 2;
            };
        }
        return *window;
    }
    FrmMain& Shown() {
        Window().show();
        return *window;
    }

    template <typename T>
    T* Find(const char* name) {
        T* found = Window().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QTableView* Grid() { return Find<QTableView>("FilterDBGrid"); }
    QTabBar* Tabs() { return Find<QTabBar>("TabControl"); }
    QPushButton* PlayButton() { return Find<QPushButton>("btnPlay"); }
    std::string Status() { return Find<QLabel>("StatusBarPanel1")->text().toStdString(); }

    // The user picks a tab (the tab-change handler runs).
    void PickTab(int index) { Tabs()->setCurrentIndex(index); }
    // The user clicks a cell of the grid.
    void ClickRow(int row, int column = 0) {
        const QModelIndex index = Grid()->model()->index(row, column);
        Grid()->setCurrentIndex(index);
        Window().FilterDBGridCellClick(index);
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> values;
        for (int row = 0; row < Window().Model().rowCount(); ++row)
            values.push_back(Window().Model().RowAt(row)[static_cast<std::size_t>(column)]);
        return values;
    }
    std::vector<std::string> Descriptions() { return Column(RingTableModel::kDescColumn); }
    QVariant Cell(int row, int column, int role) {
        return Window().Model().data(Window().Model().index(row, column), role);
    }

    struct EditorCall {
        std::string mode;
        RingObj ring;
    };

    ProgramFolder folder;
    platform::FakeClock clock;
    ManualTickSource ticks;
    platform::FakeMediaPlayer player;
    platform::FakePower power;
    platform::FakeFileSystem files;
    platform::FakeHotKeys hotKeys;
    HookedMessageBoxes boxes;
    platform::FakeAutorun autorun;
    platform::FakeShellOpen shell;
    platform::FakeTimeSync timeSync;
    std::vector<std::string> events;
    std::vector<EditorCall> editorCalls;
    int editorAnswer = 2;
    int fangAnCalls = 0;
    int fangAnAnswer = 2;
    int settingCalls = 0;
    std::unique_ptr<FrmMain> window;
};

}  // namespace chimora::testing
