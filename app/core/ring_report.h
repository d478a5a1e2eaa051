#pragma once

#include <string>

namespace chimora {

// What became of one due ring; the program writes it to its ring log.
struct RingReport {
    enum class Outcome { Played, FileMissing, Failed };

    std::string time;  // the entry's RINGTIME
    std::string description;
    std::string file;  // RINGFILE as stored
    Outcome outcome = Outcome::Played;
    std::string error;      // the error text when Failed
    bool caughtUp = false;  // played late, after a stall of the program
    int delayMs = 0;        // how long after the entry's second began it was started
    int volume = 100;       // percent the ring was played at
};

}  // namespace chimora
