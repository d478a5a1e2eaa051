#pragma once

#include <functional>

namespace chimora::platform {

// Requests from outside to end the program (the system shutting down, the session closing,
// Ctrl+C in a terminal), so that it can still close its database files properly instead of
// dying in the middle.
class TerminationRequests {
  public:
    virtual ~TerminationRequests() = default;
    // Called on the program's thread once per request, with the system's number for it (on
    // Linux the signal's). Requests that came before a handler was set wait for it.
    virtual void SetHandler(std::function<void(int requestNumber)> handler) = 0;
};

}  // namespace chimora::platform
