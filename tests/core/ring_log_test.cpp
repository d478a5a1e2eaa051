#include "app/core/ring_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/ring_engine.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_log_files.h"
#include "platform/fake/fake_media_player.h"
#include "platform/fake/fake_power.h"

namespace chimora {
namespace {

const std::string kFile = "/school/chimora.log";
const std::string kOlder = kFile + ".1";

class RingLogTest : public ::testing::Test {
  protected:
    void SetUp() override { clock.Set(2026, 3, 4, 7, 5, 9, 42); }

    std::vector<std::string> Lines(const std::string& path) const {
        const auto it = files.files.find(path);
        if (it == files.files.end())
            return {};
        std::istringstream in(it->second);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::size_t Size(const std::string& path) const { return files.Size(path).value_or(0); }

    RingReport Report(RingReport::Outcome outcome) {
        RingReport report;
        report.time = "08:00:00";
        report.description = "第一节";
        report.file = "tones\\rising.wav";
        report.outcome = outcome;
        report.delayMs = 37;
        return report;
    }

    platform::FakeLogFiles files;
    platform::FakeClock clock;
    std::ostringstream echo;
};

TEST_F(RingLogTest, EventLineIsStampedToTheMillisecondInFileAndEcho) {
    RingLog log(clock, files, kFile, &echo);
    log.Event("program started");
    clock.Set(2026, 3, 4, 23, 59, 59, 999);
    log.Event("program exit");

    const std::vector<std::string> expected = {"2026-03-04 07:05:09.042 program started",
                                               "2026-03-04 23:59:59.999 program exit"};
    EXPECT_EQ(Lines(kFile), expected);
    EXPECT_EQ(echo.str(), expected[0] + "\n" + expected[1] + "\n");
}

TEST_F(RingLogTest, RingLinesNameEntryFileOutcomeAndDelay) {
    RingLog log(clock, files, kFile, nullptr);
    log.Ring(Report(RingReport::Outcome::Played));
    log.Ring(Report(RingReport::Outcome::FileMissing));
    RingReport failed = Report(RingReport::Outcome::Failed);
    failed.error = "cannot open audio device";
    log.Ring(failed);
    RingReport late = Report(RingReport::Outcome::Played);
    late.caughtUp = true;
    late.delayMs = 3120;
    log.Ring(late);

    const std::string head =
        "2026-03-04 07:05:09.042 ring 08:00:00 \"第一节\" file \"tones\\rising.wav\": ";
    const std::vector<std::string> expected = {
        head + "played, 37 ms after the second", head + "file missing, 37 ms after the second",
        head + "player error: cannot open audio device, 37 ms after the second",
        head + "played, 3120 ms after the second, caught up"};
    EXPECT_EQ(Lines(kFile), expected);
}

TEST_F(RingLogTest, AppendsToALogOfAnEarlierRun) {
    files.files[kFile] = "earlier line\n";
    RingLog log(clock, files, kFile, nullptr);
    log.Event("again");
    EXPECT_EQ(Lines(kFile),
              (std::vector<std::string>{"earlier line", "2026-03-04 07:05:09.042 again"}));
}

TEST_F(RingLogTest, RotationKeepsOneOlderCopyAndNeverPassesTheCap) {
    // Each line is 24 + 8 + 1 = 33 bytes: three fit under a cap of 100, the fourth does not.
    RingLog log(clock, files, kFile, nullptr, 100);
    for (int i = 1; i <= 3; ++i) {
        log.Event("line " + std::to_string(i) + "..");
    }
    EXPECT_EQ(Size(kFile), 99u);
    EXPECT_EQ(files.files.count(kOlder), 0u);

    log.Event("line 4..");
    EXPECT_EQ(Lines(kOlder).size(), 3u);
    EXPECT_EQ(Lines(kFile), (std::vector<std::string>{"2026-03-04 07:05:09.042 line 4.."}));

    for (int i = 5; i <= 7; ++i) {
        log.Event("line " + std::to_string(i) + "..");
    }
    // The second rotation replaced the first older copy.
    const std::vector<std::string> older = Lines(kOlder);
    ASSERT_EQ(older.size(), 3u);
    EXPECT_EQ(older.front(), "2026-03-04 07:05:09.042 line 4..");
    EXPECT_EQ(Lines(kFile).size(), 1u);
    EXPECT_LE(Size(kFile), 100u);
}

TEST_F(RingLogTest, OverlongLineStillReachesAnEmptyFile) {
    RingLog log(clock, files, kFile, nullptr, 10);
    log.Event("much longer than the cap");
    EXPECT_EQ(Lines(kFile).size(), 1u);
    EXPECT_EQ(files.files.count(kOlder), 0u);
}

TEST_F(RingLogTest, RefusedFileIsSwallowedAndTheEchoStillGetsTheLine) {
    files.refused.insert(kFile);
    RingLog log(clock, files, kFile, &echo);
    EXPECT_NO_THROW(log.Ring(Report(RingReport::Outcome::Played)));
    EXPECT_NO_THROW(log.Event("into a refused file"));
    EXPECT_TRUE(files.files.empty());
    const std::string echoed = echo.str();
    EXPECT_EQ(std::count(echoed.begin(), echoed.end(), '\n'), 2);
}

TEST_F(RingLogTest, RefusedRotationKeepsAppendingToTheFullFile) {
    // The older copy's name taken by something that cannot be replaced.
    files.refused.insert(kOlder);
    RingLog log(clock, files, kFile, nullptr, 40);
    log.Event("line 1..");
    log.Event("line 2..");
    EXPECT_EQ(Lines(kFile).size(), 2u);
}

TEST_F(RingLogTest, FailingEchoStreamDoesNotStopTheFile) {
    // A terminal that went away: every write fails, and the stream raises on failure.
    struct FailingBuffer : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } buffer;
    std::ostream broken(&buffer);
    broken.exceptions(std::ios::badbit);
    RingLog log(clock, files, kFile, &broken);
    EXPECT_NO_THROW(log.Event("still logged"));
    EXPECT_EQ(Lines(kFile).size(), 1u);
}

// The engine wired to the log the way the program does it: the shutdown request and what
// came of it end up in the log, and a refusing power backend does not stop the tick.
class ShutdownLogTest : public RingLogTest {
  protected:
    struct RefusingPower : platform::Power {
        void EnableShutdownPrivilege() override {}
        void Perform(platform::PowerOperation) override {
            throw std::runtime_error("Interactive authentication required.");
        }
    };

    void Run(platform::Power& power) {
        platform::FakeFileSystem musicFiles;
        platform::FakeMediaPlayer player;
        MusicPlayback playback{player};
        PeManager manager{power};
        ProgramState state;
        state.SysConfig = {"0", "1", "17:30:00"};
        RingEngine engine{state, clock, musicFiles, playback, manager, "/music/"};
        RingLog log(clock, files, kFile, nullptr);
        RingEngine::Hooks hooks;
        hooks.shutdownRequested = [&log](const std::string& result) {
            log.Event("shutdown: " + result);
        };
        engine.SetHooks(hooks);
        for (int second : {59, 0}) {
            clock.Set(2026, 3, 4, second == 0 ? 17 : 16, second == 0 ? 30 : 29, second, 5);
            EXPECT_NO_THROW(engine.Timer1Timer());
        }
    }
};

TEST_F(ShutdownLogTest, RequestAndItsResultAreLoggedOnce) {
    platform::FakePower power;
    Run(power);
    EXPECT_EQ(power.operations.size(), 1u);
    EXPECT_EQ(Lines(kFile),
              (std::vector<std::string>{"2026-03-04 17:30:00.005 shutdown: requested"}));
}

TEST_F(ShutdownLogTest, RefusedRequestLogsTheErrorAndTheTickGoesOn) {
    RefusingPower power;
    Run(power);
    EXPECT_EQ(Lines(kFile),
              (std::vector<std::string>{
                  "2026-03-04 17:30:00.005 shutdown: Interactive authentication required."}));
}

}  // namespace
}  // namespace chimora
