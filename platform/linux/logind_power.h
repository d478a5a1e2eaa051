#pragma once

#include "platform/power.h"

namespace chimora::platform {

// Power operations through systemd-logind on the system bus. A refused request (no
// permission, no logind) is ignored, as the program reports nothing about it.
class LogindPower : public Power {
  public:
    void EnableShutdownPrivilege() override {}  // logind decides by its own policy
    void Perform(PowerOperation operation) override;
};

}  // namespace chimora::platform
