#pragma once

#include <string>

namespace chimora {

// One ring due today. All fields empty means: no further ring today.
struct CurrRingObj {
    std::string WeekFlag;
    std::string RINGFILE;
    std::string RINGTIME;
    std::string RINGDESC;
    std::string RINGVOLUME;

    bool operator==(const CurrRingObj&) const = default;
};

}  // namespace chimora
