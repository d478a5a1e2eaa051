// A program that filters the table again and again while another program appends, rewrites
// and deletes records in it: the writer never waits long enough to time out, although each
// filter pass takes far longer than the writer is willing to wait, and every answer of the
// filter is the answer for one state of the table that the writer went through.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "table_io_test_util.h"

namespace chimdb::testing {
namespace {

constexpr int kRecords = 2000;
constexpr int kRounds = 40;

// How long the writer is willing to wait for the lock: kLockRetries tries of kLockWaitMs.
// Under AddressSanitizer every step of both programs is several times slower, the reader's
// stretches under the lock and the moments it is not scheduled included; the writer is as
// many times more patient there, and the pass stays far longer than its patience.
constexpr int kLockRetries = 10;
#if defined(__SANITIZE_ADDRESS__)
constexpr int kLockWaitMs = 60;
#else
constexpr int kLockWaitMs = 20;
#endif
constexpr auto kWriterPatience = std::chrono::milliseconds(kLockRetries * kLockWaitMs);

// Records whose description begins with "keep" pass. Many LIKE tests that fail late come
// first, so that a pass costs milliseconds per record.
std::string SlowFilter() {
    std::string text;
    for (int i = 0; i < 600; ++i)
        text += "RINGDESC LIKE '%a%a%a%a%a%a%a%a%a%a%q" + std::to_string(i) + "' OR ";
    return text + "RINGDESC LIKE 'keep%'";
}

std::string Description(bool keep, int n) {
    return std::string(keep ? "keep" : "drop") + "-aaaaaaaaaaaaaaaaaaaa-" + std::to_string(n);
}

using Answer = std::vector<std::int32_t>;  // the IDs that pass, ascending

std::string Line(const Answer& answer) {
    std::ostringstream out;
    for (std::int32_t id : answer)
        out << id << ' ';
    return out.str();
}

// The writer: one program's appends, rewrites and deletes, with a lock wait far shorter than
// a filter pass. After each write it logs the answer the filter must give for the new state.
int Write(const std::string& path, const std::string& logPath, int startPipe) {
    try {
        char go = 0;
        if (::read(startPipe, &go, 1) != 1)
            return 4;
        LockSettings settings;
        settings.SetLockRetryCount(kLockRetries);
        settings.SetLockWaitTime(kLockWaitMs);
        ChimDBFileIO io(settings);
        io.OpenFile(path, ChimDBMediumType::mtDisk, false);
        if (!io.CheckPassword("Quartzfen47"))
            return 2;
        ChimTableIO table(io, "Ring1_7");
        table.OpenTable();
        std::map<std::int32_t, bool> keeps;  // ID -> passes
        TableRecordBuffer buffer(table, &io);
        for (std::int32_t p = 0; p < static_cast<std::int32_t>(table.List(0).size()); ++p) {
            table.ReadRecord(buffer.Buffers(), 0, p);
            keeps[buffer.GetInt32(kId)] = buffer.GetString(kDesc).substr(0, 4) == "keep";
        }
        std::ofstream log(logPath);
        auto logState = [&] {
            Answer answer;
            for (auto [id, keep] : keeps)
                if (keep)
                    answer.push_back(id);
            log << Line(answer) << '\n' << std::flush;
        };
        logState();
        for (int round = 0; round < kRounds; ++round) {
            ::usleep(10000);
            buffer.Clear();
            buffer.SetString(kTime, "08:00:00");
            buffer.SetString(kDesc, Description(round % 2 == 0, round));
            table.AppendRecord(buffer.Buffers(), false);
            keeps[buffer.GetInt32(kId)] = round % 2 == 0;
            logState();
            ::usleep(10000);
            // Turn a record at one end of the list to the other verdict, and one near the end.
            for (std::int32_t position : {static_cast<std::int32_t>(round * 7 % kRecords),
                                          static_cast<std::int32_t>(table.List(0).size() - 2)}) {
                table.ReadRecord(buffer.Buffers(), 0, position);
                const std::int32_t id = buffer.GetInt32(kId);
                buffer.SetString(kDesc, Description(!keeps[id], round));
                table.ModifyRecord(buffer.Buffers(), position);
                keeps[id] = !keeps[id];
                logState();
            }
            ::usleep(10000);
            const auto victim = static_cast<std::int32_t>((round * 11 + 3) % 200);
            table.ReadRecord(buffer.Buffers(), 0, victim);
            keeps.erase(buffer.GetInt32(kId));
            table.DeleteRecord(victim);
            logState();
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "writer: %s\n", e.what());
        return 1;
    }
}

Answer FilterOnce(ChimTable& table) {
    table.Refresh();
    Answer answer;
    for (table.First(); !table.Eof(); table.Next())
        answer.push_back(table.FieldByName("ID").AsInteger());
    std::sort(answer.begin(), answer.end());
    return answer;
}

TEST(TwoProcessReadTest, AWriterNeverTimesOutAndEachFilterAnswerIsOneState) {
    auto dir =
        std::filesystem::temp_directory_path() / ("chimdb_reader_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "db.dll").string();
    const std::string logPath = (dir / "states.log").string();
    DatabaseCreator(RingSchema(std::string("Blowfish"))).CreateFile(path);
    {
        ChimDBFileIO io;
        io.OpenFile(path, ChimDBMediumType::mtDisk, false);
        ASSERT_TRUE(io.CheckPassword("Quartzfen47"));
        ChimTableIO table(io, "Ring1_7");
        table.OpenTable();
        TableRecordBuffer buffer(table, &io);
        for (int n = 0; n < kRecords; ++n) {
            buffer.Clear();
            buffer.SetString(kTime, "07:00:00");
            buffer.SetString(kDesc, Description(n % 3 == 0, n));
            table.AppendRecord(buffer.Buffers(), false);
        }
    }
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0)
        ::_exit(Write(path, logPath, start[0]));
    ::close(start[0]);

    std::vector<Answer> answers;
    int status = 0;
    {
        ChimTable table;
        table.SetDatabaseName(path);
        table.SetTableName("Ring1_7");
        table.SetIndexName("ID");
        table.SetPassword("Quartzfen47");
        table.Open();
        table.SetFilter(SlowFilter());
        const auto begin = std::chrono::steady_clock::now();
        table.SetFiltered(true);
        const auto pass = std::chrono::steady_clock::now() - begin;
        EXPECT_GT(pass, kWriterPatience * 3 / 2)
            << "the pass is too short to tell: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(pass).count() << " ms";
        answers.push_back(FilterOnce(table));
        ASSERT_EQ(::write(start[1], "g", 1), 1);
        ::close(start[1]);
        while (::waitpid(writer, &status, WNOHANG) == 0)
            answers.push_back(FilterOnce(table));
        answers.push_back(FilterOnce(table));
    }
    ChimSessionList::Instance().Shutdown();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the writer failed (a lock time-out is reported above)";

    std::set<std::string> states;
    std::ifstream log(logPath);
    for (std::string line; std::getline(log, line);)
        states.insert(line);
    ASSERT_GT(states.size(), static_cast<std::size_t>(kRounds));
    EXPECT_GE(answers.size(), 3u);
    for (const Answer& answer : answers)
        EXPECT_TRUE(states.count(Line(answer)) == 1) << "an answer of no state: " << Line(answer);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace chimdb::testing
