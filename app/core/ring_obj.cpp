#include "app/core/ring_obj.h"

namespace chimora {

const std::string& RingObj::WeekFlag(int weekday) const {
    static const std::string none;
    switch (weekday) {
        case 1:
            return WEEK1;
        case 2:
            return WEEK2;
        case 3:
            return WEEK3;
        case 4:
            return WEEK4;
        case 5:
            return WEEK5;
        case 6:
            return WEEK6;
        case 7:
            return WEEK7;
        case 8:
            return WEEK8;
        default:
            return none;
    }
}

std::string& RingObj::WeekFlag(int weekday) {
    return const_cast<std::string&>(static_cast<const RingObj&>(*this).WeekFlag(weekday));
}

}  // namespace chimora
