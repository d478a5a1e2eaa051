#pragma once

#include <memory>

#include "chimdb/timer_service.h"

namespace chimora {

// The store's timers (the flush timer of every open database) on Qt timers, so that they
// tick on the user-interface thread like everything else. Create it on that thread.
class QtTimerService : public chimdb::TimerService {
  public:
    std::unique_ptr<chimdb::Timer> CreateTimer(Handler handler, int intervalMilliseconds,
                                               bool enabled) override;
};

}  // namespace chimora
