#pragma once

#include <functional>
#include <memory>

namespace chimdb {

// One repeating timer created by a TimerService. Destroying it stops it for good; the
// handler is never called after the destructor has returned.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

// The host's timers. The store runs no event loop of its own: the program hands in a service
// whose timers tick on its user-interface thread; tests and the command-line tool use the
// manual service and fire it by hand.
class TimerService {
  public:
    using Handler = std::function<void()>;

    virtual ~TimerService() = default;
    virtual std::unique_ptr<Timer> CreateTimer(Handler handler, int intervalMilliseconds,
                                               bool enabled) = 0;

    // The service that databases take when they are created: the one installed by the host,
    // or else the process-wide manual service (DefaultManualTimerService()).
    static TimerService& Default();
    // Installs the host's service (nullptr: back to the manual one). The service must outlive
    // every timer made from it: a database holds a timer only while it is connected, so the
    // host closes its databases (ChimSessionList::Shutdown) before it destroys the service.
    static void SetDefault(TimerService* service);
};

}  // namespace chimdb
