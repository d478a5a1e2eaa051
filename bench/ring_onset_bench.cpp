// How late a due bell is heard: the ring path of the program (the tick source aligned to the
// second, the ring engine, the playback operations and the SDL2_mixer player) rings a tone at
// 8 due seconds on a PulseAudio null sink of its own, whose monitor is recorded, while both
// cores are kept busy. The onset is the first recorded sample of the tone, in ms after the
// second. The peer, in the same run: the same path with the device settings the program had
// before (a 2048-frame buffer, each file opened only when due).
//
// Run: build/bin/ring_onset_bench [rings per setting, default 8]
// Environment: CHIMORA_BENCH_IDLE=1 leaves the cores idle; CHIMORA_BENCH_RT=1 gives the sound
// server real-time scheduling, as a desktop's has; CHIMORA_BENCH_FRAMES=n tries another
// buffer size for the current settings.

#include <unistd.h>
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/core/music_playback.h"
#include "app/core/pe_manager.h"
#include "app/core/program_state.h"
#include "app/core/ring_engine.h"
#include "platform/fake/fake_power.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/qt_tick_source.h"
#include "platform/linux/sdl_media_player.h"
#include "platform/linux/system_clock.h"
#include "tests/platform/wav_writer.h"
#include "tests/support/pulse_server.h"

namespace {

using chimora::testing::MonitorRecorder;
using chimora::testing::PulseServer;
using chimora::testing::WallSeconds;

constexpr int kToneMs = 400;
constexpr double kStepSeconds = 2;
constexpr int kOnsetThreshold = 300;  // the tone's second sample is about 1000

struct Ring {
    double due = 0;
    int playCallMs = -1;  // when the engine started it, by its own clock
    double onsetMs = NAN;
};

std::string TimeOfDay(double wall) {
    const std::time_t seconds = static_cast<std::time_t>(wall);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// Keeps every core busy with arithmetic until stopped.
class BusyCores {
  public:
    BusyCores() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i)
            threads_.emplace_back([this] {
                volatile double x = 1;
                while (!stop_)
                    x = x * 1.0000001 + 1e-9;
            });
    }
    ~BusyCores() {
        stop_ = true;
        for (std::thread& t : threads_)
            t.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// Rings count tones through the program's ring path with the given device settings.
std::vector<Ring> RingThroughTheProgramPath(chimora::platform::SdlDeviceSettings settings,
                                            const std::string& musicPath, int count,
                                            const MonitorRecorder& recorder) {
    chimora::ProgramState state;
    chimora::platform::SystemClock clock;
    chimora::platform::LinuxFileSystem files;
    chimora::platform::FakePower power;
    chimora::platform::QtTickSource ticks;
    chimora::platform::SdlMediaPlayer player(settings);
    chimora::MusicPlayback playback(player);
    chimora::PeManager peManager(power);
    chimora::RingEngine engine(state, clock, files, playback, peManager, musicPath);

    std::vector<Ring> rings(count);
    const double first = std::ceil(WallSeconds() + 2.5);
    for (int i = 0; i < count; ++i) {
        rings[i].due = first + i * kStepSeconds;
        chimora::RingObj entry;
        for (int d = 1; d <= 7; ++d)
            entry.WeekFlag(d) = "1";
        entry.WeekFlag(8) = "0";
        entry.RINGTIME = TimeOfDay(rings[i].due);
        entry.RINGFILE = "tone.wav";
        state.RingList.push_back(entry);
    }
    int played = 0;
    chimora::RingEngine::Hooks hooks;
    hooks.ringReport = [&](const chimora::RingReport& report) {
        if (played < count)
            rings[played++].playCallMs = report.delayMs;
    };
    engine.SetHooks(std::move(hooks));
    engine.SetRunning(true);
    ticks.Start([&engine] { engine.Timer1Timer(); });

    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, [] { QCoreApplication::quit(); });
    end.start(static_cast<int>((rings.back().due + 1.5 - WallSeconds()) * 1000));
    QCoreApplication::exec();
    ticks.Stop();

    for (Ring& ring : rings) {
        if (auto onset = recorder.OnsetBetween(ring.due - 0.3, ring.due + 0.5, kOnsetThreshold))
            ring.onsetMs = (*onset - ring.due) * 1000;
    }
    return rings;
}

// CPU time, in ms, that a process has used.
double ProcessCpuMs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14)
            ticks += std::stol(field);  // utime, stime
    }
    return ticks * 1000.0 / ::sysconf(_SC_CLK_TCK);
}

// What an open, silent device costs per second: the player's process and the sound server.
std::pair<double, double> IdleDeviceCost(chimora::platform::SdlDeviceSettings settings,
                                         const std::string& tone, pid_t server) {
    chimora::platform::SdlMediaPlayer player(settings);
    player.SetFileName(tone);
    player.Open();  // opens the device; nothing plays
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double self0 = ProcessCpuMs(::getpid());
    const double server0 = ProcessCpuMs(server);
    constexpr int kSeconds = 5;
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    return {(ProcessCpuMs(::getpid()) - self0) / kSeconds,
            (ProcessCpuMs(server) - server0) / kSeconds};
}

double Worst(const std::vector<Ring>& rings) {
    double worst = -1e9;
    for (const Ring& ring : rings)
        worst = std::max(worst, std::isnan(ring.onsetMs) ? 1e9 : ring.onsetMs);
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    QCoreApplication app(argc, argv);

    PulseServer server;
    std::string why;
    const bool realtime = std::getenv("CHIMORA_BENCH_RT") != nullptr;
    const bool idle = std::getenv("CHIMORA_BENCH_IDLE") != nullptr;
    if (!server.Start(&why, realtime)) {
        std::fprintf(stderr, "ring_onset_bench: %s\n", why.c_str());
        return 1;
    }
    for (const std::string& entry : server.ClientEnvironment()) {
        const std::size_t eq = entry.find('=');
        ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
    }
    const std::filesystem::path music = server.Root() / "music";
    std::filesystem::create_directories(music);
    chimora::testing::WriteToneWav((music / "tone.wav").string(), kToneMs);

    MonitorRecorder recorder(server);
    if (!recorder.Start() || !recorder.WaitUntilRecording()) {
        std::fprintf(stderr, "ring_onset_bench: parec does not record\n");
        return 1;
    }

    chimora::platform::SdlDeviceSettings current;
    // Rings of a school day lie minutes apart, so each finds its device closed for silence and
    // opens it at its preparation; a short idle close makes the bench's rings do the same.
    current.idleCloseMs = 500;
    if (const char* frames = std::getenv("CHIMORA_BENCH_FRAMES"))
        current.bufferFrames = std::atoi(frames);
    std::vector<Ring> now;
    std::vector<Ring> before;
    {
        std::unique_ptr<BusyCores> busy;
        if (!idle)
            busy = std::make_unique<BusyCores>();
        now = RingThroughTheProgramPath(current, music.string() + "/", count, recorder);
        before = RingThroughTheProgramPath({2048, false, 0}, music.string() + "/", count, recorder);
    }

    std::printf(
        "Onset of a due ring on a PulseAudio null sink, all cores busy (ms after the "
        "second)\n");
    const std::string currentTitle = std::to_string(current.bufferFrames) + " frames, prepared";
    std::printf("%-6s %24s %24s\n", "ring", currentTitle.c_str(), "2048 frames, opened due");
    std::printf("%-6s %11s %12s %11s %12s\n", "", "play call", "heard", "play call", "heard");
    for (int i = 0; i < count; ++i) {
        std::printf("%-6d %11d %12.1f %11d %12.1f\n", i + 1, now[i].playCallMs, now[i].onsetMs,
                    before[i].playCallMs, before[i].onsetMs);
    }
    std::printf("%-6s %11s %12.1f %11s %12.1f\n", "worst", "", Worst(now), "", Worst(before));

    std::printf("\nAn open, silent device, cores idle (CPU ms per second)\n");
    std::printf("%-8s %10s %10s\n", "frames", "program", "server");
    for (int frames : {current.bufferFrames, 512, 2048}) {
        const auto [program, sound] =
            IdleDeviceCost({frames, true}, (music / "tone.wav").string(), server.Pid());
        std::printf("%-8d %10.2f %10.2f\n", frames, program, sound);
    }
    recorder.Stop();
    server.Stop();
    return 0;
}
