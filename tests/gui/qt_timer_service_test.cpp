#include <gtest/gtest.h>
#include <QElapsedTimer>

#include "app/gui/qt_timer_service.h"
#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

void RunEventsFor(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtTimerServiceTest, TimersTickOnTheEventLoopOnlyWhileEnabledAndNeverAfterDestruction) {
    TestApp();
    QtTimerService service;
    int ticks = 0;
    auto timer = service.CreateTimer([&ticks] { ++ticks; }, 5, false);
    EXPECT_FALSE(timer->Enabled());
    RunEventsFor(30);
    EXPECT_EQ(ticks, 0);

    timer->SetEnabled(true);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 5);
    RunEventsFor(60);
    EXPECT_GT(ticks, 0);

    timer.reset();
    const int before = ticks;
    RunEventsFor(30);
    EXPECT_EQ(ticks, before);
}

}  // namespace
}  // namespace chimora::testing
