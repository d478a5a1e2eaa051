#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/core/silence_warnings.h"
#include "platform/time_sync.h"

namespace chimora {

// A bell is only as right as the clock: asks the system whether its clock is synchronised
// (at start and every hour, never on the tick) and shows it while it is not.
class ClockWatch {
  public:
    static constexpr int kCheckIntervalMs = 60 * 60 * 1000;

    ClockWatch(platform::TimeSync& sync, SilenceWarnings& warnings,
               std::function<void(const std::string&)> log);
    ~ClockWatch();

    // Asks once; the answer raises or clears the warning. A change is logged, so that an
    // hourly check of a steady clock writes nothing.
    void Check();

  private:
    void Heard(const platform::TimeSyncState& state);

    platform::TimeSync& sync_;
    SilenceWarnings& warnings_;
    std::function<void(const std::string&)> log_;
    std::optional<platform::TimeSyncState::Kind> lastKind_;
    bool lastNtp_ = false;
    std::shared_ptr<ClockWatch*> self_;  // answers that come after the end find it empty
};

}  // namespace chimora
