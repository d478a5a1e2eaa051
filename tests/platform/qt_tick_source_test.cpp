#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <vector>

#include "platform/linux/qt_tick_source.h"
#include "platform/linux/system_clock.h"

namespace chimora::platform {
namespace {

TEST(QtTickSourceTest, NextTickIsJustAfterTheNextSecondBoundary) {
    EXPECT_EQ(QtTickSource::DelayToNextTick(0), 1005);
    EXPECT_EQ(QtTickSource::DelayToNextTick(5), 1000);
    EXPECT_EQ(QtTickSource::DelayToNextTick(999), 6);
}

TEST(QtTickSourceTest, TicksFallInConsecutiveSecondsWithoutRepeats) {
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);

    SystemClock clock;
    std::vector<std::int64_t> seconds;
    QtTickSource ticks;
    ticks.Start([&] { seconds.push_back(clock.Now().LocalSeconds()); });
    QElapsedTimer timer;
    timer.start();
    while (seconds.size() < 3 && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    ticks.Stop();
    ASSERT_GE(seconds.size(), 2u);
    for (std::size_t i = 1; i < seconds.size(); ++i) {
        EXPECT_GT(seconds[i], seconds[i - 1]);
    }
}

}  // namespace
}  // namespace chimora::platform
