#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "chimdb/timer_service.h"

namespace chimdb {

// A timer service driven by hand: nothing ticks until Fire or Advance is called. Handlers run
// on the calling thread; an exception from a handler passes to the caller. Thread-safe.
class ManualTimerService : public TimerService {
  public:
    ManualTimerService();
    ~ManualTimerService() override;
    ManualTimerService(const ManualTimerService&) = delete;
    ManualTimerService& operator=(const ManualTimerService&) = delete;

    std::unique_ptr<Timer> CreateTimer(Handler handler, int intervalMilliseconds,
                                       bool enabled) override;

    // Ticks every enabled timer once, in creation order.
    void Fire();
    // Lets time pass: each enabled timer ticks once for every full interval that elapsed
    // since it was enabled or last ticked (an interval of 0 ticks once per call).
    void Advance(int milliseconds);
    // Timers that exist / are enabled.
    std::size_t TimerCount() const;
    std::size_t EnabledCount() const;

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// The process-wide manual service that TimerService::Default() returns while the host has
// installed none.
ManualTimerService& DefaultManualTimerService();

}  // namespace chimdb
