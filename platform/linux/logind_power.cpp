#include "platform/linux/logind_power.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <cstdlib>

namespace chimora::platform {

namespace {

// Errors that mean nobody is there to ask, as opposed to a logind that said no.
bool MeansNoService(QDBusError::ErrorType type) {
    switch (type) {
        case QDBusError::ServiceUnknown:
        case QDBusError::NoServer:
        case QDBusError::Disconnected:
        case QDBusError::UnknownObject:
        case QDBusError::UnknownInterface:
        case QDBusError::UnknownMethod:
            return true;
        default:
            return false;
    }
}

}  // namespace

LogindPower::LogindPower(QDBusConnection bus) : bus_(std::move(bus)) {}

void LogindPower::Perform(PowerOperation operation) {
    const QVariant notInteractive(false);
    switch (operation) {
        case PowerOperation::ForcedLogOff:
        case PowerOperation::LogOff: {
            const char* id = std::getenv("XDG_SESSION_ID");
            if (id == nullptr || *id == '\0') {
                Tell({PowerOutcome::Kind::NoService, "no session to end (XDG_SESSION_ID unset)"});
                return;
            }
            Call(QStringLiteral("TerminateSession"), QString::fromLocal8Bit(id));
            break;
        }
        case PowerOperation::PowerOff:
        case PowerOperation::ShutDown:
            Call(QStringLiteral("PowerOff"), notInteractive);
            break;
        case PowerOperation::Restart:
            Call(QStringLiteral("Reboot"), notInteractive);
            break;
    }
}

void LogindPower::Call(const QString& method, const QVariant& argument) {
    if (!bus_.isConnected()) {
        Tell({PowerOutcome::Kind::NoService,
              "no system bus: " + bus_.lastError().message().toStdString()});
        return;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), method);
    message << argument;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this](QDBusPendingCallWatcher* done) { Finished(done); });
}

void LogindPower::Finished(QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    const QDBusPendingReply<> reply = *watcher;
    if (!reply.isError()) {
        Tell({PowerOutcome::Kind::Done, {}});
        return;
    }
    const QDBusError error = reply.error();
    const std::string text = error.name().toStdString() + ": " + error.message().toStdString();
    Tell(
        {MeansNoService(error.type()) ? PowerOutcome::Kind::NoService : PowerOutcome::Kind::Refused,
         text});
}

void LogindPower::Tell(PowerOutcome outcome) {
    // Always later, on the event loop: the caller is the tick, and hears of it as of a reply.
    QTimer::singleShot(0, &context_, [this, outcome = std::move(outcome)] {
        if (handler_)
            handler_(outcome);
    });
}

}  // namespace chimora::platform
