#pragma once

#include <vector>

#include "platform/power.h"

namespace chimora::platform {

// Records power requests; never switches anything off.
class FakePower : public Power {
  public:
    void EnableShutdownPrivilege() override { ++privilegeRequests; }
    void Perform(PowerOperation operation) override { operations.push_back(operation); }

    int privilegeRequests = 0;
    std::vector<PowerOperation> operations;
};

}  // namespace chimora::platform
