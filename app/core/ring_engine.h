#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/core/calendar_rule.h"
#include "app/core/curr_ring_obj.h"
#include "app/core/music_playback.h"
#include "app/core/pe_manager.h"
#include "app/core/program_state.h"
#include "app/core/ring_report.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace chimora {

// Decides when a bell rings. Works on memory only: RingList is filled by the schedule
// loader, and the engine compares it with the clock once a second.
class RingEngine {
  public:
    // How the engine reaches the main window without knowing it.
    struct Hooks {
        std::function<void(const std::string&)> showStatus;  // the run-state status panel
        std::function<void(int weekday)> ringStarted;        // a due ring was started
        std::function<void(const RingReport&)> ringReport;   // for the ring log
        // The scheduled shutdown was asked for: "requested", or the error text when the
        // power backend refused with an error. For the ring log.
        std::function<void(const std::string& result)> shutdownRequested = nullptr;
    };

    // A stall of the program of this many seconds is made good by playing an entry
    // that fell due in the skipped seconds; longer gaps (sleep, clock changes) are not.
    static constexpr int kMaxCatchUpGap = 5;

    RingEngine(ProgramState& state, const platform::Clock& clock, const platform::FileSystem& files,
               MusicPlayback& playback, PeManager& power, std::string musicPath);

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    bool IsRunning() const { return running_; }
    void SetRunning(bool running) { running_ = running; }

    // Rebuilds CurrRingList: the entries of RingList that ring today, in the same order.
    void GetCurrentData();
    // The first of today's entries whose time is now or later; empty when none is left.
    CurrRingObj GetNextRing();
    // The first of today's entries, now or later, that has a sound file: the one the status
    // line names. An entry without a file plays nothing, and naming none at it would tell
    // the user that today's bells are over while later ones will ring.
    CurrRingObj GetNextRingWithFile();
    // The one-second tick.
    void Timer1Timer();
    // Plays the first of today's entries due in the second of now; false when none is due.
    bool playMusic(const platform::LocalDateTime& now);
    // Composes the run-state line and hands it to showStatus.
    std::string setPanel1Val();

    // Today's calendar rule, if one governs today. Found again from the rules in memory
    // whenever the clock's date differs from the one it was found for (midnight, a clock
    // change) and after CalendarChanged; never reads a table.
    const std::optional<CalendarRule>& TodayRule();
    // The calendar in the program state was reloaded: today's rule is found afresh.
    void CalendarChanged() { resolvedDay_.reset(); }

  private:
    // The first of today's entries whose time is now or later (with a file name only, when
    // asked); empty when none is left.
    CurrRingObj FirstLaterRing(bool withFileOnly);
    // What rings today: which entries, by which weekday's flags.
    struct DaySchedule {
        const std::vector<RingObj>* entries;
        int weekday;
    };
    DaySchedule TodaysSchedule(const platform::LocalDateTime& now);
    const std::optional<CalendarRule>& RuleOf(std::int32_t day);
    // The plan named in the status line; a calendar day adds "（校历）".
    std::string PlanCaption(const std::optional<CalendarRule>& rule) const;
    // Plays the first of today's entries whose time text is t; false when none is due.
    bool PlayDueAt(const std::string& t, bool caughtUp, int delayMs);
    void CheckShutDown(const std::string& t);
    void Report(const CurrRingObj& ring, RingReport::Outcome outcome, std::string error,
                bool caughtUp, int delayMs);
    // Seconds since the previous tick, or nothing when it was on another day or never.
    std::optional<std::int64_t> SecondsSincePreviousTick(const platform::LocalDateTime& now);
    void CatchUp(const platform::LocalDateTime& now, std::int64_t gap);
    // Has the player get the ring of the next second ready, so that its tick only starts it.
    void PrepareNextSecond(const platform::LocalDateTime& now);

    ProgramState& state_;
    const platform::Clock& clock_;
    const platform::FileSystem& files_;
    MusicPlayback& playback_;
    PeManager& power_;
    std::string musicPath_;
    Hooks hooks_;
    bool running_ = false;
    std::optional<platform::LocalDateTime> previousTick_;
    std::optional<std::int32_t> resolvedDay_;
    std::optional<CalendarRule> todayRule_;
};

}  // namespace chimora
