// Cost of one tick of the ring engine with 1,000 entries in the active plan.
#include <benchmark/benchmark.h>

#include "app/core/ring_engine.h"
#include "app/core/time_of_day.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_media_player.h"
#include "platform/fake/fake_power.h"

namespace {

using namespace chimora;

void BM_TickWith1000Entries(benchmark::State& benchState) {
    ProgramState state;
    for (int i = 0; i < 1000; ++i) {
        RingObj ring;
        for (int d = 1; d <= 8; ++d)
            ring.WeekFlag(d) = (i + d) % 3 == 0 ? "0" : "1";
        ring.RINGTIME = TimeText(6 + i / 60 % 14, i % 60, i % 7);
        ring.RINGDESC = "第" + std::to_string(i) + "节课";
        ring.RINGFILE = "bells\\ring" + std::to_string(i % 10) + ".wav";
        state.RingList.push_back(ring);
    }
    platform::FakeClock clock;
    clock.Set(2026, 12, 9, 12, 34, 56);  // no entry is due: the common tick
    platform::FakeFileSystem files;
    platform::FakeMediaPlayer player;
    platform::FakePower power;
    MusicPlayback playback(player);
    PeManager peManager(power);
    RingEngine engine(state, clock, files, playback, peManager, "/opt/chimora/music/");
    engine.SetRunning(true);
    for (auto _ : benchState) {
        engine.Timer1Timer();
        benchmark::DoNotOptimize(state.CurrRingList.data());
    }
}
BENCHMARK(BM_TickWith1000Entries)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
