#pragma once

#include "platform/power.h"

namespace chimora {

// Power operations by their numeric code: 1 forced log off, 2 log off, 3 power off,
// 4 restart, 5 shut down. The program itself uses only 5.
class PeManager {
  public:
    explicit PeManager(platform::Power& power) : power_(power) {}

    // Enables the shutdown privilege, then performs the operation of the code;
    // any other code does nothing more. Results are not reported.
    void PowerOff(int code);

  private:
    platform::Power& power_;
};

}  // namespace chimora
