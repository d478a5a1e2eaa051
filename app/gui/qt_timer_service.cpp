#include "app/gui/qt_timer_service.h"

#include <QTimer>

namespace chimora {

namespace {

class QtTimer : public chimdb::Timer {
  public:
    QtTimer(chimdb::TimerService::Handler handler, int intervalMilliseconds, bool enabled)
        : handler_(std::move(handler)) {
        timer_.setInterval(intervalMilliseconds);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (handler_)
                handler_();
        });
        SetEnabled(enabled);
    }

    void SetInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int Interval() const override { return timer_.interval(); }
    void SetEnabled(bool enabled) override {
        if (enabled)
            timer_.start();
        else
            timer_.stop();
    }
    bool Enabled() const override { return timer_.isActive(); }

  private:
    chimdb::TimerService::Handler handler_;
    QTimer timer_;  // destroyed first: no timeout reaches a handler that is gone
};

}  // namespace

std::unique_ptr<chimdb::Timer> QtTimerService::CreateTimer(Handler handler,
                                                           int intervalMilliseconds, bool enabled) {
    return std::make_unique<QtTimer>(std::move(handler), intervalMilliseconds, enabled);
}

}  // namespace chimora
