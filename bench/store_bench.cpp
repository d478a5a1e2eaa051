// The table store against SQLite on the program's ring entry table: 100,000 appends, opening
// the table, reading every record in index order and 10,000 key searches; and through the
// table cursor on 10,000 records: opening, walking with First/Next reading every field, and
// 10,000 FindKey calls; and the program's day filter over 100,000 records through the cursor
// against the equivalent SELECT. Each step is measured for both stores in the same run on the
// same data, in rounds (bench_rounds.h). Opening is measured twice: the first opening of the
// table in this process, and an opening after an earlier one closed (the store retains closed
// tables); the first read of all records runs on a table opened with nothing retained. The
// ratios (ours / SQLite) are printed at the end and attached to the store's benchmarks as the
// counter "x_sqlite".
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench_rounds.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/code_page.h"
#include "chimdb/database_creator.h"
#include "chimdb/field_type.h"
#include "chimdb/memory_limits.h"
#include "table_io/chim_db_file_io.h"
#include "table_io/chim_table_io.h"
#include "table_io/table_record_buffer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 100000;
constexpr int kSearches = 10000;
constexpr const char* kPassword = "Quartzfen47";

// Field numbers of Ring1_7.
enum Field : std::size_t {
    kId = 0,
    kWeek1 = 1,
    kRingDesc = 9,
    kRingFile = 10,
    kRingTime = 11,
    kRingLength = 12,
    kRingVolume = 13,
    kRingProject = 14,
};
constexpr std::int32_t kIdIndex = 0;
constexpr std::int32_t kRingTimeIndex = 1;

struct Row {
    std::string weeks;     // eight "0"/"1" flags
    std::string descUtf8;  // RINGDESC
    std::string descGbk;   // the same in the database code page
    std::string file;      // RINGFILE (ASCII)
    std::string project;   // RINGPROJECT (ASCII)
    std::int32_t timeMs;   // RINGTIME, whole seconds
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = [] {
        std::mt19937 random(20261209);
        std::vector<Row> out;
        out.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            Row row;
            for (int d = 0; d < 8; ++d)
                row.weeks += (random() % 3 == 0) ? '0' : '1';
            row.descUtf8 = "第" + std::to_string(i % 40 + 1) + "节课铃声";
            row.descGbk = chimdb::ToCodePage(row.descUtf8);
            row.file = "bells\\ring" + std::to_string(i % 97) + ".wav";
            row.project = "Plan " + std::to_string(i % 5);
            row.timeMs = static_cast<std::int32_t>(random() % 86400) * 1000;
            out.push_back(std::move(row));
        }
        return out;
    }();
    return rows;
}

// Search targets, the same for both stores: existing IDs and existing ring times.
const std::vector<int>& SearchIds() {
    static const std::vector<int> ids = [] {
        std::mt19937 random(7);
        std::vector<int> out(kSearches);
        for (int& id : out)
            id = static_cast<int>(random() % kRecords) + 1;
        return out;
    }();
    return ids;
}

const fs::path& WorkDir() {
    static const fs::path dir = [] {
        fs::path path = fs::temp_directory_path() / ("store_bench_" + std::to_string(getpid()));
        fs::remove_all(path);
        fs::create_directories(path);
        return path;
    }();
    return dir;
}

using bench::Rounds;
using bench::Samples;
using bench::Seconds;

void Record(benchmark::State& state, const std::string& store, const std::string& step,
            double seconds) {
    state.SetIterationTime(seconds);
    Samples()[store + "/" + step].push_back(seconds);
    if (store == "chimdb") {
        const double peer = Seconds("sqlite/" + step);
        if (peer > 0)
            state.counters["x_sqlite"] = Seconds("chimdb/" + step) / peer;
    }
}

// The memory figure of the store's kept records, taken after the read of every record.
struct KeptFigure {
    std::size_t bytes = 0;
    std::size_t records = 0;
    std::size_t limit = 0;
};

KeptFigure& KeptMemory() {
    static KeptFigure figure;
    return figure;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---- SQLite ----

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

struct Statement {
    Statement(sqlite3* db, const char* sql) {
        Check(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), db, sql);
    }
    ~Statement() { sqlite3_finalize(stmt); }
    sqlite3_stmt* stmt = nullptr;
};

std::string SqlitePath() {
    return (WorkDir() / "ring.sqlite").string();
}

sqlite3* OpenSqlite() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(SqlitePath().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open SQLite file");
    return db;
}

void BM_SQLite_Append100k(benchmark::State& state) {
    for (auto _ : state) {
        fs::remove(SqlitePath());
        sqlite3* db = OpenSqlite();
        Check(
            sqlite3_exec(db,
                         "CREATE TABLE Ring1_7(ID INTEGER PRIMARY KEY AUTOINCREMENT, WEEK1 TEXT, "
                         "WEEK2 TEXT, WEEK3 TEXT, WEEK4 TEXT, WEEK5 TEXT, WEEK6 TEXT, WEEK7 TEXT, "
                         "WEEK8 TEXT, RINGDESC TEXT, RINGFILE TEXT, RINGTIME INTEGER, "
                         "RINGLENGTH INTEGER, RINGVOLUME INTEGER, RINGPROJECT TEXT);"
                         "CREATE INDEX RINGTIME ON Ring1_7(RINGTIME);",
                         nullptr, nullptr, nullptr),
            db, "schema");
        const auto start = Clock::now();
        Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
        {
            Statement insert(db,
                             "INSERT INTO Ring1_7(WEEK1, WEEK2, WEEK3, WEEK4, WEEK5, WEEK6, WEEK7, "
                             "WEEK8, RINGDESC, RINGFILE, RINGTIME, RINGLENGTH, RINGVOLUME, "
                             "RINGPROJECT) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
            for (const Row& row : Rows()) {
                for (int d = 0; d < 8; ++d)
                    sqlite3_bind_text(insert.stmt, d + 1, row.weeks.data() + d, 1, SQLITE_STATIC);
                sqlite3_bind_text(insert.stmt, 9, row.descUtf8.c_str(), -1, SQLITE_STATIC);
                sqlite3_bind_text(insert.stmt, 10, row.file.c_str(), -1, SQLITE_STATIC);
                sqlite3_bind_int(insert.stmt, 11, row.timeMs);
                sqlite3_bind_int(insert.stmt, 12, 0);
                sqlite3_bind_int(insert.stmt, 13, 0);
                sqlite3_bind_text(insert.stmt, 14, row.project.c_str(), -1, SQLITE_STATIC);
                Check(sqlite3_step(insert.stmt), db, "insert");
                sqlite3_reset(insert.stmt);
            }
        }
        Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
        Record(state, "sqlite", "append", Since(start));
        sqlite3_close(db);
    }
}

void BM_SQLite_Open(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        sqlite3* db = OpenSqlite();
        {
            // Opening is lazy; preparing a statement reads the schema.
            Statement first(db, "SELECT * FROM Ring1_7 ORDER BY RINGTIME LIMIT 1");
            Check(sqlite3_step(first.stmt), db, "first");
        }
        Record(state, "sqlite", "open", Since(start));
        sqlite3_close(db);
    }
}

// Twice: the first pass reads a table nobody read before in this connection, the second one
// what the store keeps (SQLite's page cache, the store's deciphered records).
void BM_SQLite_ReadAllInIndexOrder(benchmark::State& state) {
    for (auto _ : state) {
        sqlite3* db = OpenSqlite();
        for (const char* step : {"read all", "read all again"}) {
            const auto start = Clock::now();
            Statement select(db, "SELECT * FROM Ring1_7 ORDER BY RINGTIME");
            std::int64_t bytes = 0;
            int count = 0;
            while (sqlite3_step(select.stmt) == SQLITE_ROW) {
                for (int c = 0; c < 15; ++c)
                    bytes += sqlite3_column_bytes(select.stmt, c);
                ++count;
            }
            benchmark::DoNotOptimize(bytes);
            Record(state, "sqlite", step, Since(start));
            if (count != kRecords)
                state.SkipWithError("SQLite read a wrong number of rows");
        }
        sqlite3_close(db);
    }
}

// Runs a one-parameter query for each ID and counts the IDs that found a row.
int CountIdHits(sqlite3* db, const char* sql, const std::vector<int>& ids) {
    Statement find(db, sql);
    int found = 0;
    for (int id : ids) {
        sqlite3_bind_int(find.stmt, 1, id);
        found += sqlite3_step(find.stmt) == SQLITE_ROW;
        sqlite3_reset(find.stmt);
    }
    return found;
}

void BM_SQLite_Search10kById(benchmark::State& state) {
    sqlite3* db = OpenSqlite();
    for (auto _ : state) {
        const auto start = Clock::now();
        const int found = CountIdHits(db, "SELECT rowid FROM Ring1_7 WHERE ID = ?", SearchIds());
        Record(state, "sqlite", "search ID", Since(start));
        if (found != kSearches)
            state.SkipWithError("SQLite missed IDs");
    }
    sqlite3_close(db);
}

void BM_SQLite_Search10kByRingTime(benchmark::State& state) {
    sqlite3* db = OpenSqlite();
    for (auto _ : state) {
        const auto start = Clock::now();
        Statement find(db, "SELECT rowid FROM Ring1_7 WHERE RINGTIME = ? LIMIT 1");
        int found = 0;
        for (int id : SearchIds()) {
            sqlite3_bind_int(find.stmt, 1, Rows()[static_cast<std::size_t>(id - 1)].timeMs);
            found += sqlite3_step(find.stmt) == SQLITE_ROW;
            sqlite3_reset(find.stmt);
        }
        Record(state, "sqlite", "search RINGTIME", Since(start));
        if (found != kSearches)
            state.SkipWithError("SQLite missed ring times");
    }
    sqlite3_close(db);
}

// ---- the table store ----

std::string ChimPath() {
    return (WorkDir() / "db.dll").string();
}

void CreateChimFile(const std::string& path);

void CreateChimFile() {
    CreateChimFile(ChimPath());
}

void CreateChimFile(const std::string& path) {
    using chimdb::FieldType;
    auto type = [](FieldType t) { return static_cast<std::uint8_t>(t); };
    chimdb::TableSchema ring{"Ring1_7", {}, {}};
    ring.fields.push_back({"ID", type(FieldType::ftAutoInc), 0, 0});
    for (int d = 1; d <= 8; ++d)
        ring.fields.push_back({"WEEK" + std::to_string(d), type(FieldType::ftString), 1, 0});
    ring.fields.push_back({"RINGDESC", type(FieldType::ftString), 32, 0});
    ring.fields.push_back({"RINGFILE", type(FieldType::ftString), 200, 0});
    ring.fields.push_back({"RINGTIME", type(FieldType::ftTime), 0, 0});
    ring.fields.push_back({"RINGLENGTH", type(FieldType::ftSmallint), 0, 0});
    ring.fields.push_back({"RINGVOLUME", type(FieldType::ftSmallint), 0, 0});
    ring.fields.push_back({"RINGPROJECT", type(FieldType::ftString), 20, 0});
    ring.indexes.push_back({"ID", {"ID"}, chimdb::tiPrimary});
    ring.indexes.push_back({"RINGTIME", {"RINGTIME"}, 0});
    chimdb::DatabaseSchema schema;
    schema.password = kPassword;
    schema.cipher = "Blowfish";
    schema.mode = 0;
    schema.tables.push_back(ring);
    fs::remove(path);
    chimdb::DatabaseCreator(schema).CreateFile(path);
}

// The database file and its ring table, opened with the password.
struct ChimTable {
    explicit ChimTable(const std::string& path = ChimPath()) {
        io.OpenFile(path, chimdb::ChimDBMediumType::mtDisk, false);
        if (!io.CheckPassword(kPassword))
            throw std::runtime_error("password refused");
        table = std::make_unique<chimdb::ChimTableIO>(io, "Ring1_7");
        table->OpenTable();
    }
    ~ChimTable() {
        table->CloseTable();
        io.CloseFile();
    }
    chimdb::ChimDBFileIO io;
    std::unique_ptr<chimdb::ChimTableIO> table;
};

void FillRecord(chimdb::TableRecordBuffer& record, const Row& row) {
    record.Clear();
    for (std::size_t d = 0; d < 8; ++d)
        record.SetString(kWeek1 + d, std::string_view(row.weeks).substr(d, 1));
    record.SetString(kRingDesc, row.descGbk);
    record.SetString(kRingFile, row.file);
    record.SetInt32(kRingTime, row.timeMs);
    record.SetInt16(kRingLength, 0);
    record.SetInt16(kRingVolume, 0);
    record.SetString(kRingProject, row.project);
}

// The first count rows, in one write batch (as SQLite's inserts run in one transaction).
void AppendRows(ChimTable& chim, std::size_t count) {
    chimdb::TableRecordBuffer record(*chim.table, &chim.io);
    chim.io.BeginBatch();
    for (std::size_t i = 0; i < count; ++i) {
        FillRecord(record, Rows()[i]);
        chim.table->AppendRecord(record.Buffers(), false);
    }
    chim.io.EndBatch();
    chim.io.FlushFile();
}

// The 100,000 appends in one write batch, the peer of SQLite's transaction; and, for what a
// program pays without a batch, the same appends each in a hold of the lock of its own.
void BM_ChimDB_Append100k(benchmark::State& state) {
    for (auto _ : state) {
        for (const bool batch : {true, false}) {
            CreateChimFile();
            ChimTable chim;
            chimdb::TableRecordBuffer record(*chim.table, &chim.io);
            const auto start = Clock::now();
            if (batch)
                chim.io.BeginBatch();
            for (const Row& row : Rows()) {
                FillRecord(record, row);
                chim.table->AppendRecord(record.Buffers(), false);
            }
            if (batch)
                chim.io.EndBatch();
            chim.io.FlushFile();
            Record(state, "chimdb", batch ? "append" : "append, unbatched", Since(start));
            if (chim.table->List(0).size() != kRecords)
                state.SkipWithError("the store holds a wrong number of records");
        }
    }
}

// With nothing of the table retained from an earlier opening in this process.
struct NothingRetained {
    NothingRetained() : limit(chimdb::RetainedTableLimit()) { chimdb::SetRetainedTableLimit(0); }
    ~NothingRetained() { chimdb::SetRetainedTableLimit(limit); }
    std::size_t limit;
};

// Twice: the first opening of the table in this process, and an opening after it was closed
// (what a program that opens a table again and again, as the bell program's dialogs do, sees).
void BM_ChimDB_Open(benchmark::State& state) {
    for (auto _ : state) {
        {
            std::optional<NothingRetained> cold(std::in_place);
            const auto start = Clock::now();
            ChimTable chim;
            Record(state, "chimdb", "open, first", Since(start));
            cold.reset();  // closing retains the table again
        }
        const auto start = Clock::now();
        ChimTable chim;
        Record(state, "chimdb", "open", Since(start));
    }
}

void BM_ChimDB_ReadAllInIndexOrder(benchmark::State& state) {
    const std::size_t list = kRingTimeIndex + 1;
    for (auto _ : state) {
        std::optional<NothingRetained> cold(std::in_place);
        ChimTable chim;
        cold.reset();
        chimdb::TableRecordBuffer record(*chim.table, &chim.io);
        for (const char* step : {"read all", "read all again"}) {
            const auto start = Clock::now();
            const auto count = static_cast<std::int32_t>(chim.table->List(list).size());
            std::int64_t sum = 0;
            for (std::int32_t position = 0; position < count; ++position) {
                chim.table->ReadRecord(record.Buffers(), list, position);
                sum += record.GetInt32(kRingTime) + record.GetString(kRingFile).size();
            }
            benchmark::DoNotOptimize(sum);
            Record(state, "chimdb", step, Since(start));
            if (count != kRecords)
                state.SkipWithError("the store listed a wrong number of records");
        }
        // What the table keeps of its 100,000 records once every one has been read.
        KeptMemory() = {chim.table->KeptRecordBytes(), chim.table->KeptRecordCount(),
                        chim.table->KeptRecordLimit()};
    }
    state.counters["kept_MiB"] = static_cast<double>(KeptMemory().bytes) / (1 << 20);
}

template <typename SetKey>
int SearchAll(ChimTable& chim, std::int32_t index, SetKey setKey) {
    chimdb::TableRecordBuffer key(*chim.table, &chim.io);
    int found = 0;
    for (int id : SearchIds()) {
        setKey(key, id);
        std::int32_t result = 0;
        chim.table->SearchKey(key.Buffers(), static_cast<std::size_t>(index) + 1, false, 0, result,
                              index);
        found += result == 0;
    }
    return found;
}

void BM_ChimDB_Search10kById(benchmark::State& state) {
    ChimTable chim;
    for (auto _ : state) {
        const auto start = Clock::now();
        const int found = SearchAll(
            chim, kIdIndex, [](chimdb::TableRecordBuffer& key, int id) { key.SetInt32(kId, id); });
        Record(state, "chimdb", "search ID", Since(start));
        if (found != kSearches)
            state.SkipWithError("the store missed IDs");
    }
}

void BM_ChimDB_Search10kByRingTime(benchmark::State& state) {
    ChimTable chim;
    for (auto _ : state) {
        const auto start = Clock::now();
        const int found =
            SearchAll(chim, kRingTimeIndex, [](chimdb::TableRecordBuffer& key, int id) {
                key.SetInt32(kRingTime, Rows()[static_cast<std::size_t>(id - 1)].timeMs);
            });
        Record(state, "chimdb", "search RINGTIME", Since(start));
        if (found != kSearches)
            state.SkipWithError("the store missed ring times");
    }
}

// ---- the table cursor on 10,000 records, against SQLite on the same rows ----

constexpr int kCursorRecords = 10000;

std::string CursorChimPath() {
    return (WorkDir() / "cursor.dll").string();
}

std::string CursorSqlitePath() {
    return (WorkDir() / "cursor.sqlite").string();
}

const std::vector<int>& CursorSearchIds() {
    static const std::vector<int> ids = [] {
        std::mt19937 random(11);
        std::vector<int> out(kSearches);
        for (int& id : out)
            id = static_cast<int>(random() % kCursorRecords) + 1;
        return out;
    }();
    return ids;
}

// Both stores on the first count rows, each in a file of its own.
void WriteRingFiles(const std::string& chimPath, const std::string& sqlitePath, int count) {
    CreateChimFile(chimPath);
    {
        ChimTable chim(chimPath);
        AppendRows(chim, static_cast<std::size_t>(count));
    }
    fs::remove(sqlitePath);
    sqlite3* db = nullptr;
    sqlite3_open_v2(sqlitePath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Check(sqlite3_exec(db,
                       "CREATE TABLE Ring1_7(ID INTEGER PRIMARY KEY AUTOINCREMENT, WEEK1 TEXT, "
                       "WEEK2 TEXT, WEEK3 TEXT, WEEK4 TEXT, WEEK5 TEXT, WEEK6 TEXT, WEEK7 TEXT, "
                       "WEEK8 TEXT, RINGDESC TEXT, RINGFILE TEXT, RINGTIME INTEGER, "
                       "RINGLENGTH INTEGER, RINGVOLUME INTEGER, RINGPROJECT TEXT);"
                       "CREATE INDEX RINGTIME ON Ring1_7(RINGTIME); BEGIN;",
                       nullptr, nullptr, nullptr),
          db, "schema");
    {
        Statement insert(db,
                         "INSERT INTO Ring1_7(WEEK1, WEEK2, WEEK3, WEEK4, WEEK5, WEEK6, WEEK7, "
                         "WEEK8, RINGDESC, RINGFILE, RINGTIME, RINGLENGTH, RINGVOLUME, "
                         "RINGPROJECT) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (int i = 0; i < count; ++i) {
            const Row& row = Rows()[static_cast<std::size_t>(i)];
            for (int d = 0; d < 8; ++d)
                sqlite3_bind_text(insert.stmt, d + 1, row.weeks.data() + d, 1, SQLITE_STATIC);
            sqlite3_bind_text(insert.stmt, 9, row.descUtf8.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert.stmt, 10, row.file.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int(insert.stmt, 11, row.timeMs);
            sqlite3_bind_int(insert.stmt, 12, 0);
            sqlite3_bind_int(insert.stmt, 13, 0);
            sqlite3_bind_text(insert.stmt, 14, row.project.c_str(), -1, SQLITE_STATIC);
            Check(sqlite3_step(insert.stmt), db, "insert");
            sqlite3_reset(insert.stmt);
        }
    }
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

void PrepareCursorFiles() {
    static bool done = false;
    if (done)
        return;
    WriteRingFiles(CursorChimPath(), CursorSqlitePath(), kCursorRecords);
    done = true;
}

sqlite3* OpenCursorSqlite() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(CursorSqlitePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("cannot open SQLite file");
    return db;
}

// The program's open steps.
void OpenCursor(chimdb::ChimTable& table) {
    table.SetDatabaseName(CursorChimPath());
    table.SetTableName("Ring1_7");
    table.SetIndexName("ID");
    table.SetPassword(kPassword);
    table.Open();
}

void BM_SQLite_CursorOpen10k(benchmark::State& state) {
    PrepareCursorFiles();
    for (auto _ : state) {
        const auto start = Clock::now();
        sqlite3* db = OpenCursorSqlite();
        {
            Statement first(db, "SELECT * FROM Ring1_7 ORDER BY ID LIMIT 1");
            Check(sqlite3_step(first.stmt), db, "first");
        }
        Record(state, "sqlite", "cursor open", Since(start));
        sqlite3_close(db);
    }
}

void BM_SQLite_CursorWalk10k(benchmark::State& state) {
    PrepareCursorFiles();
    sqlite3* db = OpenCursorSqlite();
    for (auto _ : state) {
        const auto start = Clock::now();
        Statement select(db, "SELECT * FROM Ring1_7 ORDER BY ID");
        std::int64_t sum = 0;
        int count = 0;
        while (sqlite3_step(select.stmt) == SQLITE_ROW) {
            sum += sqlite3_column_int(select.stmt, 0);
            for (int c = 1; c <= 10; ++c)
                sum +=
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, c)))
                        .size();
            for (int c = 11; c <= 13; ++c)
                sum += sqlite3_column_int(select.stmt, c);
            sum += std::string(reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, 14)))
                       .size();
            ++count;
        }
        benchmark::DoNotOptimize(sum);
        Record(state, "sqlite", "cursor walk", Since(start));
        if (count != kCursorRecords)
            state.SkipWithError("SQLite read a wrong number of rows");
    }
    sqlite3_close(db);
}

void BM_SQLite_CursorFind10k(benchmark::State& state) {
    PrepareCursorFiles();
    sqlite3* db = OpenCursorSqlite();
    for (auto _ : state) {
        const auto start = Clock::now();
        const int found = CountIdHits(db, "SELECT * FROM Ring1_7 WHERE ID = ?", CursorSearchIds());
        Record(state, "sqlite", "cursor FindKey", Since(start));
        if (found != kSearches)
            state.SkipWithError("SQLite missed IDs");
    }
    sqlite3_close(db);
}

void BM_ChimDB_CursorOpen10k(benchmark::State& state) {
    PrepareCursorFiles();
    for (auto _ : state) {
        for (const char* step : {"cursor open, first", "cursor open"}) {
            std::optional<NothingRetained> cold;
            if (step == std::string_view("cursor open, first"))
                cold.emplace();
            const auto start = Clock::now();
            chimdb::ChimTable table;
            OpenCursor(table);
            Record(state, "chimdb", step, Since(start));
            if (table.RecordCount() != kCursorRecords)
                state.SkipWithError("the cursor lists a wrong number of records");
            cold.reset();
            table.Close();
        }
    }
}

void BM_ChimDB_CursorWalk10k(benchmark::State& state) {
    PrepareCursorFiles();
    chimdb::ChimTable table;
    OpenCursor(table);
    std::vector<chimdb::Field*> strings;
    std::vector<chimdb::Field*> numbers;
    for (std::size_t i = 0; i < table.FieldCount(); ++i) {
        chimdb::Field& field = table.Fields(i);
        (chimdb::IsStringType(field.DataType()) ? strings : numbers).push_back(&field);
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        std::int64_t sum = 0;
        int count = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            for (chimdb::Field* field : strings)
                sum += field->AsString().size();
            for (chimdb::Field* field : numbers)
                sum += static_cast<std::int64_t>(field->AsFloat());
            ++count;
        }
        benchmark::DoNotOptimize(sum);
        Record(state, "chimdb", "cursor walk", Since(start));
        if (count != kCursorRecords)
            state.SkipWithError("the cursor walked a wrong number of records");
    }
}

void BM_ChimDB_CursorFind10k(benchmark::State& state) {
    PrepareCursorFiles();
    chimdb::ChimTable table;
    OpenCursor(table);
    for (auto _ : state) {
        const auto start = Clock::now();
        int found = 0;
        for (int id : CursorSearchIds())
            found += table.FindKey({id});
        Record(state, "chimdb", "cursor FindKey", Since(start));
        if (found != kSearches)
            state.SkipWithError("the cursor missed IDs");
    }
}

// ---- a filter over 100,000 records, against SQLite's SELECT on the same rows ----

// The program's day filter (no blank before AND) on one of the five plans of the rows.
constexpr const char* kDayFilter = "RINGPROJECT='Plan 3'AND WEEK3='1'";
constexpr const char* kDaySelect =
    "SELECT ID FROM Ring1_7 WHERE RINGPROJECT = 'Plan 3' AND WEEK3 = '1' ORDER BY ID";

std::string FilterChimPath() {
    return (WorkDir() / "filter.dll").string();
}

std::string FilterSqlitePath() {
    return (WorkDir() / "filter.sqlite").string();
}

// The records the filter must accept, counted from the rows themselves.
int ExpectedDayRows() {
    int count = 0;
    for (const Row& row : Rows())
        count += row.project == "Plan 3" && row.weeks[2] == '1';
    return count;
}

void PrepareFilterFiles() {
    static bool done = false;
    if (done)
        return;
    WriteRingFiles(FilterChimPath(), FilterSqlitePath(), kRecords);
    done = true;
}

void BM_SQLite_Filter100k(benchmark::State& state) {
    PrepareFilterFiles();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(FilterSqlitePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error("cannot open SQLite file");
    for (auto _ : state) {
        const auto start = Clock::now();
        Statement select(db, kDaySelect);
        std::int64_t sum = 0;
        int count = 0;
        while (sqlite3_step(select.stmt) == SQLITE_ROW) {
            sum += sqlite3_column_int(select.stmt, 0);
            ++count;
        }
        benchmark::DoNotOptimize(sum);
        Record(state, "sqlite", "filter", Since(start));
        if (count != ExpectedDayRows())
            state.SkipWithError("SQLite selected a wrong number of rows");
    }
    sqlite3_close(db);
}

// Through the cursor as the program does it: filter text, Filtered on (the text is parsed
// once and every record is read into the filter buffer and tested), then the walk over the
// accepted records.
void BM_ChimDB_Filter100k(benchmark::State& state) {
    PrepareFilterFiles();
    chimdb::ChimTable table;
    table.SetDatabaseName(FilterChimPath());
    table.SetTableName("Ring1_7");
    table.SetIndexName("ID");
    table.SetPassword(kPassword);
    table.Open();
    chimdb::Field& id = table.FieldByName("ID");
    for (auto _ : state) {
        const auto start = Clock::now();
        table.SetFilter(kDayFilter);
        table.SetFiltered(true);
        std::int64_t sum = 0;
        int count = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            sum += id.AsInteger();
            ++count;
        }
        benchmark::DoNotOptimize(sum);
        Record(state, "chimdb", "filter", Since(start));
        if (count != ExpectedDayRows())
            state.SkipWithError("the filter accepted a wrong number of records");
        table.SetFiltered(false);
    }
    state.counters["accepted"] = ExpectedDayRows();
    table.Close();
}

// Each step is timed by hand (setup excluded): the appends once, every other step in rounds.
#define CHIMORA_ONCE(step) \
    BENCHMARK(step)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond)
#define CHIMORA_ROUNDS(step) \
    BENCHMARK(step)->Iterations(Rounds())->UseManualTime()->Unit(benchmark::kMillisecond)

// SQLite first, so that each step of the store can name its ratio at once.
CHIMORA_ONCE(BM_SQLite_Append100k);
CHIMORA_ROUNDS(BM_SQLite_Open);
CHIMORA_ROUNDS(BM_SQLite_ReadAllInIndexOrder);
CHIMORA_ROUNDS(BM_SQLite_Search10kById);
CHIMORA_ROUNDS(BM_SQLite_Search10kByRingTime);
CHIMORA_ROUNDS(BM_SQLite_CursorOpen10k);
CHIMORA_ROUNDS(BM_SQLite_CursorWalk10k);
CHIMORA_ROUNDS(BM_SQLite_CursorFind10k);
CHIMORA_ONCE(BM_ChimDB_Append100k);
CHIMORA_ROUNDS(BM_ChimDB_Open);
CHIMORA_ROUNDS(BM_ChimDB_ReadAllInIndexOrder);
CHIMORA_ROUNDS(BM_ChimDB_Search10kById);
CHIMORA_ROUNDS(BM_ChimDB_Search10kByRingTime);
CHIMORA_ROUNDS(BM_ChimDB_CursorOpen10k);
CHIMORA_ROUNDS(BM_ChimDB_CursorWalk10k);
CHIMORA_ROUNDS(BM_ChimDB_CursorFind10k);
CHIMORA_ROUNDS(BM_SQLite_Filter100k);
CHIMORA_ROUNDS(BM_ChimDB_Filter100k);

void PrintRatios() {
    std::printf("\n%-18s %12s %12s %10s\n", "step", "chimdb ms", "SQLite ms", "ratio");
    // Each step of the store with the SQLite step it is measured against.
    const std::pair<const char*, const char*> steps[] = {{"append", "append"},
                                                         {"append, unbatched", "append"},
                                                         {"open, first", "open"},
                                                         {"open", "open"},
                                                         {"read all", "read all"},
                                                         {"read all again", "read all again"},
                                                         {"search ID", "search ID"},
                                                         {"search RINGTIME", "search RINGTIME"},
                                                         {"cursor open, first", "cursor open"},
                                                         {"cursor open", "cursor open"},
                                                         {"cursor walk", "cursor walk"},
                                                         {"cursor FindKey", "cursor FindKey"},
                                                         {"filter", "filter"}};
    for (auto [step, peerStep] : steps) {
        const double ours = Seconds(std::string("chimdb/") + step);
        const double peer = Seconds(std::string("sqlite/") + peerStep);
        if (ours == 0 || peer == 0)
            continue;
        std::printf("%-18s %12.2f %12.2f %9.2fx\n", step, ours * 1e3, peer * 1e3, ours / peer);
    }
    std::printf(
        "(median of %d rounds, appends once; ratio = chimdb time / SQLite time; above 1 "
        "the store is slower)\n",
        Rounds());
    const KeptFigure& kept = KeptMemory();
    if (kept.records > 0)
        std::printf(
            "kept after reading all %d records: %.1f MiB for %zu records (limit %.0f MiB)\n",
            kRecords, static_cast<double>(kept.bytes) / (1 << 20), kept.records,
            static_cast<double>(kept.limit) / (1 << 20));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
    chimdb::ChimSessionList::Instance().Shutdown();
    fs::remove_all(WorkDir());
    return 0;
}
