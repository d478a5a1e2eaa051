#pragma once

#include "platform/clock.h"

namespace chimora::platform {

// The machine's local time.
class SystemClock : public Clock {
  public:
    LocalDateTime Now() const override;
};

}  // namespace chimora::platform
