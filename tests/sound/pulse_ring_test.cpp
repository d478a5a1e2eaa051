// Rings heard on a real sound server: a PulseAudio server of the test's own with a null sink,
// whose monitor is recorded. The built program runs from a program folder of its own.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/sdl_media_player.h"
#include "tests/platform/wav_writer.h"
#include "tests/support/program_folder.h"
#include "tests/support/pulse_server.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;

// The test tone plays at 8000 of 32767; anything above this is sound, below it silence.
constexpr int kHeard = 2000;
constexpr int kToneMs = 600;

std::string TimeOfDay(double wall) {
    const std::time_t seconds = static_cast<std::time_t>(wall);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountLinesWith(const std::string& text, const std::string& a, const std::string& b) {
    int count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(a) != std::string::npos && line.find(b) != std::string::npos)
            ++count;
    }
    return count;
}

class PulseTest : public ::testing::Test {
  protected:
    void StartServer() {
        std::string why;
        if (!server.Start(&why))
            GTEST_SKIP() << "no PulseAudio server on this machine: " << why;
    }

    // Starts a recorder of the server's monitor (a new one after each start of the server).
    MonitorRecorder& Record() {
        recorders.push_back(std::make_unique<MonitorRecorder>(server));
        MonitorRecorder& recorder = *recorders.back();
        EXPECT_TRUE(recorder.Start());
        EXPECT_TRUE(recorder.WaitUntilRecording());
        return recorder;
    }

    static void Sleep(double seconds) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
    static void SleepUntil(double wall) {
        const double now = WallSeconds();
        if (wall > now)
            Sleep(wall - now);
    }

    PulseServer server;
    std::vector<std::unique_ptr<MonitorRecorder>> recorders;
};

// --- the player on the server ---------------------------------------------------------------

// SDL in this process plays on the test's server.
class PulsePlayerTest : public PulseTest {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "sound_tests";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
    }
    void SetUp() override {
        for (const std::string& entry : server.ClientEnvironment()) {
            const std::size_t eq = entry.find('=');
            ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
        }
        folder = server.Root() / "music";
        fs::create_directories(folder);
        WriteToneWav((folder / "tone.wav").string(), kToneMs);
    }

    // Plays the tone now; true when the recorder hears it.
    bool PlayAndHear(MonitorRecorder& recorder) {
        const double start = WallSeconds();
        player.SetFileName((folder / "tone.wav").string());
        player.Open();
        player.Play();
        Sleep(kToneMs / 1000.0 + 0.4);
        QCoreApplication::processEvents();
        return recorder.PeakBetween(start, start + kToneMs / 1000.0 + 0.3) > kHeard;
    }

    fs::path folder;
    platform::SdlMediaPlayer player;
};

TEST_F(PulsePlayerTest, DeviceOpensOnceTheServerIsUpAndAgainAfterTheServerRestarted) {
    if (!ProgramOnPath("pulseaudio"))
        GTEST_SKIP() << "pulseaudio is not installed";
    // No server yet, as at a login where the sound server starts after the program.
    player.SetFileName((folder / "tone.wav").string());
    EXPECT_THROW(player.Open(), platform::MediaError);
    EXPECT_NE(player.DeviceError(), "");

    StartServer();
    if (IsSkipped())
        return;
    EXPECT_TRUE(PlayAndHear(Record()));
    EXPECT_EQ(player.DeviceError(), "");
    EXPECT_EQ(player.DriverName(), "pulseaudio");

    // The server goes away while the device is open, and comes back.
    server.Stop();
    recorders.clear();
    StartServer();
    MonitorRecorder& again = Record();
    EXPECT_TRUE(PlayAndHear(again));
    // The file open before the restart plays again on the new device.
    const double start = WallSeconds();
    player.Play();
    Sleep(kToneMs / 1000.0 + 0.4);
    EXPECT_GT(again.PeakBetween(start, start + kToneMs / 1000.0 + 0.3), kHeard);
}

// --- the program on the server ---------------------------------------------------------------

// The built program in a program folder of its own, ringing a short tone at given seconds.
class PulseProgramTest : public PulseTest {
  protected:
    void SetUp() override {
        if (!ProgramOnPath("pulseaudio"))
            GTEST_SKIP() << "pulseaudio is not installed";
        const fs::path built = fs::read_symlink("/proc/self/exe").parent_path() / "chimora";
        ASSERT_TRUE(fs::exists(built)) << built;
        fs::copy_file(built, folder.ExecutablePath());
        WriteToneWav(folder.MusicPath() + "tone.wav", kToneMs);
        folder.Insert("Config", Slurp(ProgramFolder::SourcePath("data/Config.jsonl")));
        folder.Insert("FANGAN", R"({"NAME": "默认方案", "ISACTIVE": "1"})"
                                "\n");
    }
    void TearDown() override {
        for (pid_t pid : programs)
            EndProcess(pid);
    }

    // Entries at the given wall-clock seconds, every day of the week; false when they would
    // cross midnight (the test then has nothing to say).
    bool RingAt(const std::vector<double>& dueSeconds) {
        std::string lines;
        for (double due : dueSeconds) {
            if (TimeOfDay(due) < TimeOfDay(dueSeconds.front()))
                return false;
            lines += R"({"WEEK1": "1", "WEEK2": "1", "WEEK3": "1", "WEEK4": "1", "WEEK5": "1", )"
                     R"("WEEK6": "1", "WEEK7": "1", "WEEK8": "0", "RINGDESC": "测试", )"
                     R"("RINGFILE": "tone.wav", "RINGTIME": ")" +
                     TimeOfDay(due) + R"(", "RINGPROJECT": "默认方案"})" + "\n";
        }
        folder.Insert("Ring1_7", lines);
        return true;
    }

    // Seconds from now on whole-second boundaries: the first after lead seconds, then every
    // step seconds.
    static std::vector<double> DueSeconds(int count, double lead, double step) {
        std::vector<double> due;
        const double first = std::ceil(WallSeconds() + lead);
        for (int i = 0; i < count; ++i)
            due.push_back(first + i * step);
        return due;
    }

    pid_t StartProgram() {
        std::vector<std::string> env = server.ClientEnvironment();
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("LANG=C.UTF-8");
        if (const char* tz = std::getenv("TZ"))
            env.push_back(std::string("TZ=") + tz);
        const int out = ::open((folder.AppPath() + "program.out").c_str(),
                               O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const pid_t pid = SpawnProgram({folder.ExecutablePath()}, env, out, out);
        ::close(out);
        EXPECT_GT(pid, 0);
        programs.push_back(pid);
        return pid;
    }

    std::string Log() const { return Slurp(folder.AppPath() + "chimora.log"); }

    // Sound from the due second on, and silence in the second before it.
    void ExpectHeardOnlyFrom(const MonitorRecorder& recorder, double due) {
        EXPECT_LT(recorder.PeakBetween(due - 0.9, due - 0.1), kHeard)
            << "sound before " << TimeOfDay(due);
        EXPECT_GT(recorder.PeakBetween(due, due + kToneMs / 1000.0 + 0.2), kHeard)
            << "nothing heard at " << TimeOfDay(due) << "\n"
            << Log();
    }

    ProgramFolder folder;
    std::vector<pid_t> programs;
};

TEST_F(PulseProgramTest, EveryDueRingIsHeardAfterItsSecondAndNotBefore) {
    StartServer();
    if (IsSkipped())
        return;
    MonitorRecorder& recorder = Record();
    const std::vector<double> due = DueSeconds(3, 4, 2);
    if (!RingAt(due))
        GTEST_SKIP() << "the rings would cross midnight";
    StartProgram();
    SleepUntil(due.back() + 1.5);
    for (double second : due)
        ExpectHeardOnlyFrom(recorder, second);
    EXPECT_EQ(CountLinesWith(Log(), "file \"tone.wav\"", ": played"), 3) << Log();
}

TEST_F(PulseProgramTest, RingAfterTheServerCameUpIsHeardWhenTheProgramStartedFirst) {
    const std::vector<double> due = DueSeconds(2, 4, 3);
    if (!RingAt(due))
        GTEST_SKIP() << "the rings would cross midnight";
    StartProgram();
    SleepUntil(due[0] + 0.8);  // the first ring finds no sound server
    StartServer();
    if (IsSkipped())
        return;
    MonitorRecorder& recorder = Record();
    SleepUntil(due[1] + 1.5);
    ExpectHeardOnlyFrom(recorder, due[1]);
    const std::string log = Log();
    EXPECT_EQ(CountLinesWith(log, "ring " + TimeOfDay(due[0]), "player error"), 1) << log;
    EXPECT_EQ(CountLinesWith(log, "ring " + TimeOfDay(due[1]), ": played"), 1) << log;
}

// A second start of the program for the same folder hands over to the running copy and ends;
// the bell rings once. The handover is built on branch i13b: enable this case (drop DISABLED_)
// when that branch is merged.
TEST_F(PulseProgramTest, DISABLED_SecondCopyHandsOverAndTheBellRingsOnce) {
    StartServer();
    if (IsSkipped())
        return;
    MonitorRecorder& recorder = Record();
    const std::vector<double> due = DueSeconds(2, 4, 8);
    if (!RingAt(due))
        GTEST_SKIP() << "the rings would cross midnight";
    StartProgram();
    SleepUntil(due[0] + 1.0);
    const pid_t copy = StartProgram();
    EXPECT_TRUE(WaitForExit(copy, 10000).has_value()) << "the second copy keeps running";
    SleepUntil(due[1] + 1.5);
    for (double second : due)
        ExpectHeardOnlyFrom(recorder, second);
    // Two copies would start the sound twice: two lines, and louder than one tone.
    EXPECT_EQ(CountLinesWith(Log(), "ring " + TimeOfDay(due[1]), ": played"), 1) << Log();
    EXPECT_LT(recorder.PeakBetween(due[1], due[1] + 1),
              1.4 * recorder.PeakBetween(due[0], due[0] + 1));
}

}  // namespace
}  // namespace chimora::testing
