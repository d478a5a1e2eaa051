// The core of the main window's show steps on a plan of 1,000 entries: today's weekday, the
// active plan, the settings, all entries of the plan into memory, today's tab filter and the
// status line. Measured warm (the database already open in the session, as when the window
// is shown again from the tray) and cold (as at program start). The peer, measured in the
// same run on the same rows: SQLite reading the settings, the active plan, the plan's
// entries ordered by time and the day's entries. Goal: under 20 ms.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/ring_engine.h"
#include "app/core/schedule_loader.h"
#include "app/core/time_of_day.h"
#include "chimdb/chim_session_list.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_media_player.h"
#include "platform/fake/fake_power.h"
#include "tests/chimdb/tool_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace chimora;

constexpr int kPlanEntries = 1000;
constexpr int kOtherEntries = 250;  // another plan's entries, which the filters skip
constexpr const char* kPlan = "默认方案";
constexpr const char* kOtherPlan = "考试周";

struct Entry {
    std::string weeks;  // WEEK1..WEEK8
    std::string desc;
    std::string file;
    std::string time;
    std::string plan;
};

const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = [] {
        std::vector<Entry> list;
        for (int i = 0; i < kPlanEntries + kOtherEntries; ++i) {
            Entry e;
            for (int d = 1; d <= 8; ++d)
                e.weeks += (i + d) % 3 == 0 ? '0' : '1';
            // Spread over the day from 06:00, not in time order, so the index has work.
            const int second = 6 * 3600 + (i * 7919) % (16 * 3600);
            e.time = TimeText(second / 3600, second / 60 % 60, second % 60);
            e.desc = "第" + std::to_string(i % 12 + 1) + "节课";
            e.file = "bells\\ring" + std::to_string(i % 10) + ".wav";
            e.plan = i < kPlanEntries ? kPlan : kOtherPlan;
            list.push_back(e);
        }
        return list;
    }();
    return entries;
}

const fs::path& WorkDir() {
    static const fs::path dir =
        fs::temp_directory_path() / ("chimora-show-bench-" + std::to_string(::getpid()));
    return dir;
}

std::string AppPath() {
    return WorkDir().string() + "/";
}

std::string JsonLines() {
    std::string lines;
    for (const Entry& e : Entries()) {
        lines += "{";
        for (int d = 1; d <= 8; ++d)
            lines += "\"WEEK" + std::to_string(d) + "\": \"" + e.weeks[d - 1] + "\", ";
        // The file names hold a backslash, written as "\\" in JSON.
        std::string file = e.file;
        file.replace(file.find('\\'), 1, "\\\\");
        lines += "\"RINGDESC\": \"" + e.desc + "\", \"RINGFILE\": \"" + file +
                 "\", \"RINGTIME\": \"" + e.time + "\", \"RINGPROJECT\": \"" + e.plan + "\"}\n";
    }
    return lines;
}

void RunTool(const std::vector<std::string>& args, const std::string& input = "") {
    const auto result =
        chimdb::testing::RunTool(chimdb::testing::ToolPath(), WorkDir() / "tool", args, input);
    if (result.status != 0)
        throw std::runtime_error("chimdb tool failed: " + result.err);
}

// The program folder's db.dll made the way the build makes the installed one.
void CreateChimoraDatabase() {
    fs::remove_all(WorkDir());
    fs::create_directories(WorkDir() / "tool");
    const std::string db = AppPath() + ScheduleLoader::kDatabaseFileName;
    RunTool({"create", db, "--schema", std::string(CHIMORA_SOURCE_DIR) + "/data/schema.json"});
    const std::string password = ScheduleLoader::kPassword;
    auto insert = [&](const char* table, const std::string& lines) {
        RunTool({"insert", db, "--table", table, "--password", password}, lines);
    };
    insert("Config",
           "{\"ID\": \"1\", \"SYS_ID\": \"AUTORUN\", \"SYS_VALUE\": \"0\"}\n"
           "{\"ID\": \"2\", \"SYS_ID\": \"SHUTDOWN\", \"SYS_VALUE\": \"0\"}\n"
           "{\"ID\": \"3\", \"SYS_ID\": \"SHUTDOWNDTTM\", \"SYS_VALUE\": \"17:30:00\"}\n");
    insert("FANGAN", std::string("{\"NAME\": \"") + kOtherPlan + "\", \"ISACTIVE\": \"0\"}\n" +
                         "{\"NAME\": \"" + kPlan + "\", \"ISACTIVE\": \"1\"}\n");
    insert("Ring1_7", JsonLines());
}

// --- SQLite, the peer ----------------------------------------------------------------------

std::string SqlitePath() {
    return (WorkDir() / "peer.sqlite").string();
}

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void CreateSqliteDatabase() {
    sqlite3* db = nullptr;
    Check(sqlite3_open(SqlitePath().c_str(), &db), db, "open");
    Check(sqlite3_exec(db,
                       "CREATE TABLE Config (ID TEXT PRIMARY KEY, SYS_ID TEXT, SYS_VALUE TEXT);"
                       "CREATE TABLE FANGAN (NAME TEXT UNIQUE, ISACTIVE TEXT);"
                       "CREATE TABLE Ring1_7 (ID INTEGER PRIMARY KEY, WEEK1 TEXT, WEEK2 TEXT,"
                       " WEEK3 TEXT, WEEK4 TEXT, WEEK5 TEXT, WEEK6 TEXT, WEEK7 TEXT, WEEK8 TEXT,"
                       " RINGDESC TEXT, RINGFILE TEXT, RINGTIME TEXT, RINGLENGTH INTEGER,"
                       " RINGVOLUME INTEGER, RINGPROJECT TEXT);"
                       "CREATE INDEX RINGTIME ON Ring1_7 (RINGTIME);"
                       "INSERT INTO Config VALUES ('1','AUTORUN','0'), ('2','SHUTDOWN','0'),"
                       " ('3','SHUTDOWNDTTM','17:30:00');"
                       "BEGIN;",
                       nullptr, nullptr, nullptr),
          db, "schema");
    sqlite3_stmt* plan = nullptr;
    Check(sqlite3_prepare_v2(db, "INSERT INTO FANGAN VALUES (?, ?)", -1, &plan, nullptr), db,
          "plan");
    for (const auto& [name, active] : {std::pair{kOtherPlan, "0"}, std::pair{kPlan, "1"}}) {
        sqlite3_bind_text(plan, 1, name, -1, SQLITE_STATIC);
        sqlite3_bind_text(plan, 2, active, -1, SQLITE_STATIC);
        Check(sqlite3_step(plan), db, "plan row");
        sqlite3_reset(plan);
    }
    sqlite3_finalize(plan);
    sqlite3_stmt* ring = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "INSERT INTO Ring1_7 (WEEK1, WEEK2, WEEK3, WEEK4, WEEK5, WEEK6, WEEK7,"
                             " WEEK8, RINGDESC, RINGFILE, RINGTIME, RINGPROJECT)"
                             " VALUES (?,?,?,?,?,?,?,?,?,?,?,?)",
                             -1, &ring, nullptr),
          db, "ring");
    for (const Entry& e : Entries()) {
        for (int d = 0; d < 8; ++d)
            sqlite3_bind_text(ring, d + 1, e.weeks.c_str() + d, 1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ring, 9, e.desc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ring, 10, e.file.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ring, 11, e.time.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ring, 12, e.plan.c_str(), -1, SQLITE_TRANSIENT);
        Check(sqlite3_step(ring), db, "ring row");
        sqlite3_reset(ring);
    }
    sqlite3_finalize(ring);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

std::string Column(sqlite3_stmt* stmt, int column) {
    const auto* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// The same work as the show steps, the SQLite way: one connection, four queries.
void SqliteShow(ProgramState& state, int weekday) {
    sqlite3* db = nullptr;
    Check(sqlite3_open_v2(SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db, "open");
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT SYS_ID, SYS_VALUE FROM Config ORDER BY ID", -1, &stmt,
                             nullptr),
          db, "config");
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const std::string id = Column(stmt, 0);
        if (id == "AUTORUN")
            state.SysConfig.AutoRun = Column(stmt, 1);
        else if (id == "SHUTDOWN")
            state.SysConfig.ShutDown = Column(stmt, 1);
        else if (id == "SHUTDOWNDTTM")
            state.SysConfig.ShutDownTime = Column(stmt, 1);
    }
    sqlite3_finalize(stmt);
    Check(sqlite3_prepare_v2(db, "SELECT NAME FROM FANGAN WHERE ISACTIVE='1' ORDER BY NAME LIMIT 1",
                             -1, &stmt, nullptr),
          db, "plan");
    state.CurrFangAn = sqlite3_step(stmt) == SQLITE_ROW ? Column(stmt, 0) : "";
    sqlite3_finalize(stmt);
    Check(sqlite3_prepare_v2(db,
                             "SELECT WEEK1, WEEK2, WEEK3, WEEK4, WEEK5, WEEK6, WEEK7, RINGFILE,"
                             " RINGTIME, RINGDESC FROM Ring1_7 WHERE RINGPROJECT=?"
                             " ORDER BY RINGTIME",
                             -1, &stmt, nullptr),
          db, "entries");
    sqlite3_bind_text(stmt, 1, state.CurrFangAn.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<RingObj> loaded;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        RingObj ring;
        for (int d = 1; d <= 7; ++d)
            ring.WeekFlag(d) = Column(stmt, d - 1);
        ring.RINGFILE = Column(stmt, 7);
        ring.RINGTIME = Column(stmt, 8);
        ring.RINGDESC = Column(stmt, 9);
        loaded.push_back(std::move(ring));
    }
    state.RingList = std::move(loaded);
    sqlite3_finalize(stmt);
    // Today's tab: the rows the grid would show.
    const std::string day =
        "SELECT RINGDESC, RINGFILE, RINGTIME FROM Ring1_7 WHERE"
        " RINGPROJECT=? AND WEEK" +
        std::to_string(weekday) + "='1' ORDER BY RINGTIME";
    Check(sqlite3_prepare_v2(db, day.c_str(), -1, &stmt, nullptr), db, "day");
    sqlite3_bind_text(stmt, 1, state.CurrFangAn.c_str(), -1, SQLITE_TRANSIENT);
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        rows += Column(stmt, 0).empty() ? 0 : 1;
    benchmark::DoNotOptimize(rows);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

// --- the program's show steps ------------------------------------------------------------

// The bell core wired to fakes, as the main window holds it.
struct Core {
    Core() {
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
    RingEngine engine{state, clock, files, playback, peManager, AppPath() + "music/"};
    ScheduleLoader loader{state, engine, AppPath()};

    void Show() {
        state.TodayWeek = std::stoi(GetTodayWeek(clock.Now()));
        state.CurrFangAn = loader.GetActiveFangAn();
        loader.LoadConfigData();
        loader.LoadAllDataToMem();
        loader.LoadData(state.TodayWeek);
        benchmark::DoNotOptimize(engine.setPanel1Val());
    }
};

void BM_ShowSteps_Warm(benchmark::State& bench) {
    Core core;
    core.Show();  // opens the database in the session once
    for (auto _ : bench)
        core.Show();
    if (core.state.RingList.size() != static_cast<std::size_t>(kPlanEntries))
        bench.SkipWithError("the plan did not load completely");
    bench.counters["entries"] = static_cast<double>(core.state.RingList.size());
    bench.counters["today"] = static_cast<double>(core.loader.ChimTable1().RecordCount());
}

void BM_ShowSteps_Cold(benchmark::State& bench) {
    Core core;
    for (auto _ : bench) {
        bench.PauseTiming();
        core.loader.ChimTable1().Close();
        core.loader.ChimConfig().Close();
        chimdb::ChimSessionList::Instance().Shutdown();
        bench.ResumeTiming();
        core.Show();
    }
    bench.counters["entries"] = static_cast<double>(core.state.RingList.size());
}

// The steps one by one, warm, to show where the time goes.
void BM_Step_GetActiveFangAn(benchmark::State& bench) {
    Core core;
    core.Show();
    for (auto _ : bench)
        benchmark::DoNotOptimize(core.loader.GetActiveFangAn());
}

void BM_Step_LoadConfigData(benchmark::State& bench) {
    Core core;
    core.Show();
    for (auto _ : bench)
        core.loader.LoadConfigData();
}

void BM_Step_LoadAllDataToMem(benchmark::State& bench) {
    Core core;
    core.Show();
    for (auto _ : bench)
        core.loader.LoadAllDataToMem();
}

void BM_Step_LoadData(benchmark::State& bench) {
    Core core;
    core.Show();
    for (auto _ : bench)
        core.loader.LoadData(core.state.TodayWeek);
}

void BM_Step_SetPanel1Val(benchmark::State& bench) {
    Core core;
    core.Show();
    for (auto _ : bench)
        benchmark::DoNotOptimize(core.engine.setPanel1Val());
}

void BM_Peer_SQLite_Show(benchmark::State& bench) {
    ProgramState state;
    for (auto _ : bench)
        SqliteShow(state, 3);
    if (state.RingList.size() != static_cast<std::size_t>(kPlanEntries))
        bench.SkipWithError("the peer did not load the plan completely");
    bench.counters["entries"] = static_cast<double>(state.RingList.size());
}

BENCHMARK(BM_ShowSteps_Warm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowSteps_Cold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_SQLite_Show)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_GetActiveFangAn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_LoadConfigData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_LoadAllDataToMem)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_LoadData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_SetPanel1Val)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CreateChimoraDatabase();
    CreateSqliteDatabase();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    chimdb::ChimSessionList::Instance().Shutdown();
    fs::remove_all(WorkDir());
    return 0;
}
