#include "platform/linux/qt_tick_source.h"

#include <chrono>

namespace chimora::platform {

namespace {

struct WallClockReading {
    long long second;
    int millisecond;
};

WallClockReading ReadWallClock() {
    using namespace std::chrono;
    const long long ms =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return {ms / 1000, static_cast<int>(ms % 1000)};
}

}  // namespace

QtTickSource::QtTickSource() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { OnTimeout(); });
}

void QtTickSource::Start(std::function<void()> onTick) {
    onTick_ = std::move(onTick);
    lastTickSecond_ = ReadWallClock().second;
    timer_.start(DelayToNextTick(ReadWallClock().millisecond));
}

void QtTickSource::Stop() {
    timer_.stop();
    onTick_ = nullptr;
}

// A timer may wake a little early, still inside a second that has had its tick: then it
// only waits for the boundary. Every tick is scheduled afresh from the clock.
void QtTickSource::OnTimeout() {
    const WallClockReading now = ReadWallClock();
    timer_.start(DelayToNextTick(now.millisecond));
    if (now.second == lastTickSecond_) {
        return;
    }
    lastTickSecond_ = now.second;
    if (onTick_) {
        onTick_();
    }
}

}  // namespace chimora::platform
