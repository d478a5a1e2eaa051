#include "app/core/clock_watch.h"

#include "app/core/silence_texts.h"

namespace chimora {

using platform::TimeSyncState;

ClockWatch::ClockWatch(platform::TimeSync& sync, SilenceWarnings& warnings,
                       std::function<void(const std::string&)> log)
    : sync_(sync),
      warnings_(warnings),
      log_(std::move(log)),
      self_(std::make_shared<ClockWatch*>(this)) {}

ClockWatch::~ClockWatch() {
    *self_ = nullptr;
}

void ClockWatch::Check() {
    std::weak_ptr<ClockWatch*> self = self_;
    sync_.Query([self](const TimeSyncState& state) {
        if (const auto watch = self.lock(); watch && *watch)
            (*watch)->Heard(state);
    });
}

void ClockWatch::Heard(const TimeSyncState& state) {
    const bool changed = lastKind_ != state.kind || lastNtp_ != state.ntpEnabled;
    lastKind_ = state.kind;
    lastNtp_ = state.ntpEnabled;
    switch (state.kind) {
        case TimeSyncState::Kind::Synchronised:
            warnings_.Clear(SilenceCause::ClockNotSynchronised);
            if (changed && log_)
                log_("clock synchronised");
            break;
        case TimeSyncState::Kind::NotSynchronised:
            warnings_.Raise(SilenceCause::ClockNotSynchronised,
                            SilenceTexts::ClockNotSynchronised(state.ntpEnabled));
            if (changed && log_)
                log_(std::string("clock not synchronised, time sync ") +
                     (state.ntpEnabled ? "on" : "off"));
            break;
        case TimeSyncState::Kind::Unknown:
            // Without a time service nobody can tell; a warning would cry wolf on every
            // machine without systemd.
            warnings_.Clear(SilenceCause::ClockNotSynchronised);
            if (changed && log_)
                log_("clock synchronisation unknown: " + state.error);
            break;
    }
}

}  // namespace chimora
