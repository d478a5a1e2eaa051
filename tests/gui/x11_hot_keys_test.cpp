#include "platform/linux/x11_hot_keys.h"

#include <gtest/gtest.h>

#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

// Without an X server (offscreen, Wayland) nothing can be grabbed: registration reports
// failure, and the window runs on without its hot keys.
TEST(X11HotKeysTest, WithoutX11NothingIsGrabbedAndNothingFires) {
    TestApp();
    platform::X11HotKeys keys;
    EXPECT_FALSE(keys.Available());
    int fired = 0;
    keys.SetHandler([&fired](int) { ++fired; });
    EXPECT_FALSE(
        keys.RegisterHotKey(1, platform::HotKeys::kModControl | platform::HotKeys::kModAlt, 'S'));
    keys.UnregisterHotKey(1);
    EXPECT_EQ(fired, 0);
}

}  // namespace
}  // namespace chimora::testing
