#pragma once

#include <functional>
#include <string>

namespace chimora::platform {

enum class PowerOperation { ForcedLogOff, LogOff, PowerOff, Restart, ShutDown };

// How a power request ended, once the system has answered.
struct PowerOutcome {
    enum class Kind {
        Done,       // accepted: the machine goes down
        Refused,    // the power service said no (policy, inhibitor)
        NoService,  // nothing there to act on it
    };
    Kind kind = Kind::Done;
    std::string error;  // Refused: "<error name>: <text>"; NoService: what was missing
};

// Ends the session or switches the machine off. Perform returns at once; the answer comes
// later through the outcome handler, on the program's thread.
class Power {
  public:
    using OutcomeHandler = std::function<void(const PowerOutcome&)>;

    virtual ~Power() = default;
    virtual void EnableShutdownPrivilege() = 0;
    virtual void Perform(PowerOperation operation) = 0;
    // Backends that cannot learn the outcome never call it.
    virtual void SetOutcomeHandler(OutcomeHandler handler) { (void)handler; }
};

}  // namespace chimora::platform
