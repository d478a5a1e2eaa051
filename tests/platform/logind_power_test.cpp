#include "platform/linux/logind_power.h"

#include <optional>

#include "tests/platform/private_bus.h"

namespace chimora::platform {
namespace {

using testing::SpinUntil;

// A logind that keeps each call until the test answers it.
class LogindPowerTest : public testing::PrivateBusTest {
  protected:
    void HostLogind() {
        Host(LogindPower::kService, LogindPower::kPath,
             [this](const QDBusMessage& message, const QDBusConnection& connection) {
                 calls.push_back(message);
                 connection_ = connection;
             });
    }
    void Reply(const QDBusMessage& reply) { connection_.send(reply); }
    std::vector<QDBusMessage> calls;
    QDBusConnection connection_{QString()};
};

TEST_F(LogindPowerTest, ShutdownAsksLogindNonInteractivelyAndHearsItIsDone) {
    HostLogind();
    LogindPower power(Client());
    std::optional<PowerOutcome> outcome;
    power.SetOutcomeHandler([&outcome](const PowerOutcome& o) { outcome = o; });
    power.Perform(PowerOperation::ShutDown);
    ASSERT_TRUE(SpinUntil([&] { return !calls.empty(); }));
    EXPECT_EQ(calls[0].interface(), QLatin1String(LogindPower::kInterface));
    EXPECT_EQ(calls[0].member(), QStringLiteral("PowerOff"));
    ASSERT_EQ(calls[0].arguments().size(), 1);
    EXPECT_EQ(calls[0].arguments()[0], QVariant(false));
    SpinUntil([] { return false; }, 100);
    EXPECT_FALSE(outcome);  // logind has not answered yet, and nothing waits for it

    Reply(calls[0].createReply());
    ASSERT_TRUE(SpinUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, PowerOutcome::Kind::Done);
}

TEST_F(LogindPowerTest, RefusalCarriesLogindsErrorNameAndText) {
    HostLogind();
    LogindPower power(Client());
    std::optional<PowerOutcome> outcome;
    power.SetOutcomeHandler([&outcome](const PowerOutcome& o) { outcome = o; });
    power.Perform(PowerOperation::Restart);
    ASSERT_TRUE(SpinUntil([&] { return !calls.empty(); }));
    EXPECT_EQ(calls[0].member(), QStringLiteral("Reboot"));
    Reply(calls[0].createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                    QStringLiteral("Interactive authentication required.")));
    ASSERT_TRUE(SpinUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, PowerOutcome::Kind::Refused);
    EXPECT_EQ(outcome->error,
              "org.freedesktop.DBus.Error.AccessDenied: Interactive authentication required.");
}

TEST_F(LogindPowerTest, NoLogindOnTheBusOrNoBusAtAllIsTold) {
    LogindPower power(Client());
    std::optional<PowerOutcome> outcome;
    power.SetOutcomeHandler([&outcome](const PowerOutcome& o) { outcome = o; });
    power.Perform(PowerOperation::ShutDown);
    ASSERT_TRUE(SpinUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, PowerOutcome::Kind::NoService);
    EXPECT_EQ(outcome->error.rfind("org.freedesktop.DBus.Error.ServiceUnknown: ", 0), 0u)
        << outcome->error;

    LogindPower unconnected(QDBusConnection(QStringLiteral("chimora-no-such-bus")));
    outcome.reset();
    unconnected.SetOutcomeHandler([&outcome](const PowerOutcome& o) { outcome = o; });
    unconnected.Perform(PowerOperation::ShutDown);
    EXPECT_FALSE(outcome);  // told later, as a reply would be
    ASSERT_TRUE(SpinUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, PowerOutcome::Kind::NoService);
}

}  // namespace
}  // namespace chimora::platform
