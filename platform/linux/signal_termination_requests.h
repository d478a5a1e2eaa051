#pragma once

#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <functional>
#include <memory>

#include "platform/termination_requests.h"

namespace chimora::platform {

// SIGTERM, SIGINT and SIGHUP. The signal handler only writes the number into a socket pair,
// which the event loop of the constructing thread reads and hands to the handler there.
// One instance per process. Where no socket pair can be made the signals keep what they did
// before: the program then ends on them the default way.
class SignalTerminationRequests : public TerminationRequests {
  public:
    SignalTerminationRequests();
    // Gives the signals back what they did before.
    ~SignalTerminationRequests() override;
    SignalTerminationRequests(const SignalTerminationRequests&) = delete;
    SignalTerminationRequests& operator=(const SignalTerminationRequests&) = delete;

    void SetHandler(std::function<void(int requestNumber)> handler) override;

  private:
    static constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

    static void OnSignal(int signalNumber);
    void Deliver();

    int readEnd_ = -1;
    int writeEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> handler_;
    std::array<struct sigaction, kSignals.size()> previous_{};
};

}  // namespace chimora::platform
