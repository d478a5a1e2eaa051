#pragma once

#include "platform/local_date_time.h"

namespace chimora::platform {

// The local date and time. The engine reads the time only through this, so that tests
// can set the clock to any second.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

}  // namespace chimora::platform
