#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/ring_engine.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_media_player.h"
#include "platform/fake/fake_power.h"

namespace chimora::testing {

inline const std::string kMusic = "/school/bell/music/";

// An entry of the active plan. days: eight characters "1"/"0" for WEEK1..WEEK8.
inline RingObj Ring(const std::string& time, const std::string& desc, const std::string& file,
                    const std::string& days) {
    RingObj ring;
    for (int d = 1; d <= 8; ++d) {
        ring.WeekFlag(d) = std::string(1, days.at(d - 1));
    }
    ring.RINGTIME = time;
    ring.RINGDESC = desc;
    ring.RINGFILE = file;
    return ring;
}

// The ring engine wired to fakes. The clock starts on Monday 2026-12-07 at 08:00:00.
class EngineTest : public ::testing::Test {
  protected:
    EngineTest() {
        engine.SetHooks({[this](const std::string& s) { status = s; },
                         [this](int weekday) { ringStarted.push_back(weekday); },
                         [this](const RingReport& r) { reports.push_back(r); }});
        engine.SetRunning(true);
    }

    void AddRing(const RingObj& ring, bool fileExists = true) {
        state.RingList.push_back(ring);
        if (fileExists)
            files.files.insert(kMusic + ring.RINGFILE);
    }

    // Ticks at the given second of the current day.
    void TickAt(int hour, int minute, int second) {
        clock.SetTime(hour, minute, second);
        engine.Timer1Timer();
    }

    std::vector<std::string> Plays() const {
        std::vector<std::string> plays;
        for (const std::string& call : player.calls) {
            if (call.rfind("play ", 0) == 0)
                plays.push_back(call.substr(5));
        }
        return plays;
    }

    ProgramState state;
    platform::FakeClock clock;
    platform::FakeFileSystem files;
    platform::FakeMediaPlayer player;
    platform::FakePower power;
    MusicPlayback playback{player};
    PeManager peManager{power};
    RingEngine engine{state, clock, files, playback, peManager, kMusic};
    std::string status;
    std::vector<int> ringStarted;
    std::vector<RingReport> reports;
};

}  // namespace chimora::testing
