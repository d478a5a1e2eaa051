#include "platform/linux/timedated_time_sync.h"

#include <QVariantMap>
#include <optional>

#include "tests/platform/private_bus.h"

namespace chimora::platform {
namespace {

using testing::SpinUntil;

class TimedatedTimeSyncTest : public testing::PrivateBusTest {
  protected:
    // A timedate1 that answers GetAll with properties.
    void HostTimedate(const QVariantMap& properties) {
        Host(TimedatedTimeSync::kService, TimedatedTimeSync::kPath,
             [this, properties](const QDBusMessage& message, const QDBusConnection& connection) {
                 asked.push_back(message);
                 connection.send(message.createReply(QVariant(properties)));
             });
    }
    std::optional<TimeSyncState> Ask(TimeSync& sync) {
        std::optional<TimeSyncState> state;
        sync.Query([&state](const TimeSyncState& s) { state = s; });
        EXPECT_FALSE(state);  // never waited for
        SpinUntil([&] { return state.has_value(); });
        return state;
    }

    std::vector<QDBusMessage> asked;
};

TEST_F(TimedatedTimeSyncTest, ReadsBothPropertiesOfTimedate) {
    HostTimedate({{"NTPSynchronized", false}, {"NTP", true}, {"Timezone", "Asia/Shanghai"}});
    TimedatedTimeSync sync(Client());
    const auto state = Ask(sync);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->kind, TimeSyncState::Kind::NotSynchronised);
    EXPECT_TRUE(state->ntpEnabled);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].interface(), QStringLiteral("org.freedesktop.DBus.Properties"));
    EXPECT_EQ(asked[0].member(), QStringLiteral("GetAll"));
    EXPECT_EQ(asked[0].arguments().value(0).toString(), QLatin1String(TimedatedTimeSync::kService));
}

TEST_F(TimedatedTimeSyncTest, SynchronisedClock) {
    HostTimedate({{"NTPSynchronized", true}, {"NTP", false}});
    TimedatedTimeSync sync(Client());
    const auto state = Ask(sync);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->kind, TimeSyncState::Kind::Synchronised);
    EXPECT_FALSE(state->ntpEnabled);
}

TEST_F(TimedatedTimeSyncTest, WithoutTimedateOrWithoutItsPropertyNobodyCanTell) {
    TimedatedTimeSync missing(Client());
    auto state = Ask(missing);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->kind, TimeSyncState::Kind::Unknown);
    EXPECT_EQ(state->error.rfind("org.freedesktop.DBus.Error.ServiceUnknown", 0), 0u)
        << state->error;

    HostTimedate({{"NTP", true}});
    TimedatedTimeSync odd(Client());
    state = Ask(odd);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->kind, TimeSyncState::Kind::Unknown);
}

}  // namespace
}  // namespace chimora::platform
