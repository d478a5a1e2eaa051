#pragma once

#include <string>

namespace chimora {

// One ring entry as read from the ring entry table; every field is the table field's text.
struct RingObj {
    std::string ID;
    std::string WEEK1;
    std::string WEEK2;
    std::string WEEK3;
    std::string WEEK4;
    std::string WEEK5;
    std::string WEEK6;
    std::string WEEK7;
    std::string WEEK8;
    std::string RINGDESC;
    std::string RINGFILE;
    std::string RINGTIME;
    std::string RINGVOLUME;  // percent, empty or "0" for full volume (see RingVolume)

    // The flag of weekday number 1..8 ("1" or "0"); empty for any other number.
    const std::string& WeekFlag(int weekday) const;
    std::string& WeekFlag(int weekday);

    bool operator==(const RingObj&) const = default;
};

}  // namespace chimora
