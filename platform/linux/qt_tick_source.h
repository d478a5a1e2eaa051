#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "platform/tick_source.h"

namespace chimora::platform {

// Fires a few milliseconds after every wall-clock second boundary. Each tick schedules
// the next one afresh from the clock, so timer drift never accumulates into a skipped second.
class QtTickSource : public TickSource {
  public:
    // How long after the boundary a tick fires, so that the clock already reads the new second.
    static constexpr int kOffsetMs = 5;

    QtTickSource();
    void Start(std::function<void()> onTick) override;
    void Stop() override;

    // Milliseconds from a clock reading with the given millisecond to the next tick.
    static int DelayToNextTick(int millisecond) { return 1000 - millisecond + kOffsetMs; }

  private:
    void OnTimeout();

    QTimer timer_;
    std::function<void()> onTick_;
    long long lastTickSecond_ = -1;
};

}  // namespace chimora::platform
