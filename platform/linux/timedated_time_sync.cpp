#include "platform/linux/timedated_time_sync.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>

namespace chimora::platform {

TimedatedTimeSync::TimedatedTimeSync(QDBusConnection bus) : bus_(std::move(bus)) {}

void TimedatedTimeSync::Query(Answer answer) {
    if (!bus_.isConnected()) {
        TimeSyncState state;
        state.error = "no system bus: " + bus_.lastError().message().toStdString();
        Tell(answer, std::move(state));
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    message << QString::fromLatin1(kService);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [answer = std::move(answer)](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         if (answer)
                             answer(Read(*done));
                     });
}

TimeSyncState TimedatedTimeSync::Read(QDBusPendingCallWatcher& watcher) {
    const QDBusPendingReply<QVariantMap> reply = watcher;
    TimeSyncState state;
    if (reply.isError()) {
        state.error =
            reply.error().name().toStdString() + ": " + reply.error().message().toStdString();
        return state;
    }
    const QVariantMap properties = reply.value();
    const QVariant synchronised = properties.value(QStringLiteral("NTPSynchronized"));
    if (!synchronised.isValid()) {
        state.error = "timedate1 does not tell NTPSynchronized";
        return state;
    }
    state.ntpEnabled = properties.value(QStringLiteral("NTP")).toBool();
    state.kind = synchronised.toBool() ? TimeSyncState::Kind::Synchronised
                                       : TimeSyncState::Kind::NotSynchronised;
    return state;
}

void TimedatedTimeSync::Tell(const Answer& answer, TimeSyncState state) {
    QTimer::singleShot(0, &context_, [answer, state = std::move(state)] {
        if (answer)
            answer(state);
    });
}

}  // namespace chimora::platform
