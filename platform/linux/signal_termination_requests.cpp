#include "platform/linux/signal_termination_requests.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/linux/posix_write.h"

namespace chimora::platform {

namespace {

// The handler's way to the event loop: a plain function has no object to ask.
volatile std::sig_atomic_t signalWriteEnd = -1;

}  // namespace

SignalTerminationRequests::SignalTerminationRequests() {
    int ends[2] = {-1, -1};
    // Non-blocking, so that the handler never hangs the thread it interrupted: a socket
    // full of unread requests drops the next one, which asks for the same thing.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    writeEnd_ = ends[0];
    readEnd_ = ends[1];
    signalWriteEnd = writeEnd_;
    // Enabled once there is a handler; until then the requests wait in the socket.
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    notifier_->setEnabled(false);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Deliver(); });
    struct sigaction action {};
    action.sa_handler = &SignalTerminationRequests::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &previous_[i]);
}

SignalTerminationRequests::~SignalTerminationRequests() {
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    signalWriteEnd = -1;
    notifier_.reset();
    ::close(readEnd_);
    ::close(writeEnd_);
}

void SignalTerminationRequests::SetHandler(std::function<void(int requestNumber)> handler) {
    handler_ = std::move(handler);
    if (notifier_)
        notifier_->setEnabled(static_cast<bool>(handler_));
}

void SignalTerminationRequests::OnSignal(int signalNumber) {
    // Only async-signal-safe work here, and the interrupted code keeps its errno.
    const int savedErrno = errno;
    const char number = static_cast<char>(signalNumber);
    WriteAll(signalWriteEnd, std::string_view(&number, 1));
    errno = savedErrno;
}

void SignalTerminationRequests::Deliver() {
    unsigned char number = 0;
    if (::read(readEnd_, &number, 1) == 1 && handler_)
        handler_(number);
}

}  // namespace chimora::platform
