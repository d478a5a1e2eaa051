// A table added to an existing database file: usable at once, never twice, and safe
// against a stop after any of its writes.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "chimdb/fault_injecting_file.h"
#include "chimdb/table_addition.h"
#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

// The calendar of the bell program, as a table that files made before it lack.
TableSchema CalendarSchema(const char* name = "Calendar") {
    return TableSchema{
        name,
        {RingField("ID", FieldType::ftAutoInc), RingField("DAYFROM", FieldType::ftDate),
         RingField("DAYTO", FieldType::ftDate), RingField("KIND", FieldType::ftString, 1),
         RingField("NOTE", FieldType::ftString, 32)},
        {IndexSchema{"ID", {"ID"}, tiPrimary | tiUnique}, IndexSchema{"DAYFROM", {"DAYFROM"}, 0}}};
}

// An enciphered file with ring entries, made before the calendar existed.
std::vector<std::uint8_t> OldImage() {
    MemoryFile file(RingImage(RingSchema(std::string("Blowfish"), 1, true)), "old.db");
    OpenRingTable db(file);
    for (int i = 0; i < 5; ++i)
        db.Append({0, "0" + std::to_string(i) + ":00:00", "entry " + std::to_string(i),
                   std::string(40, 'b')});
    return file.Image();
}

std::vector<std::string> TableNames(File& file) {
    ScopedMemoryStream registration(file);
    ChimDBFileIO io;
    io.OpenFile(registration.DatabaseName(), ChimDBMediumType::mtMemory, false);
    return io.GetTableNames();
}

// Appends one rule to the calendar and reads every rule's (ID, DAYFROM, NOTE) back.
std::vector<std::tuple<std::int32_t, std::int32_t, std::string>> AppendAndReadCalendar(
    File& file, std::int32_t day, const std::string& note) {
    ScopedMemoryStream registration(file);
    ChimDBFileIO io;
    io.OpenFile(registration.DatabaseName(), ChimDBMediumType::mtMemory, false);
    EXPECT_TRUE(io.CheckPassword("Quartzfen47"));
    ChimTableIO table(io, "Calendar");
    table.OpenTable();
    {
        TableRecordBuffer buffer(table, &io);
        buffer.SetInt32(1, day);
        buffer.SetInt32(2, day + 6);
        buffer.SetString(3, "0");
        buffer.SetString(4, note);
        table.AppendRecord(buffer.Buffers(), false);
    }
    std::vector<std::tuple<std::int32_t, std::int32_t, std::string>> rules;
    for (std::size_t p = 0; p < table.List(2).size(); ++p) {
        TableRecordBuffer buffer(table, &io);
        table.ReadRecord(buffer.Buffers(), 2, static_cast<std::int32_t>(p));
        rules.emplace_back(buffer.GetInt32(0), buffer.GetInt32(1),
                           std::string(buffer.GetString(4)));
    }
    table.CloseTable();
    return rules;
}

std::vector<Ring> RingsOf(File& file) {
    OpenRingTable db(file);
    return db.ReadAll(kTimeIndex + 1);
}

TEST(TableAdditionTest, AddedTableTakesRecordsAndLeavesTheOldTablesAlone) {
    MemoryFile file(OldImage(), "old.db");
    const std::vector<Ring> before = RingsOf(file);
    ASSERT_TRUE(TableAddition::AddTable(file, CalendarSchema()));
    EXPECT_EQ(TableNames(file), (std::vector<std::string>{"Ring1_7", "Calendar"}));
    EXPECT_EQ(RingsOf(file), before);

    auto rules = AppendAndReadCalendar(file, 739000, "National Day");
    AppendAndReadCalendar(file, 738000, "earlier");
    rules = AppendAndReadCalendar(file, 738500, "between");
    ASSERT_EQ(rules.size(), 3u);
    // In DAYFROM order, IDs handed out from 1.
    EXPECT_EQ(rules[0], std::make_tuple(2, 738000, std::string("earlier")));
    EXPECT_EQ(rules[1], std::make_tuple(3, 738500, std::string("between")));
    EXPECT_EQ(rules[2], std::make_tuple(1, 739000, std::string("National Day")));

    // The old table still takes records after the new one has grown.
    {
        OpenRingTable db(file);
        db.Append({0, "23:00:00", "late", "x"});
    }
    EXPECT_EQ(RingsOf(file).size(), before.size() + 1);
}

TEST(TableAdditionTest, ATablePresentInAnyCaseIsNotAddedAgain) {
    MemoryFile file(OldImage(), "old.db");
    ASSERT_TRUE(TableAddition::AddTable(file, CalendarSchema()));
    const std::vector<std::uint8_t> once = file.Image();
    EXPECT_FALSE(TableAddition::AddTable(file, CalendarSchema()));
    EXPECT_FALSE(TableAddition::AddTable(file, CalendarSchema("CALENDAR")));
    EXPECT_FALSE(TableAddition::AddTable(file, CalendarSchema("ring1_7")));
    EXPECT_EQ(file.Image(), once);
}

TEST(TableAdditionTest, RefusedTablesAndFullDirectoriesWriteNothing) {
    MemoryFile file(OldImage(), "old.db");
    const std::vector<std::uint8_t> before = file.Image();
    TableSchema noFields{"Empty", {}, {}};
    EXPECT_THROW(TableAddition::AddTable(file, noFields), DatabaseError);
    TableSchema badIndex = CalendarSchema();
    badIndex.indexes.push_back(IndexSchema{"X", {"MISSING"}, 0});
    EXPECT_THROW(TableAddition::AddTable(file, badIndex), DatabaseError);
    EXPECT_EQ(file.Image(), before);

    DatabaseSchema full = RingSchema();
    for (int i = 1; i < format::kMaxTables; ++i)
        full.tables.push_back(
            TableSchema{"T" + std::to_string(i), {RingField("A", FieldType::ftInteger)}, {}});
    MemoryFile fullFile(DatabaseCreator(full).BuildImage(), "full.db");
    const std::vector<std::uint8_t> fullBefore = fullFile.Image();
    try {
        TableAddition::AddTable(fullFile, CalendarSchema());
        ADD_FAILURE() << "a 257th table was added";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Database file 'full.db' holds 256 tables already");
    }
    EXPECT_EQ(fullFile.Image(), fullBefore);
}

// A stop after write k (and a torn write k+1) leaves a file that opens with the ring table
// unchanged; the calendar is either absent or whole, and adding it again completes the job.
TEST(TableAdditionTest, AStopAfterAnyWriteLeavesAnOpenableFile) {
    const std::vector<std::uint8_t> base = OldImage();
    std::vector<Ring> before;
    {
        MemoryFile copy(base, "old.db");
        before = RingsOf(copy);
    }
    std::int64_t writes = 0;
    for (std::size_t torn : {std::size_t{0}, std::size_t{2}}) {
        for (std::int64_t k = 0;; ++k) {
            SCOPED_TRACE("stopped after write " + std::to_string(k) + ", torn " +
                         std::to_string(torn));
            MemoryFile inner(base, "old.db");
            FaultInjectingFile file(inner);
            file.StopAfterWrites(k, torn);
            TableAddition::AddTable(file, CalendarSchema());
            const bool complete = file.LostWrites() == 0;

            EXPECT_EQ(RingsOf(inner), before);
            const std::vector<std::string> names = TableNames(inner);
            if (complete) {
                EXPECT_EQ(names, (std::vector<std::string>{"Ring1_7", "Calendar"}));
                writes = file.WriteCount();
                break;
            }
            // A torn count still reads as the new count once the header and its slot are
            // on disk; otherwise the table is not there yet.
            const bool present = names.size() == 2;
            if (!present) {
                EXPECT_EQ(names, std::vector<std::string>{"Ring1_7"});
            }
            // The program tries again at its next start.
            EXPECT_EQ(TableAddition::AddTable(inner, CalendarSchema()), !present);
            EXPECT_EQ(TableNames(inner), (std::vector<std::string>{"Ring1_7", "Calendar"}));
            EXPECT_EQ(AppendAndReadCalendar(inner, 739000, "after").size(), 1u);
            EXPECT_EQ(RingsOf(inner), before);
            ASSERT_LT(k, 10);
        }
    }
    // Header, directory slot, count: each its own write.
    EXPECT_EQ(writes, 3);
}

TEST(TableAdditionTest, DiskFilesAreLockedAndReadOnlyOnesRefused) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("table_addition_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "db.dll").string();
    {
        const std::vector<std::uint8_t> image = OldImage();
        DiskFile file = DiskFile::CreateNew(path);
        file.WriteAt(0, image);
    }
    EXPECT_TRUE(TableAddition::AddTableToFile(path, CalendarSchema()));
    EXPECT_FALSE(TableAddition::AddTableToFile(path, CalendarSchema()));
    {
        DiskFile file(path, DiskFile::Access::ReadOnly);
        EXPECT_EQ(TableNames(file), (std::vector<std::string>{"Ring1_7", "Calendar"}));
    }

    // Someone holds the store's lock: the addition waits as told, then gives up.
    {
        DiskFile holder(path, DiskFile::Access::ReadWrite);
        ASSERT_TRUE(holder.TryLockRegion(1, 1));
        LockSettings impatient;
        impatient.SetLockRetryCount(2);
        impatient.SetLockWaitTime(1);
        try {
            TableAddition::AddTableToFile(path, CalendarSchema("Other"), impatient);
            ADD_FAILURE() << "added under somebody else's lock";
        } catch (const DatabaseError& error) {
            EXPECT_STREQ(error.what(), "Wait for unlock time out");
        }
    }

    if (::geteuid() != 0) {
        ::chmod(path.c_str(), 0444);
        try {
            TableAddition::AddTableToFile(path, CalendarSchema("Other"));
            ADD_FAILURE() << "a read-only file was changed";
        } catch (const DatabaseError& error) {
            EXPECT_STREQ(error.what(), ("Database file '" + path + "' is read-only").c_str());
        }
    }
    EXPECT_THROW(TableAddition::AddTableToFile((dir / "missing.dll").string(), CalendarSchema()),
                 DatabaseError);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace chimdb::testing
