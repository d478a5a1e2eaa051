#include "platform/linux/logind_power.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QString>
#include <cstdlib>

namespace chimora::platform {

namespace {

void CallManager(const QString& method, const QVariant& argument) {
    QDBusInterface manager("org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", QDBusConnection::systemBus());
    if (manager.isValid()) {
        manager.call(QDBus::NoBlock, method, argument);
    }
}

void TerminateOwnSession() {
    const char* id = std::getenv("XDG_SESSION_ID");
    if (id != nullptr && *id != '\0') {
        CallManager("TerminateSession", QString::fromLocal8Bit(id));
    }
}

}  // namespace

void LogindPower::Perform(PowerOperation operation) {
    const QVariant notInteractive(false);
    switch (operation) {
        case PowerOperation::ForcedLogOff:
        case PowerOperation::LogOff:
            TerminateOwnSession();
            break;
        case PowerOperation::PowerOff:
        case PowerOperation::ShutDown:
            CallManager("PowerOff", notInteractive);
            break;
        case PowerOperation::Restart:
            CallManager("Reboot", notInteractive);
            break;
    }
}

}  // namespace chimora::platform
