#include "app/core/ring_engine.h"

#include <algorithm>
#include <exception>

#include "app/core/ring_volume.h"
#include "app/core/school_calendar.h"
#include "app/core/time_of_day.h"

namespace chimora {

RingEngine::RingEngine(ProgramState& state, const platform::Clock& clock,
                       const platform::FileSystem& files, MusicPlayback& playback, PeManager& power,
                       std::string musicPath)
    : state_(state),
      clock_(clock),
      files_(files),
      playback_(playback),
      power_(power),
      musicPath_(std::move(musicPath)) {}

const std::optional<CalendarRule>& RingEngine::TodayRule() {
    return RuleOf(SchoolCalendar::DayOf(clock_.Now()));
}

const std::optional<CalendarRule>& RingEngine::RuleOf(std::int32_t day) {
    if (resolvedDay_ != day) {
        todayRule_ = SchoolCalendar::RuleFor(state_.CalendarRules, day);
        resolvedDay_ = day;
    }
    return todayRule_;
}

RingEngine::DaySchedule RingEngine::TodaysSchedule(const platform::LocalDateTime& now) {
    static const std::vector<RingObj> kNothing;
    const int weekday = WeekdayNumber(now);
    const std::optional<CalendarRule>& rule = RuleOf(SchoolCalendar::DayOf(now));
    if (!rule)
        return {&state_.RingList, weekday};
    if (rule->KIND == CalendarRule::kNoBells)
        return {&kNothing, weekday};
    if (rule->KIND == CalendarRule::kMakeUp)
        return {&state_.RingList, rule->MakeUpWeekday()};
    if (rule->FANGAN == state_.CurrFangAn)
        return {&state_.RingList, weekday};
    const auto plan = state_.CalendarPlans.find(rule->FANGAN);
    return {plan == state_.CalendarPlans.end() ? &kNothing : &plan->second, weekday};
}

std::string RingEngine::PlanCaption(const std::optional<CalendarRule>& rule) const {
    if (!rule)
        return state_.CurrFangAn;
    if (rule->KIND == CalendarRule::kPlanDay)
        return rule->FANGAN + "（校历）";
    return state_.CurrFangAn + "（校历）";
}

void RingEngine::GetCurrentData() {
    const DaySchedule today = TodaysSchedule(clock_.Now());
    // Runs several times a tick: overwrite the elements in place so that their strings keep
    // their buffers and a steady schedule allocates nothing.
    std::vector<CurrRingObj>& list = state_.CurrRingList;
    std::size_t count = 0;
    for (const RingObj& ring : *today.entries) {
        const std::string& flag = ring.WeekFlag(today.weekday);
        if (flag != "1") {
            continue;
        }
        if (count == list.size()) {
            list.emplace_back();
        }
        CurrRingObj& item = list[count++];
        item.WeekFlag = flag;
        item.RINGFILE = ring.RINGFILE;
        item.RINGTIME = ring.RINGTIME;
        item.RINGDESC = ring.RINGDESC;
        item.RINGVOLUME = ring.RINGVOLUME;
    }
    list.resize(count);
}

CurrRingObj RingEngine::GetNextRing() {
    return FirstLaterRing(false);
}

CurrRingObj RingEngine::GetNextRingWithFile() {
    return FirstLaterRing(true);
}

CurrRingObj RingEngine::FirstLaterRing(bool withFileOnly) {
    const long now = TimeNumber(TimeText(clock_.Now()));
    GetCurrentData();
    for (const CurrRingObj& ring : state_.CurrRingList) {
        if (TimeNumber(ring.RINGTIME) >= now && (!withFileOnly || !ring.RINGFILE.empty())) {
            return ring;
        }
    }
    return {};
}

void RingEngine::Timer1Timer() {
    const platform::LocalDateTime now = clock_.Now();
    const std::optional<std::int64_t> gap = SecondsSincePreviousTick(now);
    state_.TodayWeek = WeekdayNumber(now);
    const std::string t = TimeText(now);
    CheckShutDown(t);
    setPanel1Val();
    if (!running_) {
        return;
    }
    if (!playMusic(now) && gap) {
        CatchUp(now, *gap);
    }
    PrepareNextSecond(now);
}

bool RingEngine::playMusic(const platform::LocalDateTime& now) {
    return PlayDueAt(TimeText(now), false, now.millisecond);
}

std::optional<std::int64_t> RingEngine::SecondsSincePreviousTick(
    const platform::LocalDateTime& now) {
    std::optional<std::int64_t> gap;
    if (previousTick_ && previousTick_->SameDate(now)) {
        gap = now.LocalSeconds() - previousTick_->LocalSeconds();
    }
    previousTick_ = now;
    return gap;
}

// A stall (heavy load, a late timer) can swallow the very second an entry was due in.
// Play the latest entry that fell due in the skipped seconds, so that a bell is late by
// a few seconds rather than missing for the day; at most one ring per tick.
void RingEngine::CatchUp(const platform::LocalDateTime& now, std::int64_t gap) {
    if (gap < 2 || gap > kMaxCatchUpGap) {
        return;
    }
    const int secondOfDay = now.hour * 3600 + now.minute * 60 + now.second;
    for (std::int64_t back = 1; back < gap; ++back) {
        const int s = secondOfDay - static_cast<int>(back);
        const int delayMs = static_cast<int>(back) * 1000 + now.millisecond;
        if (PlayDueAt(TimeText(s / 3600, s / 60 % 60, s % 60), true, delayMs)) {
            return;
        }
    }
}

// Opening the device and the file when the ring is due puts tens of milliseconds between the
// second and the sound; done a second early, the due tick only has to start it. The entry is
// the one the next tick would play: the first due then, unless its file is missing.
void RingEngine::PrepareNextSecond(const platform::LocalDateTime& now) {
    const int next = now.hour * 3600 + now.minute * 60 + now.second + 1;
    if (next >= 24 * 3600) {
        return;  // tomorrow's list is another one; that ring opens its file when due
    }
    const std::string t = TimeText(next / 3600, next / 60 % 60, next % 60);
    GetCurrentData();
    for (const CurrRingObj& ring : state_.CurrRingList) {
        if (ring.RINGTIME != t) {
            continue;
        }
        const std::string path = musicPath_ + ring.RINGFILE;
        if (files_.FileExists(path)) {
            playback_.Prepare(path);
        }
        return;
    }
}

void RingEngine::CheckShutDown(const std::string& t) {
    const ConfigObj& config = state_.SysConfig;
    if (config.ShutDown != "1" || config.ShutDownTime != t) {
        return;
    }
    // A refused shutdown leaves the program running and ringing; only the log hears of it.
    std::string result = "requested";
    try {
        power_.PowerOff(5);
    } catch (const std::exception& error) {
        result = error.what();
    } catch (...) {
        result = "unknown error";
    }
    if (hooks_.shutdownRequested) {
        hooks_.shutdownRequested(result);
    }
}

bool RingEngine::PlayDueAt(const std::string& t, bool caughtUp, int delayMs) {
    GetCurrentData();
    const auto isDue = [&t](const CurrRingObj& ring) { return ring.RINGTIME == t; };
    if (std::none_of(state_.CurrRingList.begin(), state_.CurrRingList.end(), isDue)) {
        return false;
    }
    // A make-up day shows the weekday it rings as.
    const int today = TodaysSchedule(clock_.Now()).weekday;
    // Copied: the answer to ringStarted may reload the lists under our feet.
    const std::vector<CurrRingObj> todays = state_.CurrRingList;
    for (const CurrRingObj& ring : todays) {
        if (!isDue(ring)) {
            continue;
        }
        try {
            const std::string path = musicPath_ + ring.RINGFILE;
            const bool exists = files_.FileExists(path);
            if (exists) {
                playback_.play(path, RingVolume::Percent(ring.RINGVOLUME));
            }
            Report(ring, exists ? RingReport::Outcome::Played : RingReport::Outcome::FileMissing,
                   {}, caughtUp, delayMs);
            if (hooks_.ringStarted) {
                hooks_.ringStarted(today);
            }
            return true;
        } catch (const std::exception& error) {
            // A due ring never shows a message; the walk goes on with the next entry.
            Report(ring, RingReport::Outcome::Failed, error.what(), caughtUp, delayMs);
        } catch (...) {
            Report(ring, RingReport::Outcome::Failed, "unknown error", caughtUp, delayMs);
        }
    }
    return true;
}

void RingEngine::Report(const CurrRingObj& ring, RingReport::Outcome outcome, std::string error,
                        bool caughtUp, int delayMs) {
    if (hooks_.ringReport) {
        hooks_.ringReport(RingReport{ring.RINGTIME, ring.RINGDESC, ring.RINGFILE, outcome,
                                     std::move(error), caughtUp, delayMs,
                                     RingVolume::Percent(ring.RINGVOLUME)});
    }
}

std::string RingEngine::setPanel1Val() {
    std::string text;
    const std::optional<CalendarRule> rule = TodayRule();
    if (!running_) {
        text = "停止中    方案:" + state_.CurrFangAn;
    } else if (rule && rule->KIND == CalendarRule::kNoBells) {
        text = "运行中    今日不打铃：" + rule->NOTE + "    方案:" + state_.CurrFangAn;
    } else if (const CurrRingObj next = GetNextRingWithFile(); !next.RINGFILE.empty()) {
        text = "运行中    下一首播放曲目:" + next.RINGDESC + "   时间:" + next.RINGTIME +
               "    方案:" + PlanCaption(rule);
    } else {
        text = "运行中    当天曲目已经播放完成    方案:" + PlanCaption(rule);
    }
    if (hooks_.showStatus) {
        hooks_.showStatus(text);
    }
    return text;
}

}  // namespace chimora
