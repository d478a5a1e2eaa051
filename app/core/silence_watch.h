#pragma once

#include <string>

#include "app/core/program_state.h"
#include "app/core/ring_report.h"
#include "app/core/silence_warnings.h"
#include "platform/power.h"

namespace chimora {

// Turns what the program learns (a read of the database, a due ring, the schedule in
// memory) into the causes of silence that it shows while they last.
class SilenceWatch {
  public:
    explicit SilenceWatch(SilenceWarnings& warnings) : warnings_(warnings) {}

    // The last reads of the database: error is the store's message, empty when they read.
    void DatabaseRead(const std::string& error);
    // From memory only, so that the tick may call it: no active plan, or one without entries.
    // While the database cannot be read, that cause alone says why nothing rings. A failed
    // shutdown is over once the daily shutdown is switched off.
    void ScheduleInMemory(const ProgramState& state);
    // What became of a due ring.
    void RingDone(const RingReport& report);
    // The scheduled shutdown could not even be asked for: error is why.
    void ShutdownNotRequested(const std::string& error);
    // The power service's answer to the scheduled shutdown; returns the ring-log line.
    std::string ShutdownAnswered(const platform::PowerOutcome& outcome);

  private:
    SilenceWarnings& warnings_;
};

}  // namespace chimora
