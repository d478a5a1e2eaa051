// The main window's show steps on a plan of 1,000 entries, as the user meets them when the
// window comes back from the tray: today's tab, plan, settings, all entries into memory, the
// tab's filter, the grid read from the cursor, the status line. Goal: under 20 ms.
// The peer, in the same run on the same database: the same steps without the window (the
// schedule loader and the ring engine alone), which shows what the grid and widgets add.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/core/time_of_day.h"
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
#include "tests/chimdb/tool_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace chimora;

constexpr int kPlanEntries = 1000;
constexpr const char* kPlan = "默认方案";

const fs::path& WorkDir() {
    static const fs::path dir =
        fs::temp_directory_path() / ("chimora-window-bench-" + std::to_string(::getpid()));
    return dir;
}

void RunTool(const std::vector<std::string>& args, const std::string& input = "") {
    const auto result =
        chimdb::testing::RunTool(chimdb::testing::ToolPath(), WorkDir() / "tool", args, input);
    if (result.status != 0)
        throw std::runtime_error("chimdb tool failed: " + result.err);
}

// 1,000 entries of the active plan over the day, most of them on several weekdays.
void CreateDatabase() {
    fs::remove_all(WorkDir());
    fs::create_directories(WorkDir() / "tool");
    fs::create_directories(WorkDir() / "music");
    const std::string db = (WorkDir() / ScheduleLoader::kDatabaseFileName).string();
    RunTool({"create", db, "--schema", std::string(CHIMORA_SOURCE_DIR) + "/data/schema.json"});
    const auto insert = [&](const char* table, const std::string& lines) {
        RunTool({"insert", db, "--table", table, "--password", ScheduleLoader::kPassword}, lines);
    };
    insert("Config",
           "{\"ID\": \"1\", \"SYS_ID\": \"AUTORUN\", \"SYS_VALUE\": \"0\"}\n"
           "{\"ID\": \"2\", \"SYS_ID\": \"SHUTDOWN\", \"SYS_VALUE\": \"0\"}\n"
           "{\"ID\": \"3\", \"SYS_ID\": \"SHUTDOWNDTTM\", \"SYS_VALUE\": \"17:30:00\"}\n");
    insert("FANGAN", std::string("{\"NAME\": \"") + kPlan + "\", \"ISACTIVE\": \"1\"}\n");
    std::string rings;
    for (int i = 0; i < kPlanEntries; ++i) {
        rings += "{";
        for (int d = 1; d <= 8; ++d)
            rings += "\"WEEK" + std::to_string(d) + "\": \"" + ((i + d) % 3 ? "1" : "0") + "\", ";
        const int second = 6 * 3600 + (i * 7919) % (16 * 3600);
        rings += "\"RINGDESC\": \"第" + std::to_string(i % 12 + 1) +
                 "节课\", \"RINGFILE\": \"bell.wav\", \"RINGTIME\": \"" +
                 TimeText(second / 3600, second / 60 % 60, second % 60) +
                 "\", \"RINGPROJECT\": \"" + kPlan + "\"}\n";
    }
    insert("Ring1_7", rings);
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "show_window_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class IdleTicks : public platform::TickSource {
  public:
    void Start(std::function<void()>) override {}
    void Stop() override {}
};

struct Fakes {
    platform::FakeClock clock;
    IdleTicks ticks;
    platform::FakeMediaPlayer player;
    platform::FakePower power;
    platform::FakeFileSystem files;
    platform::FakeHotKeys hotKeys;
    platform::FakeMessageBoxes boxes;
    platform::FakeAutorun autorun;
    platform::FakeShellOpen shell;
};

void BM_WindowShowSteps(benchmark::State& state) {
    App();
    CreateDatabase();
    Fakes fakes;
    fakes.clock.Set(2026, 12, 9, 10, 0, 0);
    {
        FrmMain window({fakes.clock, fakes.ticks, fakes.player, fakes.power, fakes.files,
                        fakes.hotKeys, fakes.boxes, fakes.autorun, fakes.shell,
                        (WorkDir() / "chimora").string(), nullptr, nullptr, false});
        window.FormShow();
        for (auto _ : state) {
            window.FormShow();
            benchmark::DoNotOptimize(window.Model().rowCount());
        }
        state.counters["rows"] = window.Model().rowCount();
        if (!fakes.boxes.shown.empty())
            state.SkipWithError(fakes.boxes.shown.front().text.c_str());
    }
    chimdb::ChimSessionList::Instance().Shutdown();
}
BENCHMARK(BM_WindowShowSteps)->Unit(benchmark::kMillisecond);

void BM_PeerShowStepsWithoutWindow(benchmark::State& state) {
    CreateDatabase();
    Fakes fakes;
    fakes.clock.Set(2026, 12, 9, 10, 0, 0);
    {
        ProgramState program;
        MusicPlayback playback(fakes.player);
        PeManager power(fakes.power);
        RingEngine engine(program, fakes.clock, fakes.files, playback, power,
                          (WorkDir() / "music/").string());
        ScheduleLoader loader(program, engine, WorkDir().string() + "/");
        for (auto _ : state) {
            program.TodayWeek = WeekdayNumber(fakes.clock.Now());
            program.CurrFangAn = loader.GetActiveFangAn();
            loader.LoadConfigData();
            loader.LoadAllDataToMem();
            loader.LoadData(program.TodayWeek);
            benchmark::DoNotOptimize(engine.setPanel1Val());
        }
        state.counters["rows"] = loader.ChimTable1().RecordCount();
    }
    chimdb::ChimSessionList::Instance().Shutdown();
}
BENCHMARK(BM_PeerShowStepsWithoutWindow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
