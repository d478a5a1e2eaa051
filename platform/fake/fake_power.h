#pragma once

#include <vector>

#include "platform/power.h"

namespace chimora::platform {

// Records power requests; never switches anything off. The test gives the answer.
class FakePower : public Power {
  public:
    void EnableShutdownPrivilege() override { ++privilegeRequests; }
    void Perform(PowerOperation operation) override { operations.push_back(operation); }
    void SetOutcomeHandler(OutcomeHandler handler) override { handler_ = std::move(handler); }

    void Answer(const PowerOutcome& outcome) {
        if (handler_)
            handler_(outcome);
    }

    int privilegeRequests = 0;
    std::vector<PowerOperation> operations;

  private:
    OutcomeHandler handler_;
};

}  // namespace chimora::platform
