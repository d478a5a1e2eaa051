#pragma once

#include <QDBusConnection>
#include <QObject>

#include "platform/time_sync.h"

class QDBusPendingCallWatcher;

namespace chimora::platform {

// Reads NTPSynchronized and NTP of systemd-timedated over D-Bus, without waiting for it.
class TimedatedTimeSync : public TimeSync {
  public:
    static constexpr const char* kService = "org.freedesktop.timedate1";
    static constexpr const char* kPath = "/org/freedesktop/timedate1";

    // bus: the system bus; tests hand in a private one.
    explicit TimedatedTimeSync(QDBusConnection bus = QDBusConnection::systemBus());

    void Query(Answer answer) override;

  private:
    static TimeSyncState Read(QDBusPendingCallWatcher& watcher);
    void Tell(const Answer& answer, TimeSyncState state);

    QDBusConnection bus_;
    QObject context_;  // owns the watchers of calls in flight
};

}  // namespace chimora::platform
