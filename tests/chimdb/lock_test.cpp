#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "chimdb/database_error.h"
#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

struct DiskDatabaseTest : ::testing::Test {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("chimdb_lock_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string path;
    void SetUp() override {
        std::filesystem::create_directories(dir);
        path = (dir / "db.dll").string();
        DatabaseCreator(RingSchema()).CreateFile(path);
    }
    void TearDown() override {
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(dir);
    }
    std::string Message(const std::function<void()>& action) {
        try {
            action();
        } catch (const DatabaseError& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(DiskDatabaseTest, AHeldLockTimesOutAfterTheRetries) {
    ChimDBFileIO holder;
    holder.OpenFile(path, ChimDBMediumType::mtDisk, false);
    holder.LockFileRegion();
    LockSettings impatient;
    impatient.SetLockRetryCount(3);
    impatient.SetLockWaitTime(10);
    ChimDBFileIO waiter(impatient);
    waiter.OpenFile(path, ChimDBMediumType::mtDisk, false);
    ChimTableIO table(waiter, "Ring1_7");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Message([&] { table.OpenTable(); }), "Wait for unlock time out");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(table.OpenCount(), 0);
    holder.UnlockFileRegion();
    EXPECT_NO_THROW(table.OpenTable());
    EXPECT_EQ(waiter.LockDepth(), 0);  // released after the open
}

TEST_F(DiskDatabaseTest, LockSettingsStoreNegativeValuesAsZero) {
    LockSettings settings;
    EXPECT_EQ(settings.LockRetryCount(), 20);
    EXPECT_EQ(settings.LockWaitTime(), 100);
    settings.SetLockRetryCount(-5);
    settings.SetLockWaitTime(-1);
    EXPECT_EQ(settings.LockRetryCount(), 0);
    EXPECT_EQ(settings.LockWaitTime(), 0);
}

TEST_F(DiskDatabaseTest, ExclusiveOpeningShutsOutOtherOpeners) {
    ChimDBFileIO first;
    first.OpenFile(path, ChimDBMediumType::mtDisk, true);
    ChimDBFileIO second;
    EXPECT_EQ(Message([&] { second.OpenFile(path, ChimDBMediumType::mtDisk, false); }),
              "Cannot open file " + path);
    EXPECT_FALSE(second.IsOpen());
    first.CloseFile();
    second.OpenFile(path, ChimDBMediumType::mtDisk, false);
    ChimDBFileIO third;
    EXPECT_EQ(Message([&] { third.OpenFile(path, ChimDBMediumType::mtDisk, true); }),
              "Cannot open file " + path);
}

TEST_F(DiskDatabaseTest, MissingAndForeignFilesAreRefused) {
    ChimDBFileIO io;
    EXPECT_EQ(Message([&] { io.OpenFile(path + ".none", ChimDBMediumType::mtDisk, false); }),
              "Cannot open file " + path + ".none");
}

TEST_F(DiskDatabaseTest, AFileWithoutWritePermissionOpensReadOnlyAndRefusesWrites) {
    {
        ChimDBFileIO io;
        io.OpenFile(path, ChimDBMediumType::mtDisk, false);
        ChimTableIO table(io, "Ring1_7");
        table.OpenTable();
        TableRecordBuffer buffer(table, &io);
        buffer.SetString(kDesc, "kept");
        table.AppendRecord(buffer.Buffers(), true);
    }
    std::filesystem::permissions(
        path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    // Also when the tests run as root, which the permission check of the system lets write.
    const auto before = std::filesystem::file_size(path);
    ChimDBFileIO io;
    io.OpenFile(path, ChimDBMediumType::mtDisk, false);
    EXPECT_TRUE(io.ReadOnly());
    ChimTableIO table(io, "Ring1_7");
    table.OpenTable();
    TableRecordBuffer buffer(table, &io);
    table.ReadRecord(buffer.Buffers(), 0, 0);
    EXPECT_EQ(buffer.GetString(kDesc), "kept");
    EXPECT_EQ(Message([&] { table.AppendRecord(buffer.Buffers(), false); }),
              "Database file '" + path + "' is read-only");
    EXPECT_EQ(Message([&] { table.DeleteRecord(0); }), "Database file '" + path + "' is read-only");
    EXPECT_EQ(std::filesystem::file_size(path), before);
    table.ReadRecord(buffer.Buffers(), 0, 0);
    EXPECT_EQ(buffer.GetString(kDesc), "kept");
}

// An image that says it cannot be written: the same refusal, also without file permissions.
class ReadOnlyImage : public MemoryFile {
  public:
    using MemoryFile::MemoryFile;
    bool IsReadOnly() const override { return true; }
};

TEST(ReadOnlyImageTest, WritesAreRefusedBeforeAnythingChanges) {
    ReadOnlyImage file(RingImage(), "ro.db");
    OpenRingTable db(file);
    EXPECT_TRUE(db.Io().ReadOnly());
    std::vector<std::uint8_t> before = file.Image();
    EXPECT_THROW(db.Append({0, "08:00:00", "x", ""}), DatabaseError);
    EXPECT_EQ(file.Image(), before);
}

// Two databases on one image behave like two programs on one file: each sees what the other
// appended before it writes, and places its records by the chains as they are on disk.
TEST(SharedImageTest, AppendsAndKeyChangesOfTheOtherAreSeenBeforeWriting) {
    MemoryFile file(RingImage(), "shared.db");
    OpenRingTable a(file);
    OpenRingTable b(file);
    a.Append({0, "08:00:00", "m", ""});
    std::int64_t generation = b.Table().ListsGeneration();
    b.Append({0, "09:00:00", "n", ""});  // must not overwrite a's record table item
    EXPECT_GT(b.Table().ListsGeneration(), generation);
    a.Append({0, "10:00:00", "o", ""});
    // a moves its first record to the end of TIME order; b's lists do not know.
    a.Modify(a.PositionOfId(1), {1, "23:00:00", "m", ""});
    b.Append({0, "09:30:00", "p", ""});
    b.Modify(b.PositionOfId(2), {2, "00:30:00", "n", ""});
    a.Table().DeleteRecord(a.PositionOfId(3));
    b.Append({0, "11:00:00", "q", ""});
    auto live = ExpectChainsConsistent(file);
    std::vector<std::int32_t> ids;
    for (const Ring& r : live)
        ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, 4, 5}));
}

}  // namespace
}  // namespace chimdb::testing
