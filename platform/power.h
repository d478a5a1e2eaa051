#pragma once

namespace chimora::platform {

enum class PowerOperation { ForcedLogOff, LogOff, PowerOff, Restart, ShutDown };

// Ends the session or switches the machine off. Results are not reported: a refused
// request leaves the program running.
class Power {
  public:
    virtual ~Power() = default;
    virtual void EnableShutdownPrivilege() = 0;
    virtual void Perform(PowerOperation operation) = 0;
};

}  // namespace chimora::platform
