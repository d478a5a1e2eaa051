// A write batch holds its writes in memory and writes them out together: what its reads see,
// and the file it leaves, are what the same writes one by one give; a stop at any write of the
// write-out (a torn one too) leaves a file that opens whole, every change of the batch either
// in it or not; and another program that waits meanwhile gets in.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "chimdb/chim_database.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/fault_injecting_file.h"
#include "chimdb/write_batch.h"
#include "format/store_marks.h"
#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

// The records every test starts from, and what the batch does to them: three appends, a
// record rewritten so that it moves in two indexes, and a delete.
std::vector<std::uint8_t> StartImage() {
    MemoryFile file(RingImage(RingSchema(std::string("Blowfish"))), "batch.db");
    OpenRingTable db(file);
    for (int i = 1; i <= 6; ++i)
        db.Append({0, "0" + std::to_string(i) + ":00:00", "desc " + std::to_string(i), "s"});
    return file.Image();
}

void ChangeInOneRun(OpenRingTable& db) {
    for (int i = 7; i <= 9; ++i)
        db.Append({0, "0" + std::to_string(i - 5) + ":30:00", "new " + std::to_string(i), ""});
    db.Modify(db.PositionOfId(2), {2, "23:00:00", "a moved", "t"});
    db.Table().DeleteRecord(db.PositionOfId(4));
}

// The file without the change stamps, which every write draws at random.
std::vector<std::uint8_t> WithoutStamps(std::vector<std::uint8_t> image) {
    MemoryFile file(image, "stamps.db");
    CompressMgr compress;
    EncryptMgr encrypt;
    const std::int64_t header =
        Prologue::Read(file, compress, encrypt).directory.tableHeaderOffsets[0];
    std::fill_n(image.begin() + header + static_cast<std::ptrdiff_t>(format::kChangeStampOffset), 8,
                0);
    return image;
}

TEST(WriteBatchTest, ReadsSeeTheWritesAndTheFileEndsAsWithWritesOneByOne) {
    MemoryFile single(StartImage(), "single.db");
    {
        OpenRingTable db(single);
        ChangeInOneRun(db);
    }
    MemoryFile batched(StartImage(), "batched.db");
    OpenRingTable db(batched);
    db.Io().BeginBatch();
    const std::vector<std::uint8_t> before = batched.Image();
    ChangeInOneRun(db);
    EXPECT_EQ(batched.Image(), before) << "nothing reaches the file before the batch ends";
    const std::vector<Ring> inBatch = db.ReadAll(kTimeIndex + 1);
    ASSERT_EQ(inBatch.size(), 8u);
    db.Io().EndBatch();
    EXPECT_EQ(db.ReadAll(kTimeIndex + 1), inBatch);
    EXPECT_EQ(WithoutStamps(batched.Image()), WithoutStamps(single.Image()));
    OpenRingTable fresh(batched);
    EXPECT_EQ(fresh.ReadAll(kTimeIndex + 1), inBatch);
}

// After a stop, each change is in the file or not; the appends count together (the header
// that counts them is one write).
void ExpectEachChangeWholeOrAbsent(const std::vector<Ring>& live) {
    std::map<std::int32_t, Ring> byId;
    for (const Ring& ring : live)
        byId[ring.id] = ring;
    const int appended = static_cast<int>(byId.count(7) + byId.count(8) + byId.count(9));
    EXPECT_TRUE(appended == 0 || appended == 3) << appended << " of 3 appends";
    ASSERT_EQ(byId.count(2), 1u);
    EXPECT_TRUE(byId[2].desc == "desc 2" || byId[2].desc == "a moved") << byId[2].desc;
    EXPECT_TRUE(byId[2].desc != "a moved" || byId[2].time == "23:00:00");
    for (int id : {1, 3, 5, 6})
        EXPECT_EQ(byId.count(id), 1u) << "record " << id;
}

TEST(WriteBatchTest, AStopAtAnyWriteOfTheWriteOutLeavesAWholeFile) {
    for (const std::size_t torn :
         {std::size_t{0}, std::size_t{3}, std::size_t{700}, std::size_t{4810}}) {
        for (std::int64_t k = 0;; ++k) {
            SCOPED_TRACE("torn " + std::to_string(torn) + ", writes kept " + std::to_string(k));
            MemoryFile inner(StartImage(), "stop.db");
            FaultInjectingFile file(inner);
            std::int64_t lost = 0;
            {
                OpenRingTable db(file);
                db.Io().BeginBatch();
                ChangeInOneRun(db);
                file.StopAfterWrites(file.WriteCount() + k, torn);
                db.Io().EndBatch();
                lost = file.LostWrites();
            }
            EXPECT_NO_THROW(ExpectEachChangeWholeOrAbsent(ExpectChainsConsistent(inner)));
            if (lost == 0)
                break;
            ASSERT_LT(k, 100);
        }
    }
}

// A write-out that fails leaves reads as the file says.
TEST(WriteBatchTest, AFailedWriteOutLeavesReadsAsTheFileSays) {
    for (std::int64_t k = 1;; ++k) {
        SCOPED_TRACE("write " + std::to_string(k) + " fails");
        MemoryFile inner(StartImage(), "fail.db");
        FaultInjectingFile file(inner);
        OpenRingTable db(file);
        for (std::size_t list = 0; list < 4; ++list)
            db.ReadAll(list);
        db.Io().BeginBatch();
        ChangeInOneRun(db);
        if (!FailWriteAndExpectReadsAsTheFileSays(db, file, inner, k, [&] { db.Io().EndBatch(); }))
            break;
        ASSERT_LT(k, 100);
    }
}

// A disk file: another program that waits for the lock during a long batch is let in and its
// append lands; the batch's appends land too.
TEST(WriteBatchTest, AProgramThatWaitsIsLetInDuringALongBatch) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("chimdb_batch_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "db.dll").string();
    DatabaseCreator(RingSchema(std::string("Blowfish"))).CreateFile(path);
    auto openDisk = [&](ChimDBFileIO& io, ChimTableIO& table) {
        io.OpenFile(path, ChimDBMediumType::mtDisk, false);
        ASSERT_TRUE(io.CheckPassword("Quartzfen47"));
        table.OpenTable();
    };
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        int code = 0;
        try {
            char start = 0;
            if (::read(go[0], &start, 1) != 1)
                ::_exit(3);
            ::usleep(20000);  // the batch is under way
            LockSettings settings;
            settings.SetLockRetryCount(10);
            settings.SetLockWaitTime(20);  // gives up after 200 ms
            ChimDBFileIO io(settings);
            ChimTableIO table(io, "Ring1_7");
            openDisk(io, table);
            TableRecordBuffer buffer(table, &io);
            buffer.SetString(kTime, "12:00:00");
            buffer.SetString(kDesc, "from the other program");
            table.AppendRecord(buffer.Buffers(), false);
            table.CloseTable();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "other program: %s\n", e.what());
            code = 1;
        }
        ::_exit(code);
    }
    constexpr int kAppends = 80000;
    {
        ChimDBFileIO io;
        ChimTableIO table(io, "Ring1_7");
        openDisk(io, table);
        TableRecordBuffer buffer(table, &io);
        io.BeginBatch();
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kAppends; ++i) {
            buffer.Clear();
            buffer.SetString(kTime, "0" + std::to_string(i % 10) + ":00:00");
            buffer.SetString(kDesc, "batch " + std::to_string(i));
            table.AppendRecord(buffer.Buffers(), false);
        }
        EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300))
            << "the batch is too short to tell";
        io.EndBatch();
        table.CloseTable();
    }
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other program timed out (see above)";
    {
        DiskFile disk(path, DiskFile::Access::ReadWrite);
        std::vector<Ring> live = ExpectChainsConsistent(disk);
        EXPECT_EQ(live.size(), static_cast<std::size_t>(kAppends + 1));
    }
    ChimSessionList::Instance().Shutdown();
    std::filesystem::remove_all(dir);
}

// A file closed inside a batch gets the batch's writes, and the batch ends with nothing left.
TEST(WriteBatchTest, ClosingTheFileInsideABatchWritesItOut) {
    MemoryFile file(StartImage(), "close.db");
    {
        OpenRingTable db(file);
        db.Io().BeginBatch();
        ChangeInOneRun(db);
        db.Io().CloseFile();
        db.Io().EndBatch();
    }
    EXPECT_NO_THROW(ExpectEachChangeWholeOrAbsent(ExpectChainsConsistent(file)));
    OpenRingTable again(file);
    EXPECT_EQ(again.ReadAll(0).size(), 8u);
}

// The public batch around a cursor's appends.
TEST(WriteBatchTest, ACursorAppendsInABatchAndAnotherCursorReadsThemAfter) {
    MemoryFile file(StartImage(), "cursor.db");
    ScopedMemoryStream registration(file);
    auto open = [&](ChimTable& table) {
        table.SetMediumType(ChimDBMediumType::mtMemory);
        table.SetDatabaseName(registration.DatabaseName());
        table.SetTableName("Ring1_7");
        table.SetIndexName("ID");
        table.SetPassword("Quartzfen47");
        table.Open();
    };
    {
        ChimTable table;
        open(table);
        WriteBatch batch(*table.Database());
        for (int i = 0; i < 5; ++i) {
            table.Append();
            table.FieldByName("RINGTIME").SetAsString("10:00:0" + std::to_string(i));
            table.FieldByName("RINGDESC").SetAsString("batch " + std::to_string(i));
            table.Post();
        }
        EXPECT_EQ(table.RecordCount(), 11);
        batch.Finish();
    }
    ChimTable reader;
    open(reader);
    EXPECT_EQ(reader.RecordCount(), 11);
    reader.Close();
    ChimSessionList::Instance().Shutdown();
}

}  // namespace
}  // namespace chimdb::testing
