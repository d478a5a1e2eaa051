#include "platform/linux/signal_termination_requests.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <array>
#include <csignal>
#include <vector>

namespace chimora::platform {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t earlierHandlerCalls = 0;

void EarlierHandler(int) {
    earlierHandlerCalls = earlierHandlerCalls + 1;
}

// Every test starts with a handler of its own on the three signals, as a program might have
// had before, and gives the process its own dispositions back at the end.
class SignalTerminationRequestsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "platform_tests";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
        struct sigaction earlier {};
        earlier.sa_handler = &EarlierHandler;
        sigemptyset(&earlier.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            ::sigaction(kSignals[i], &earlier, &original_[i]);
        earlierHandlerCalls = 0;
    }
    void TearDown() override {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            ::sigaction(kSignals[i], &original_[i], nullptr);
    }

    // Runs the event loop until count requests have come, or until a tenth of a second went
    // by without one.
    void AwaitRequests(std::size_t count) {
        QElapsedTimer quiet;
        quiet.start();
        while (received.size() < count && quiet.elapsed() < 100) {
            const std::size_t before = received.size();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (received.size() != before)
                quiet.restart();
        }
    }
    void RecordInto(SignalTerminationRequests& requests) {
        requests.SetHandler([this](int number) { received.push_back(number); });
    }

    std::vector<int> received;

  private:
    std::array<struct sigaction, kSignals.size()> original_{};
};

TEST_F(SignalTerminationRequestsTest, EachSignalReachesTheHandlerInOrderAndAnEarlyOneWaits) {
    SignalTerminationRequests requests;
    std::raise(SIGTERM);
    QCoreApplication::processEvents();
    RecordInto(requests);
    std::raise(SIGINT);
    std::raise(SIGHUP);
    AwaitRequests(3);
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
    EXPECT_EQ(earlierHandlerCalls, 0);
}

TEST_F(SignalTerminationRequestsTest, ManyUnreadRequestsNeverHangTheSignalHandler) {
    SignalTerminationRequests requests;
    RecordInto(requests);
    // Far more than the socket holds while the event loop is busy elsewhere: the handler
    // must drop the rest, not wait for a reader that is the thread it interrupted. A hang
    // ends the test program by the alarm's default action.
    ::alarm(10);
    for (int i = 0; i < 20000; ++i)
        std::raise(SIGHUP);
    ::alarm(0);
    AwaitRequests(20000);
    EXPECT_GE(received.size(), 1u);
    EXPECT_LE(received.size(), 20000u);
}

TEST_F(SignalTerminationRequestsTest, EndingGivesTheSignalsBackWhatTheyDidBefore) {
    {
        SignalTerminationRequests requests;
        RecordInto(requests);
    }
    for (const int number : kSignals) {
        struct sigaction now {};
        ::sigaction(number, nullptr, &now);
        ASSERT_EQ(now.sa_handler, &EarlierHandler) << "signal " << number;
    }
    std::raise(SIGHUP);
    QCoreApplication::processEvents();
    EXPECT_EQ(earlierHandlerCalls, 1);
    EXPECT_TRUE(received.empty());
}

}  // namespace
}  // namespace chimora::platform
