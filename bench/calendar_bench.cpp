// The school calendar's cost: the show steps (active plan, settings, all entries of the plan
// and the calendar into memory, today's tab, status line) and the per-second tick with 200
// calendar rules, beside the same program folder without a calendar (an empty Calendar
// table, as a fresh install has), in one run. The plan holds 1,000 entries, another plan
// that 20 plan days name holds 250. Goal: no measurable difference on the tick.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/ring_engine.h"
#include "app/core/schedule_loader.h"
#include "app/core/school_calendar.h"
#include "app/core/time_of_day.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/date_time_codec.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_media_player.h"
#include "platform/fake/fake_power.h"
#include "tests/chimdb/tool_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace chimora;

constexpr int kPlanEntries = 1000;
constexpr int kOtherEntries = 250;
constexpr int kRules = 200;
constexpr const char* kPlan = "默认方案";
constexpr const char* kOtherPlan = "考试周";

const fs::path& WorkDir() {
    static const fs::path dir =
        fs::temp_directory_path() / ("chimora-calendar-bench-" + std::to_string(::getpid()));
    return dir;
}

std::string AppPath(const char* folder) {
    return (WorkDir() / folder).string() + "/";
}

void RunTool(const std::vector<std::string>& args, const std::string& input = "") {
    const auto result =
        chimdb::testing::RunTool(chimdb::testing::ToolPath(), WorkDir() / "tool", args, input);
    if (result.status != 0)
        throw std::runtime_error("chimdb tool failed: " + result.err);
}

std::string EntryLines() {
    std::string lines;
    for (int i = 0; i < kPlanEntries + kOtherEntries; ++i) {
        lines += "{";
        for (int d = 1; d <= 8; ++d)
            lines +=
                "\"WEEK" + std::to_string(d) + "\": \"" + ((i + d) % 3 == 0 ? "0" : "1") + "\", ";
        const int second = 6 * 3600 + (i * 7919) % (16 * 3600);
        lines += "\"RINGDESC\": \"第" + std::to_string(i % 12 + 1) +
                 "节课\", \"RINGFILE\": \"ring.wav\", \"RINGTIME\": \"" +
                 TimeText(second / 3600, second / 60 % 60, second % 60) +
                 "\", \"RINGPROJECT\": \"" + (i < kPlanEntries ? kPlan : kOtherPlan) + "\"}\n";
    }
    return lines;
}

// 200 rules over the years around today: days without bells, make-up days and plan days,
// none of them on the benchmark's own day, so that both folders ring the same entries.
std::string RuleLines() {
    std::string lines;
    const std::int32_t base = SchoolCalendar::DayOf(2024, 1, 1);
    for (int i = 0; i < kRules; ++i) {
        std::int32_t from = base + i * 9;
        if (from <= SchoolCalendar::DayOf(2026, 12, 9) &&
            SchoolCalendar::DayOf(2026, 12, 9) <= from + 3)
            from += 5;
        const int kind = i % 10 == 0 ? 2 : i % 5 == 0 ? 1 : 0;
        lines += "{\"DAYFROM\": \"" + chimdb::FormatIsoDate(from) + "\", \"DAYTO\": \"" +
                 chimdb::FormatIsoDate(from + i % 4) + "\", \"KIND\": \"" + std::to_string(kind) +
                 "\", \"WEEKDAY\": \"" + (kind == 1 ? "3" : "") + "\", \"FANGAN\": \"" +
                 (kind == 2 ? kOtherPlan : "") + "\", \"NOTE\": \"规则" + std::to_string(i) +
                 "\"}\n";
    }
    return lines;
}

void MakeFolder(const char* folder, bool withRules) {
    fs::create_directories(WorkDir() / folder);
    const std::string db = AppPath(folder) + ScheduleLoader::kDatabaseFileName;
    RunTool({"create", db, "--schema", std::string(CHIMORA_SOURCE_DIR) + "/data/schema.json"});
    auto insert = [&](const char* table, const std::string& lines) {
        RunTool({"insert", db, "--table", table, "--password", ScheduleLoader::kPassword}, lines);
    };
    insert("Config",
           "{\"ID\": \"1\", \"SYS_ID\": \"AUTORUN\", \"SYS_VALUE\": \"0\"}\n"
           "{\"ID\": \"2\", \"SYS_ID\": \"SHUTDOWN\", \"SYS_VALUE\": \"0\"}\n"
           "{\"ID\": \"3\", \"SYS_ID\": \"SHUTDOWNDTTM\", \"SYS_VALUE\": \"17:30:00\"}\n");
    insert("FANGAN", std::string("{\"NAME\": \"") + kOtherPlan + "\", \"ISACTIVE\": \"0\"}\n" +
                         "{\"NAME\": \"" + kPlan + "\", \"ISACTIVE\": \"1\"}\n");
    insert("Ring1_7", EntryLines());
    if (withRules)
        insert("Calendar", RuleLines());
}

constexpr const char* kWith = "with-calendar";
constexpr const char* kWithout = "without-calendar";

struct Core {
    explicit Core(const char* folder) : loader{state, engine, AppPath(folder)} {
        clock.Set(2026, 12, 9, 10, 0, 0);  // a Wednesday
        engine.SetRunning(true);
    }
    ProgramState state;
    platform::FakeClock clock;
    platform::FakeFileSystem files;
    platform::FakeMediaPlayer player;
    platform::FakePower power;
    MusicPlayback playback{player};
    PeManager peManager{power};
    RingEngine engine{state, clock, files, playback, peManager, "/music/"};
    ScheduleLoader loader;

    void Show() {
        state.TodayWeek = WeekdayNumber(clock.Now());
        state.CurrFangAn = loader.GetActiveFangAn();
        loader.LoadConfigData();
        loader.LoadAllDataToMem();
        loader.LoadData(state.TodayWeek);
        benchmark::DoNotOptimize(engine.setPanel1Val());
    }
};

void Counters(benchmark::State& bench, const Core& core) {
    bench.counters["entries"] = static_cast<double>(core.state.RingList.size());
    bench.counters["rules"] = static_cast<double>(core.state.CalendarRules.size());
}

void ShowWarm(benchmark::State& bench, const char* folder) {
    Core core(folder);
    core.Show();
    for (auto _ : bench)
        core.Show();
    Counters(bench, core);
}

void ShowCold(benchmark::State& bench, const char* folder) {
    Core core(folder);
    for (auto _ : bench) {
        bench.PauseTiming();
        core.loader.ChimTable1().Close();
        core.loader.ChimConfig().Close();
        chimdb::ChimSessionList::Instance().Shutdown();
        bench.ResumeTiming();
        core.Show();
    }
    Counters(bench, core);
}

// A tick in a second that rings nothing; the date stays, as in all but one tick a day.
void Tick(benchmark::State& bench, const char* folder) {
    Core core(folder);
    core.Show();
    core.clock.SetTime(10, 0, 1);
    for (auto _ : bench)
        core.engine.Timer1Timer();
    Counters(bench, core);
}

// The first tick of a new day, which finds the day's rule again among all rules.
void TickNewDay(benchmark::State& bench, const char* folder) {
    Core core(folder);
    core.Show();
    for (auto _ : bench) {
        core.engine.CalendarChanged();
        core.engine.Timer1Timer();
    }
    Counters(bench, core);
}

void BM_ShowWarm_With200Rules(benchmark::State& bench) {
    ShowWarm(bench, kWith);
}
void BM_ShowWarm_WithoutCalendar(benchmark::State& bench) {
    ShowWarm(bench, kWithout);
}
void BM_ShowCold_With200Rules(benchmark::State& bench) {
    ShowCold(bench, kWith);
}
void BM_ShowCold_WithoutCalendar(benchmark::State& bench) {
    ShowCold(bench, kWithout);
}
void BM_Tick_With200Rules(benchmark::State& bench) {
    Tick(bench, kWith);
}
void BM_Tick_WithoutCalendar(benchmark::State& bench) {
    Tick(bench, kWithout);
}
void BM_TickNewDay_With200Rules(benchmark::State& bench) {
    TickNewDay(bench, kWith);
}
void BM_TickNewDay_WithoutCalendar(benchmark::State& bench) {
    TickNewDay(bench, kWithout);
}

BENCHMARK(BM_ShowWarm_With200Rules)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowWarm_WithoutCalendar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowCold_With200Rules)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowCold_WithoutCalendar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tick_With200Rules)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tick_WithoutCalendar)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickNewDay_With200Rules)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickNewDay_WithoutCalendar)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    fs::remove_all(WorkDir());
    fs::create_directories(WorkDir() / "tool");
    MakeFolder(kWith, true);
    MakeFolder(kWithout, false);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    chimdb::ChimSessionList::Instance().Shutdown();
    fs::remove_all(WorkDir());
    return 0;
}
