#pragma once

#include <algorithm>
#include <chrono>

namespace chimdb {

// Tells a long piece of work, step by step, when a stretch of it has lasted its time, asking
// the clock no more often than needed: every step while steps are slow, every few dozen steps
// while they take microseconds.
class StretchClock {
  public:
    using Clock = std::chrono::steady_clock;

    explicit StretchClock(Clock::duration stretch) : stretch_(stretch) { Restart(); }

    // Called once per step: whether the stretch begun at the last Restart is over.
    bool StretchOver() {
        if (++steps_ < stepsPerLook_)
            return false;
        steps_ = 0;
        const Clock::time_point now = Clock::now();
        // Quick steps since the last look: look less often; slow ones: at every step.
        stepsPerLook_ =
            now - lastLook_ < stretch_ / 32 ? std::min(stepsPerLook_ * 2, kMostSteps) : 1;
        lastLook_ = now;
        return now - start_ >= stretch_;
    }
    void Restart() {
        start_ = lastLook_ = Clock::now();
        steps_ = 0;
    }

  private:
    static constexpr int kMostSteps = 64;

    Clock::duration stretch_;
    Clock::time_point start_;
    Clock::time_point lastLook_;
    int steps_ = 0;
    int stepsPerLook_ = 1;
};

}  // namespace chimdb
