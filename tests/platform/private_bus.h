#pragma once

// A D-Bus daemon of the test's own, in a private folder, with fake system services hosted
// in the test process. It never touches the machine's own buses.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>

namespace chimora::testing {

inline void EnsureCoreApplication() {
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

// Runs the event loop until done() holds or a few seconds have passed.
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return done();
}

// An object on the bus whose every call goes to a handler; no moc needed.
class FakeObject : public QDBusVirtualObject {
  public:
    using Handler = std::function<void(const QDBusMessage&, const QDBusConnection&)>;
    explicit FakeObject(Handler handler) : handler_(std::move(handler)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        handler_(message, connection);
        return true;
    }

  private:
    Handler handler_;
};

class PrivateBusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureCoreApplication();
        ASSERT_TRUE(folder_.isValid());
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address",
                                      "--address=unix:dir=" + folder_.path()});
        ASSERT_TRUE(daemon_.waitForStarted(5000)) << "dbus-daemon (Debian dbus-daemon) missing";
        ASSERT_TRUE(SpinUntil([this] {
            daemon_.waitForReadyRead(20);
            address_ += daemon_.readAllStandardOutput();
            return address_.contains('\n');
        }));
        address_ = address_.trimmed();
        service_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address_), ServiceName()));
        client_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address_), ClientName()));
        ASSERT_TRUE(service_->isConnected());
        ASSERT_TRUE(client_->isConnected());
    }
    void TearDown() override {
        objects_.clear();
        service_.reset();
        client_.reset();
        QDBusConnection::disconnectFromBus(ServiceName());
        QDBusConnection::disconnectFromBus(ClientName());
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }

    // Hosts handler at path under the well-known name service.
    void Host(const QString& service, const QString& path, FakeObject::Handler handler) {
        objects_.push_back(std::make_unique<FakeObject>(std::move(handler)));
        ASSERT_TRUE(service_->registerVirtualObject(path, objects_.back().get()));
        ASSERT_TRUE(service_->registerService(service));
    }

    QDBusConnection& Client() { return *client_; }

  private:
    static QString ServiceName() { return QStringLiteral("chimora-test-service"); }
    static QString ClientName() { return QStringLiteral("chimora-test-client"); }

    QTemporaryDir folder_;
    QProcess daemon_;
    QByteArray address_;
    std::unique_ptr<QDBusConnection> service_;
    std::unique_ptr<QDBusConnection> client_;
    std::vector<std::unique_ptr<FakeObject>> objects_;
};

}  // namespace chimora::testing
