#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

constexpr int kRounds = 150;

// One program's work: append a record of its own each round and change the TIME key of a
// record (its own or the other's), so that both keep moving records in the chains.
int Work(const std::string& path, int worker, int startPipe) {
    try {
        char go = 0;
        if (::read(startPipe, &go, 1) != 1)
            return 4;
        // A short pause between lock attempts, so that the two really take turns.
        LockSettings settings;
        settings.SetLockWaitTime(1);
        settings.SetLockRetryCount(0);
        ChimDBFileIO io(settings);
        io.OpenFile(path, ChimDBMediumType::mtDisk, false);
        if (!io.CheckPassword("Quartzfen47"))
            return 2;
        ChimTableIO table(io, "Ring1_7");
        table.OpenTable();
        for (int round = 0; round < kRounds; ++round) {
            ::usleep(300);  // a user's pace: the other program gets the lock in between
            TableRecordBuffer buffer(table, &io);
            char desc[16];
            std::snprintf(desc, sizeof desc, "w%d-%03d", worker, round);
            char time[16];
            std::snprintf(time, sizeof time, "%02d:%02d:00", (round * 7 + worker) % 24, round % 60);
            buffer.SetString(kTime, time);
            buffer.SetString(kDesc, desc);
            table.AppendRecord(buffer.Buffers(), false);
            // Rewrite a record chosen from the current list.
            const RecordList& list = table.List(0);
            auto position = static_cast<std::int32_t>((round * 13 + worker) % list.size());
            table.ReadRecord(buffer.Buffers(), 0, position);
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", (round * 5 + worker * 11) % 24,
                          round % 60, worker);
            buffer.SetString(kTime, time);
            try {
                table.ModifyRecord(buffer.Buffers(), position);
            } catch (const DatabaseError& e) {
                if (std::string(e.what()) != "Record not found")
                    throw;
            }
        }
        // 3: never saw the other's records appear (the two did not overlap).
        return table.ListsGeneration() > 0 ? 0 : 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker %d: %s\n", worker, e.what());
        return 1;
    }
}

TEST(TwoProcessTest, AppendingAndModifyingTheSameTableLosesNothing) {
    auto dir =
        std::filesystem::temp_directory_path() / ("chimdb_two_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "db.dll").string();
    DatabaseCreator(RingSchema(std::string("Blowfish"), 0, true)).CreateFile(path);
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> children;
    for (int worker = 0; worker < 2; ++worker) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            ::_exit(Work(path, worker, start[0]));
        children.push_back(pid);
    }
    ASSERT_EQ(::write(start[1], "gg", 2), 2);
    ::close(start[0]);
    ::close(start[1]);
    int sawTheOther = 0;
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3) << WEXITSTATUS(status);
        sawTheOther += WEXITSTATUS(status) == 0;
    }
    EXPECT_GT(sawTheOther, 0) << "the two programs did not overlap";
    DiskFile disk(path, DiskFile::Access::ReadWrite);
    auto live = ExpectChainsConsistent(disk);
    ASSERT_EQ(live.size(), 2u * kRounds);
    std::set<std::string> descs;
    std::set<std::int32_t> ids;
    for (const Ring& r : live) {
        descs.insert(r.desc);
        ids.insert(r.id);
    }
    EXPECT_EQ(descs.size(), 2u * kRounds);
    EXPECT_EQ(ids.size(), 2u * kRounds);
    EXPECT_EQ(*ids.rbegin(), 2 * kRounds);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace chimdb::testing
