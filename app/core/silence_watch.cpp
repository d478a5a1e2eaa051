#include "app/core/silence_watch.h"

#include "app/core/silence_texts.h"

namespace chimora {

void SilenceWatch::DatabaseRead(const std::string& error) {
    if (error.empty())
        warnings_.Clear(SilenceCause::DatabaseUnreadable);
    else
        warnings_.Raise(SilenceCause::DatabaseUnreadable, SilenceTexts::DatabaseUnreadable(error));
}

void SilenceWatch::ScheduleInMemory(const ProgramState& state) {
    const bool readable = !warnings_.IsActive(SilenceCause::DatabaseUnreadable);
    if (readable && state.CurrFangAn.empty())
        warnings_.Raise(SilenceCause::NoActivePlan, SilenceTexts::kNoActivePlan);
    else
        warnings_.Clear(SilenceCause::NoActivePlan);
    if (readable && !state.CurrFangAn.empty() && state.RingList.empty())
        warnings_.Raise(SilenceCause::PlanWithoutEntries, SilenceTexts::kPlanWithoutEntries);
    else
        warnings_.Clear(SilenceCause::PlanWithoutEntries);
    if (state.SysConfig.ShutDown != "1")
        warnings_.Clear(SilenceCause::ShutdownFailed);
}

void SilenceWatch::ShutdownNotRequested(const std::string& error) {
    warnings_.Raise(SilenceCause::ShutdownFailed, SilenceTexts::ShutdownFailed(error));
}

std::string SilenceWatch::ShutdownAnswered(const platform::PowerOutcome& outcome) {
    using Kind = platform::PowerOutcome::Kind;
    switch (outcome.kind) {
        case Kind::Done:
            warnings_.Clear(SilenceCause::ShutdownFailed);
            return "scheduled shutdown: done";
        case Kind::Refused:
            warnings_.Raise(SilenceCause::ShutdownFailed,
                            SilenceTexts::ShutdownFailed("系统拒绝关机（" + outcome.error + "）"));
            return "scheduled shutdown refused: " + outcome.error;
        case Kind::NoService:
            warnings_.Raise(
                SilenceCause::ShutdownFailed,
                SilenceTexts::ShutdownFailed("没有可用的关机服务（" + outcome.error + "）"));
            return "scheduled shutdown: no logind: " + outcome.error;
    }
    return {};
}

void SilenceWatch::RingDone(const RingReport& report) {
    switch (report.outcome) {
        case RingReport::Outcome::Played:
            warnings_.Clear(SilenceCause::LastRingFailed);
            break;
        case RingReport::Outcome::FileMissing:
            warnings_.Raise(SilenceCause::LastRingFailed,
                            SilenceTexts::RingFileMissing(report.file));
            break;
        case RingReport::Outcome::Failed:
            // Whether the device was there is the player's to say (MusicPlayback shows it);
            // an error text is no reliable sign of it.
            warnings_.Raise(SilenceCause::LastRingFailed, SilenceTexts::RingFailed(report.error));
            break;
    }
}

}  // namespace chimora
