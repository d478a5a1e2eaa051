#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

const std::string kRings = RingLine("P", "08:00:00", "first", "bell.wav", "10000000") +
                           RingLine("P", "11:00:00", "friday", "bell.wav", "00001000");

TEST_F(MainWindowTest, LaterStartShowsTheWindowWithItsShowStepsWhetherHiddenOrVisible) {
    Plan(kRings);
    FrmMain& frm = Shown();

    PickTab(4);
    frm.hide();
    frm.ShowForLaterStart();
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"first"});

    // Already on screen: the show steps still run (the user asked to see it afresh).
    PickTab(4);
    frm.ShowForLaterStart();
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"first"});
    EXPECT_TRUE(frm.Engine().IsRunning());
}

}  // namespace
}  // namespace chimora::testing
