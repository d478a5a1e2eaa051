// Locate on a table of 100,000 records, through an index and by a walk of the cursor list,
// against SQLite's SELECT ... LIMIT 1 with and without an index on the same data in the same
// run. The chimdb table is enciphered (Blowfish) as the program's is. Each step locates a
// fixed set of keys spread over the table, in rounds; the median time per locate is printed
// at the end.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_rounds.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/database_creator.h"
#include "chimdb/field_type.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 100000;
constexpr int kIndexedLocates = 2000;
constexpr int kWalkLocates = 20;
constexpr const char* kPassword = "Quartzfen47";

fs::path WorkDir() {
    static const fs::path dir =
        fs::temp_directory_path() / ("chimora_locate_bench_" + std::to_string(::getpid()));
    return dir;
}

std::string ChimPath() {
    return (WorkDir() / "db.dll").string();
}

std::string SqlitePath() {
    return (WorkDir() / "ring.sqlite").string();
}

// CODE is indexed, PLAIN holds the same numbers without an index; DESCR is a text with an
// index of its own (case-sensitive), so a case-insensitive search on it has to walk.
std::string Description(int code) {
    return "entry " + std::to_string(code);
}

int CodeOf(int record) {
    // A permutation of 0..kRecords-1, so that index order differs from append order.
    return static_cast<int>((static_cast<long long>(record) * 7919) % kRecords);
}

// Keys spread evenly over the append order (a walk reads half the table on average).
std::vector<int> Targets(int count) {
    std::mt19937 random(20261209);
    std::vector<int> codes;
    for (int i = 0; i < count; ++i)
        codes.push_back(CodeOf(static_cast<int>(random() % kRecords)));
    return codes;
}

void CreateChimFile() {
    using chimdb::FieldType;
    auto type = [](FieldType t) { return static_cast<std::uint8_t>(t); };
    chimdb::TableSchema ring{"Ring", {}, {}};
    ring.fields = {{"ID", type(FieldType::ftAutoInc), 0, 0},
                   {"CODE", type(FieldType::ftInteger), 0, 0},
                   {"PLAIN", type(FieldType::ftInteger), 0, 0},
                   {"DESCR", type(FieldType::ftString), 32, 0}};
    ring.indexes = {
        {"ID", {"ID"}, chimdb::tiPrimary}, {"CODE", {"CODE"}, 0}, {"DESCR", {"DESCR"}, 0}};
    chimdb::DatabaseSchema schema;
    schema.password = kPassword;
    schema.cipher = "Blowfish";
    schema.tables.push_back(ring);
    chimdb::DatabaseCreator(schema).CreateFile(ChimPath());
}

void OpenChim(chimdb::ChimTable& table) {
    table.SetDatabaseName(ChimPath());
    table.SetTableName("Ring");
    table.SetIndexName("ID");
    table.SetPassword(kPassword);
    table.Open();
}

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void PrepareFiles() {
    static bool done = false;
    if (done)
        return;
    fs::create_directories(WorkDir());
    CreateChimFile();
    {
        chimdb::ChimTable table;
        OpenChim(table);
        for (int i = 0; i < kRecords; ++i) {
            table.Append();
            table.FieldByName("CODE").SetAsInteger(CodeOf(i));
            table.FieldByName("PLAIN").SetAsInteger(CodeOf(i));
            table.FieldByName("DESCR").SetAsString(Description(CodeOf(i)));
            table.Post();
        }
    }
    sqlite3* db = nullptr;
    sqlite3_open(SqlitePath().c_str(), &db);
    Check(sqlite3_exec(db,
                       "CREATE TABLE Ring(ID INTEGER PRIMARY KEY, CODE INTEGER, PLAIN INTEGER, "
                       "DESCR TEXT);"
                       "CREATE INDEX RingCode ON Ring(CODE);"
                       "CREATE INDEX RingDescr ON Ring(DESCR);"
                       "BEGIN",
                       nullptr, nullptr, nullptr),
          db, "schema");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Ring(CODE, PLAIN, DESCR) VALUES(?, ?, ?)", -1, &insert,
                       nullptr);
    for (int i = 0; i < kRecords; ++i) {
        const std::string descr = Description(CodeOf(i));
        sqlite3_bind_int(insert, 1, CodeOf(i));
        sqlite3_bind_int(insert, 2, CodeOf(i));
        sqlite3_bind_text(insert, 3, descr.c_str(), -1, SQLITE_TRANSIENT);
        Check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    done = true;
}

void Record(benchmark::State& state, const std::string& name, double seconds, int locates) {
    state.SetIterationTime(seconds);
    bench::Samples()[name].push_back(seconds / locates);
    state.counters["us_per_locate"] = bench::Seconds(name) * 1e6;
}

// Locates every target through the cursor; every one must be found, on the right record.
void LocateWithChim(benchmark::State& state, const std::string& name, const char* field, bool text,
                    chimdb::LocateOptions options, int count) {
    PrepareFiles();
    const std::vector<int> targets = Targets(count);
    chimdb::ChimTable table;
    OpenChim(table);
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int code : targets) {
            const chimdb::FieldValue value =
                text ? chimdb::FieldValue(Description(code)) : chimdb::FieldValue(code);
            if (!table.Locate(field, value, options) ||
                table.FieldByName("CODE").AsInteger() != code)
                throw std::runtime_error("record not located");
        }
        Record(state, name, std::chrono::duration<double>(Clock::now() - start).count(), count);
    }
}

void SelectWithSqlite(benchmark::State& state, const std::string& name, const char* where,
                      bool text, int count) {
    PrepareFiles();
    const std::vector<int> targets = Targets(count);
    sqlite3* db = nullptr;
    sqlite3_open_v2(SqlitePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    const std::string sql = std::string("SELECT * FROM Ring WHERE ") + where + " LIMIT 1";
    Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &select, nullptr), db, "prepare");
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int code : targets) {
            const std::string descr = Description(code);
            if (text)
                sqlite3_bind_text(select, 1, descr.c_str(), -1, SQLITE_STATIC);
            else
                sqlite3_bind_int(select, 1, code);
            if (sqlite3_step(select) != SQLITE_ROW || sqlite3_column_int(select, 1) != code)
                throw std::runtime_error("row not selected");
            sqlite3_reset(select);
        }
        Record(state, name, std::chrono::duration<double>(Clock::now() - start).count(), count);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
}

void BM_ChimDB_LocateIndexedInteger(benchmark::State& state) {
    LocateWithChim(state, "chimdb/integer index", "CODE", false, {}, kIndexedLocates);
}
void BM_SQLite_SelectIndexedInteger(benchmark::State& state) {
    SelectWithSqlite(state, "sqlite/integer index", "CODE = ?", false, kIndexedLocates);
}
void BM_ChimDB_LocateWalkInteger(benchmark::State& state) {
    LocateWithChim(state, "chimdb/integer walk", "PLAIN", false, {}, kWalkLocates);
}
void BM_SQLite_SelectScanInteger(benchmark::State& state) {
    SelectWithSqlite(state, "sqlite/integer walk", "PLAIN = ?", false, kWalkLocates);
}
void BM_ChimDB_LocateIndexedText(benchmark::State& state) {
    LocateWithChim(state, "chimdb/text index", "DESCR", true, {}, kIndexedLocates);
}
void BM_SQLite_SelectIndexedText(benchmark::State& state) {
    SelectWithSqlite(state, "sqlite/text index", "DESCR = ?", true, kIndexedLocates);
}
// No case-insensitive index on DESCR: the cursor walks, SQLite scans.
void BM_ChimDB_LocateWalkTextIgnoringCase(benchmark::State& state) {
    LocateWithChim(state, "chimdb/text walk", "DESCR", true, {true, false}, kWalkLocates);
}
void BM_SQLite_SelectScanTextIgnoringCase(benchmark::State& state) {
    SelectWithSqlite(state, "sqlite/text walk", "DESCR = ? COLLATE NOCASE", true, kWalkLocates);
}

#define LOCATE_BENCH(name) \
    BENCHMARK(name)->Iterations(bench::Rounds())->UseManualTime()->Unit(benchmark::kMillisecond)
LOCATE_BENCH(BM_ChimDB_LocateIndexedInteger);
LOCATE_BENCH(BM_SQLite_SelectIndexedInteger);
LOCATE_BENCH(BM_ChimDB_LocateWalkInteger);
LOCATE_BENCH(BM_SQLite_SelectScanInteger);
LOCATE_BENCH(BM_ChimDB_LocateIndexedText);
LOCATE_BENCH(BM_SQLite_SelectIndexedText);
LOCATE_BENCH(BM_ChimDB_LocateWalkTextIgnoringCase);
LOCATE_BENCH(BM_SQLite_SelectScanTextIgnoringCase);

void PrintTable() {
    std::printf("\n%-16s %16s %16s %10s\n", "locate", "chimdb us/op", "SQLite us/op", "ratio");
    for (const char* step : {"integer index", "integer walk", "text index", "text walk"}) {
        const double ours = bench::Seconds(std::string("chimdb/") + step);
        const double peer = bench::Seconds(std::string("sqlite/") + step);
        if (ours == 0 || peer == 0)
            continue;
        std::printf("%-16s %16.2f %16.2f %9.2fx\n", step, ours * 1e6, peer * 1e6, ours / peer);
    }
    std::printf("(%d records; median of %d rounds; ratio = chimdb time / SQLite time)\n", kRecords,
                bench::Rounds());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int status = 0;
    try {
        benchmark::RunSpecifiedBenchmarks();
        PrintTable();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "locate_bench: %s\n", error.what());
        status = 1;
    }
    benchmark::Shutdown();
    chimdb::ChimSessionList::Instance().Shutdown();
    fs::remove_all(WorkDir());
    return status;
}
