// How long a second program waits to insert one record while this program runs a long
// filter over the same file, against the same inserts while nobody else uses the file (the
// peer, in the same run). The filter process is forked; it opens the table on the same disk
// file and applies an expensive filter again and again until it is stopped. Each insert
// opens nothing new: one cursor appends and posts, with the session's default lock waits
// (20 retries 100 ms apart), so a post that cannot get the lock within about 2 s fails with
// "Wait for unlock time out" and is counted, not timed.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/database_creator.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 1200;
constexpr int kInserts = 40;
// The pause between two inserts: a user's pace, and time for the filter to get going again.
constexpr auto kInsertPause = std::chrono::milliseconds(20);
constexpr const char* kPassword = "Quartzfen47";

// The filter program works on the inserter's folder.
std::string workDirOverride;

fs::path WorkDir() {
    static const fs::path dir =
        !workDirOverride.empty()
            ? fs::path(workDirOverride)
            : fs::temp_directory_path() / ("chimora_lock_wait_bench_" + std::to_string(::getpid()));
    return dir;
}

std::string DbPath() {
    return (WorkDir() / "db.dll").string();
}

void OpenRing(chimdb::ChimTable& table) {
    table.SetDatabaseName(DbPath());
    table.SetTableName("Ring");
    table.SetIndexName("ID");
    table.SetPassword(kPassword);
    table.Open();
}

void PrepareFile() {
    static bool done = false;
    if (done)
        return;
    done = true;
    fs::create_directories(WorkDir());
    using chimdb::FieldType;
    auto type = [](FieldType t) { return static_cast<std::uint8_t>(t); };
    chimdb::TableSchema ring{"Ring", {}, {}};
    ring.fields = {{"ID", type(FieldType::ftAutoInc), 0, 0},
                   {"DESCR", type(FieldType::ftString), 32, 0}};
    ring.indexes = {{"ID", {"ID"}, chimdb::tiPrimary}};
    chimdb::DatabaseSchema schema;
    schema.password = kPassword;
    schema.cipher = "Blowfish";
    schema.tables.push_back(ring);
    chimdb::DatabaseCreator(schema).CreateFile(DbPath());
    chimdb::ChimTable table;
    OpenRing(table);
    for (int i = 0; i < kRecords; ++i) {
        table.Append();
        table.FieldByName("DESCR").SetAsString("aaaaaaaaaaaaaaaaaaaaaaaaaaaa" +
                                               std::to_string(i % 10));
        table.Post();
    }
}

// Many LIKE tests per record that all fail late: a pass costs some milliseconds per record,
// as the program's slow filters on a shared file did.
std::string ExpensiveFilter() {
    std::string text;
    for (int i = 0; i < 60; ++i) {
        if (!text.empty())
            text += " OR ";
        text += "DESCR LIKE '%a%a%a%a%a%a%b" + std::to_string(i) + "'";
    }
    return text;
}

// The other program: filters until it is stopped. Tells the parent once the first pass ran,
// with its length in microseconds.
[[noreturn]] void RunFilterer(int readyPipe) {
    int status = 0;
    try {
        chimdb::ChimTable table;
        OpenRing(table);
        table.SetFilter(ExpensiveFilter());
        const auto start = Clock::now();
        table.SetFiltered(true);
        const auto micros =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        const long long passMicros = micros;
        if (::write(readyPipe, &passMicros, sizeof passMicros) != sizeof passMicros)
            ::_exit(3);
        for (;;)
            table.Refresh();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "filterer: %s\n", error.what());
        status = 1;
    }
    ::_exit(status);
}

constexpr char kFiltererFlag[] = "--filter-until-killed";

// A program of its own (this one, started again), so that it opens the file itself and
// shares none of the inserter's openings.
struct Filterer {
    pid_t pid = -1;
    double passMs = 0;
    Filterer() {
        int ready[2];
        if (::pipe(ready) != 0)
            throw std::runtime_error("pipe");
        pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            const std::string dir = WorkDir().string();
            ::execl("/proc/self/exe", "lock_wait_bench", kFiltererFlag, fd.c_str(), dir.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(5);
        }
        ::close(ready[1]);
        long long micros = 0;
        if (::read(ready[0], &micros, sizeof micros) != sizeof micros)
            throw std::runtime_error("the filter process did not start");
        ::close(ready[0]);
        passMs = static_cast<double>(micros) / 1000.0;
    }
    ~Filterer() {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
};

void InsertAndMeasure(benchmark::State& state, chimdb::ChimTable& table, const Filterer* filterer) {
    std::vector<double> waits;
    int timeOuts = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(kInsertPause);
        const auto start = Clock::now();
        try {
            table.Append();
            table.FieldByName("DESCR").SetAsString("inserted");
            table.Post();
        } catch (const chimdb::DatabaseError&) {
            ++timeOuts;
        }
        const std::chrono::duration<double> took = Clock::now() - start;
        try {
            // Cancelling re-reads the current record, which may time out as well.
            if (table.State() != chimdb::DataSetState::dsBrowse)
                table.Cancel();
        } catch (const chimdb::DatabaseError&) {
        }
        state.SetIterationTime(took.count());
        waits.push_back(took.count() * 1000.0);
    }
    std::sort(waits.begin(), waits.end());
    auto at = [&](double share) {
        return waits[std::min(waits.size() - 1, static_cast<std::size_t>(share * waits.size()))];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p95_ms"] = at(0.95);
    state.counters["max_ms"] = waits.back();
    state.counters["time_outs"] = timeOuts;
    if (filterer != nullptr)
        state.counters["filter_pass_ms"] = filterer->passMs;
}

void BM_InsertAlone(benchmark::State& state) {
    PrepareFile();
    chimdb::ChimTable table;
    OpenRing(table);
    InsertAndMeasure(state, table, nullptr);
}

// The inserter's table is open before the filter starts: what is measured is the wait of a
// post, not of an open.
void BM_InsertWhileAnotherProgramFilters(benchmark::State& state) {
    PrepareFile();
    chimdb::ChimTable table;
    OpenRing(table);
    Filterer filterer;
    InsertAndMeasure(state, table, &filterer);
}

BENCHMARK(BM_InsertAlone)->Iterations(kInserts)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertWhileAnotherProgramFilters)
    ->Iterations(kInserts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == kFiltererFlag) {
        workDirOverride = argv[3];
        RunFilterer(std::stoi(argv[2]));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int status = 0;
    try {
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lock_wait_bench: %s\n", error.what());
        status = 1;
    }
    benchmark::Shutdown();
    chimdb::ChimSessionList::Instance().Shutdown();
    fs::remove_all(WorkDir());
    return status;
}
