#pragma once

#include <string>

namespace chimora {

// The three settings, as the texts of their Config rows; a missing row leaves its field empty.
struct ConfigObj {
    std::string AutoRun;
    std::string ShutDown;
    std::string ShutDownTime;
};

}  // namespace chimora
