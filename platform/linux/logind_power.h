#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include "platform/power.h"

class QDBusPendingCallWatcher;

namespace chimora::platform {

// Power operations through systemd-logind. The request is sent without waiting; logind's
// answer (done, refused by its policy, or no logind at all) comes to the outcome handler
// when it arrives, so that the tick never blocks on it.
class LogindPower : public Power {
  public:
    static constexpr const char* kService = "org.freedesktop.login1";
    static constexpr const char* kPath = "/org/freedesktop/login1";
    static constexpr const char* kInterface = "org.freedesktop.login1.Manager";

    // bus: the system bus; tests hand in a private one.
    explicit LogindPower(QDBusConnection bus = QDBusConnection::systemBus());

    void EnableShutdownPrivilege() override {}  // logind decides by its own policy
    void Perform(PowerOperation operation) override;
    void SetOutcomeHandler(OutcomeHandler handler) override { handler_ = std::move(handler); }

  private:
    void Call(const QString& method, const QVariant& argument);
    void Finished(QDBusPendingCallWatcher* watcher);
    void Tell(PowerOutcome outcome);

    QDBusConnection bus_;
    QObject context_;  // owns the watchers of calls in flight
    OutcomeHandler handler_;
};

}  // namespace chimora::platform
