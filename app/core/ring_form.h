#pragma once

#include <array>
#include <string>

namespace chimora {

// What a ring entry dialog holds when the user saves: the weekday boxes Monday ... Sunday and
// the temporary-ring box, the description as typed, the sound file relative to the music
// folder, the ring time as "hh:mm:ss" and the volume in percent (1..100).
struct RingForm {
    std::array<bool, 8> weeks{};
    std::string desc;
    std::string file;
    std::string time;
    int volume = 100;

    bool AnyWeek() const {
        for (bool checked : weeks) {
            if (checked)
                return true;
        }
        return false;
    }
};

}  // namespace chimora
