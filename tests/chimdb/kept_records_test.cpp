// What the table I/O object keeps in memory (deciphered records) must never show anything
// but what the file holds: another program's changes are seen by the next read, search and
// filter; a write that fails half-way leaves nothing kept that the file does not say; and a
// table larger than the budget stays within it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/fault_injecting_file.h"
#include "chimdb/memory_limits.h"
#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

constexpr const char* kPassword = "Quartzfen47";

// Runs work in a child process, as another program on the same file would.
void InAnotherProcess(const std::function<void()>& work) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 0;
        try {
            work();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "other process: %s\n", e.what());
            code = 1;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
}

// The ring table of a disk file, opened as a program opens it.
class DiskRingTable {
  public:
    explicit DiskRingTable(const std::string& path) : table_(io_, "Ring1_7") {
        io_.OpenFile(path, ChimDBMediumType::mtDisk, false);
        if (!io_.CheckPassword(kPassword))
            throw std::runtime_error("password refused");
        table_.OpenTable();
    }
    ~DiskRingTable() { table_.CloseTable(); }
    DiskRingTable(const DiskRingTable&) = delete;
    DiskRingTable& operator=(const DiskRingTable&) = delete;
    ChimTableIO& Table() { return table_; }
    ChimDBFileIO& Io() { return io_; }

    void Fill(TableRecordBuffer& buffer, const Ring& ring) {
        buffer.Clear();
        buffer.SetInt32(kId, ring.id);
        buffer.SetString(kTime, ring.time);
        buffer.SetString(kDesc, ring.desc);
        buffer.SetBlob(kSound, ring.sound);
    }
    void Append(const Ring& ring) {
        TableRecordBuffer buffer(table_, &io_);
        Fill(buffer, ring);
        table_.AppendRecord(buffer.Buffers(), false);
    }
    void ModifyId(std::int32_t id, const Ring& ring) {
        TableRecordBuffer buffer(table_, &io_);
        Fill(buffer, ring);
        table_.ModifyRecord(buffer.Buffers(), PositionOfId(id));
    }
    void DeleteId(std::int32_t id) { table_.DeleteRecord(PositionOfId(id)); }
    std::int32_t PositionOfId(std::int32_t id) {
        TableRecordBuffer key(table_, &io_);
        key.SetInt32(kId, id);
        std::int32_t result = 0;
        std::int32_t at = table_.SearchKey(key.Buffers(), kIdIndex + 1, false, 0, result, kIdIndex);
        if (result != 0)
            throw std::runtime_error("no record " + std::to_string(id));
        return table_.MapPosition(kIdIndex + 1, at, 0);
    }
    // Descriptions of every record in the order of a list.
    std::vector<std::string> Descs(std::size_t list) {
        std::vector<std::string> descs;
        TableRecordBuffer buffer(table_, &io_);
        for (std::size_t p = 0; p < table_.List(list).size(); ++p) {
            table_.ReadRecord(buffer.Buffers(), list, static_cast<std::int32_t>(p));
            descs.emplace_back(buffer.GetString(kDesc));
        }
        return descs;
    }
    // Whether a search of the DESC index finds the text.
    bool FindsDesc(const std::string& desc) {
        TableRecordBuffer key(table_, &io_);
        key.SetString(kDesc, desc);
        std::int32_t result = 0;
        table_.SearchKey(key.Buffers(), kDescIndex + 1, false, 0, result, kDescIndex);
        return result == 0;
    }

  private:
    ChimDBFileIO io_;
    ChimTableIO table_;
};

class OtherProgramTest : public ::testing::Test {
  protected:
    OtherProgramTest()
        : dir_(std::filesystem::temp_directory_path() /
               ("chimdb_kept_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "db.dll").string();
        DatabaseCreator(RingSchema(std::string("Blowfish"), 0, true)).CreateFile(path_);
        DiskRingTable setup(path_);
        for (const char* desc : {"bell a", "bell c", "bell e"})
            setup.Append({0, "08:00:00", desc, "snd"});
    }
    ~OtherProgramTest() override {
        ChimSessionList::Instance().Shutdown();
        std::filesystem::remove_all(dir_);
    }

    // A cursor over the ring table in ID order, with the filter text in force.
    void OpenFiltered(ChimTable& cursor, const std::string& filter) {
        cursor.SetDatabaseName(path_);
        cursor.SetTableName("Ring1_7");
        cursor.SetIndexName("ID");
        cursor.SetPassword(kPassword);
        cursor.Open();
        cursor.SetFilter(filter);
        cursor.SetFiltered(true);
    }
    static int Refiltered(ChimTable& cursor) {
        cursor.SetFiltered(false);
        cursor.SetFiltered(true);
        return cursor.RecordCount();
    }

    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(OtherProgramTest, AChangeInPlaceThatLeavesTheHeaderAloneIsSeenByReadSearchAndFilter) {
    DiskRingTable ours(path_);
    ChimTable cursor;
    OpenFiltered(cursor, "RINGDESC='bell b'");
    // Everything read once, so that it is kept.
    ASSERT_EQ(ours.Descs(0), (std::vector<std::string>{"bell a", "bell c", "bell e"}));
    ASSERT_TRUE(ours.FindsDesc("bell c"));
    ASSERT_EQ(cursor.RecordCount(), 0);

    // "bell c" becomes "bell b": the same place in every index, so no chain or header
    // field changes.
    InAnotherProcess([&] { DiskRingTable(path_).ModifyId(2, {2, "08:00:00", "bell b", "snd"}); });

    EXPECT_EQ(ours.Descs(0), (std::vector<std::string>{"bell a", "bell b", "bell e"}));
    EXPECT_TRUE(ours.FindsDesc("bell b"));
    EXPECT_FALSE(ours.FindsDesc("bell c"));
    EXPECT_EQ(Refiltered(cursor), 1);
    EXPECT_EQ(cursor.FieldByName("ID").AsInteger(), 2);
}

TEST_F(OtherProgramTest, AModifyThatMovesAKeyIsSeenInIndexOrderAndBySearch) {
    DiskRingTable ours(path_);
    ASSERT_EQ(ours.Descs(kDescIndex + 1), (std::vector<std::string>{"bell a", "bell c", "bell e"}));
    InAnotherProcess([&] { DiskRingTable(path_).ModifyId(1, {1, "08:00:00", "bell z", "snd"}); });
    EXPECT_EQ(ours.Descs(kDescIndex + 1), (std::vector<std::string>{"bell c", "bell e", "bell z"}));
    EXPECT_TRUE(ours.FindsDesc("bell z"));
    EXPECT_FALSE(ours.FindsDesc("bell a"));
}

TEST_F(OtherProgramTest, AnAppendIsSeenByReadSearchAndFilter) {
    DiskRingTable ours(path_);
    ChimTable cursor;
    OpenFiltered(cursor, "RINGDESC='bell d'");
    ASSERT_EQ(ours.Descs(0).size(), 3u);
    ASSERT_FALSE(ours.FindsDesc("bell d"));

    InAnotherProcess([&] { DiskRingTable(path_).Append({0, "09:00:00", "bell d", "snd"}); });

    EXPECT_EQ(ours.Descs(kDescIndex + 1),
              (std::vector<std::string>{"bell a", "bell c", "bell d", "bell e"}));
    EXPECT_TRUE(ours.FindsDesc("bell d"));
    EXPECT_EQ(Refiltered(cursor), 1);
    EXPECT_EQ(cursor.FieldByName("ID").AsInteger(), 4);
}

TEST_F(OtherProgramTest, ADeleteIsSeenByReadSearchAndFilter) {
    DiskRingTable ours(path_);
    ChimTable cursor;
    OpenFiltered(cursor, "RINGTIME='08:00:00'");
    ASSERT_EQ(ours.Descs(0).size(), 3u);
    ASSERT_EQ(cursor.RecordCount(), 3);

    InAnotherProcess([&] { DiskRingTable(path_).DeleteId(2); });

    EXPECT_EQ(ours.Descs(0), (std::vector<std::string>{"bell a", "bell e"}));
    EXPECT_FALSE(ours.FindsDesc("bell c"));
    EXPECT_EQ(Refiltered(cursor), 2);
    // A write of ours after the other's delete lands in the chains as they are on disk.
    ours.Append({0, "10:00:00", "bell f", ""});
    EXPECT_EQ(ours.Descs(kDescIndex + 1), (std::vector<std::string>{"bell a", "bell e", "bell f"}));
}

// A program forked from one that has written already starts with a copy of everything it
// had, and must still never write a stamp that the other may take for one of its own: here
// the other writes twice, and the child's two writes would repeat those two stamps in the
// other order if both drew them from the same sequence.
TEST_F(OtherProgramTest, AProgramForkedAfterAWriteIsStillSeen) {
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(go[1]);
        char byte = 0;
        int code = ::read(go[0], &byte, 1) == 1 ? 0 : 2;
        try {
            DiskRingTable theirs(path_);
            theirs.ModifyId(2, {2, "08:00:00", "bell b", "snd"});
            theirs.ModifyId(3, {3, "08:00:00", "bell f", "snd"});
        } catch (const std::exception& e) {
            std::fprintf(stderr, "other process: %s\n", e.what());
            code = 1;
        }
        ::_exit(code);
    }
    ::close(go[0]);
    DiskRingTable ours(path_);
    ours.ModifyId(1, {1, "08:00:00", "bell a1", "snd"});
    ours.ModifyId(1, {1, "08:00:00", "bell a2", "snd"});
    ASSERT_EQ(ours.Descs(0), (std::vector<std::string>{"bell a2", "bell c", "bell e"}));
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(go[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ours.Descs(0), (std::vector<std::string>{"bell a2", "bell b", "bell f"}));
    EXPECT_TRUE(ours.FindsDesc("bell f"));
}

std::string Incompressible(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A table closed in this process is taken up again by its next opening only while nobody
// wrote the file since; an append, a change in place and a delete by another program in
// between are all read at the next opening.
TEST_F(OtherProgramTest, AClosedTableIsTakenUpAgainOnlyWhileTheFileIsAsItWas) {
    const std::vector<std::string> start = {"bell a", "bell c", "bell e"};
    {
        DiskRingTable first(path_);
        ASSERT_EQ(first.Descs(kDescIndex + 1), start);
    }
    const std::size_t retained = RetainedTableBytes();
    EXPECT_GT(retained, 0u);
    {
        DiskRingTable again(path_);
        EXPECT_LT(RetainedTableBytes(), retained);  // taken, not read anew
        EXPECT_EQ(again.Descs(kDescIndex + 1), start);
    }
    using Change = std::function<void(DiskRingTable&)>;
    const std::vector<std::pair<Change, std::vector<std::string>>> changes = {
        {[](DiskRingTable& other) {
             other.Append({0, "09:00:00", "bell b", "snd"});
         },
         {"bell a", "bell b", "bell c", "bell e"}},
        {[](DiskRingTable& other) {
             other.ModifyId(3, {3, "08:00:00", "bell d", "snd"});
         },
         {"bell a", "bell b", "bell c", "bell d"}},
        {[](DiskRingTable& other) { other.DeleteId(1); }, {"bell b", "bell c", "bell d"}},
    };
    for (const auto& [change, expected] : changes) {
        {
            DiskRingTable before(path_);
            before.Descs(kDescIndex + 1);  // everything kept, then retained at the close
        }
        InAnotherProcess([&, change = change] {
            DiskRingTable other(path_);
            change(other);
        });
        DiskRingTable after(path_);
        EXPECT_EQ(after.Descs(kDescIndex + 1), expected);
        EXPECT_TRUE(after.FindsDesc(expected.back()));
    }
}

// The records kept of a table that a program closed are plain text; an opening that has not
// given the password reads none of them.
TEST_F(OtherProgramTest, RetainedRecordsAreReadOnlyWithThePassword) {
    {
        DiskRingTable first(path_);
        first.Descs(0);
    }
    ChimDBFileIO io;
    io.OpenFile(path_, ChimDBMediumType::mtDisk, false);
    ChimTableIO table(io, "Ring1_7");
    table.OpenTable();
    TableRecordBuffer buffer(table, &io);
    EXPECT_THROW(table.ReadRecord(buffer.Buffers(), 0, 0), std::exception);
    table.CloseTable();
}

// A file put back under the same name (a restored backup is renamed over it) is another file:
// nothing of the one it replaced is taken up.
TEST_F(OtherProgramTest, AFileRenamedOverTheOldOneIsReadAnew) {
    const std::string copy = (dir_ / "copy.dll").string();
    std::filesystem::copy_file(path_, copy);
    {
        DiskRingTable copied(copy);
        copied.Append({0, "10:00:00", "bell z", "snd"});
    }
    {
        DiskRingTable first(path_);
        first.Descs(0);
    }
    std::filesystem::rename(copy, path_);
    DiskRingTable after(path_);
    EXPECT_EQ(after.Descs(kDescIndex + 1),
              (std::vector<std::string>{"bell a", "bell c", "bell e", "bell z"}));
}

// The retained tables stay within their budget, and none is kept with a budget of 0.
TEST_F(OtherProgramTest, RetainedTablesStayWithinTheirBudget) {
    const std::size_t limit = RetainedTableLimit();
    SetRetainedTableLimit(0);
    {
        DiskRingTable first(path_);
        first.Descs(0);
    }
    EXPECT_EQ(RetainedTableBytes(), 0u);
    constexpr std::size_t kBudget = 1 << 20;  // room for some of these tables, not for twenty
    SetRetainedTableLimit(kBudget);
    for (int i = 0; i < 20; ++i) {
        const std::string other = (dir_ / ("other" + std::to_string(i) + ".dll")).string();
        std::filesystem::copy_file(path_, other);
        DiskRingTable table(other);
        table.Descs(0);
    }
    EXPECT_GT(RetainedTableBytes(), kBudget / 2);
    EXPECT_LE(RetainedTableBytes(), kBudget);
    SetRetainedTableLimit(limit);
}

// A write that fails at any of its steps (disk full, I/O error) leaves what is kept in step
// with the file: the next reads give what a program opening the file afresh reads.
TEST(KeptRecordsTest, AWriteThatFailsAtAnyStepLeavesReadsAsTheFileSays) {
    MemoryFile base(RingImage(RingSchema(std::string("Blowfish"), 1, true)), "fail.db");
    {
        OpenRingTable db(base);
        for (int i = 0; i < 6; ++i)
            db.Append({0, "0" + std::to_string(i) + ":00:00", "d" + std::to_string(i), "s"});
    }
    using Operation = std::function<void(OpenRingTable&)>;
    const std::vector<std::pair<const char*, Operation>> operations = {
        {"append",
         [](OpenRingTable& db) {
             db.Append({0, "00:30:00", "d9", "new sound"});
         }},
        // The new blob does not fit the old one's place (a blob rewritten in place is not
        // covered by the store's write order).
        {"modify moving keys",
         [](OpenRingTable& db) {
             db.Modify(1, {2, "23:00:00", "a0", Incompressible(300)});
         }},
        {"delete", [](OpenRingTable& db) { db.Table().DeleteRecord(3); }},
    };
    for (const auto& [name, operation] : operations) {
        for (std::int64_t k = 1;; ++k) {
            SCOPED_TRACE(std::string(name) + ", write " + std::to_string(k) + " fails");
            MemoryFile inner(base.Image(), "fail.db");
            FaultInjectingFile file(inner);
            OpenRingTable db(file);
            for (std::size_t list = 0; list < 4; ++list)
                db.ReadAll(list);  // everything kept
            if (!FailWriteAndExpectReadsAsTheFileSays(db, file, inner, k, [&] { operation(db); }))
                break;
            ASSERT_LT(k, 100);
        }
    }
}

// A table larger than the budget is read correctly, and what is kept stays within it.
TEST(KeptRecordsTest, ATableLargerThanTheBudgetStaysWithinIt) {
    MemoryFile file(RingImage(RingSchema(std::string("Twofish"), 0, false)), "big.db");
    OpenRingTable db(file);
    constexpr std::size_t kLimit = 24 * 1024;
    db.Table().SetKeptRecordLimit(kLimit);
    constexpr int kRecords = 1500;  // about 100 KB of records
    for (int i = 0; i < kRecords; ++i)
        db.Append(
            {0, "07:" + std::to_string(10 + i % 50) + ":00", "entry " + std::to_string(i), ""});
    ASSERT_GT(
        static_cast<std::size_t>(kRecords) * static_cast<std::size_t>(db.Table().RecordSize()),
        4 * kLimit);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<Ring> all = db.ReadAll(kTimeIndex + 1);
        ASSERT_EQ(all.size(), static_cast<std::size_t>(kRecords));
        for (std::size_t k = 1; k < all.size(); ++k)
            ASSERT_LE(std::make_pair(all[k - 1].time, all[k - 1].id),
                      std::make_pair(all[k].time, all[k].id));
        EXPECT_LE(db.Table().KeptRecordBytes(), kLimit);
        EXPECT_GT(db.Table().KeptRecordBytes(), 0u);
    }
    std::vector<Ring> kept = db.ReadAll(0);
    OpenRingTable fresh(file);
    fresh.Table().SetKeptRecordLimit(0);  // nothing kept: every read goes to the file
    EXPECT_EQ(kept, fresh.ReadAll(0));
    EXPECT_EQ(fresh.Table().KeptRecordBytes(), 0u);
}

}  // namespace
}  // namespace chimdb::testing
