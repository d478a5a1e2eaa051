#pragma once

#include "platform/clock.h"

namespace chimora::platform {

class FakeClock : public Clock {
  public:
    LocalDateTime Now() const override { return now_; }

    void Set(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
        now_ = LocalDateTime{year, month, day, hour, minute, second, ms};
    }
    void SetTime(int hour, int minute, int second) {
        now_.hour = hour;
        now_.minute = minute;
        now_.second = second;
    }
    // Moves the clock forward by whole seconds, across midnight if need be.
    void Advance(int seconds);

  private:
    LocalDateTime now_{2026, 12, 7, 8, 0, 0, 0};  // a Monday
};

}  // namespace chimora::platform
