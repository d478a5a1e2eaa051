#pragma once

#include <string>

namespace chimora {

// The volume of one ring entry, RINGVOLUME: 1 to 100 percent. Every entry made before the
// field was used holds nothing there (or 0), and must ring as loud as it always did, so
// anything that is no percent in range counts as full volume.
class RingVolume {
  public:
    static constexpr int kFull = 100;
    static constexpr int kLowest = 1;

    // The percent a stored RINGVOLUME text stands for.
    static int Percent(const std::string& stored);
    // What the ring log adds after a ring: nothing at full volume, ", volume 40%" else.
    static std::string LogSuffix(int percent);
};

}  // namespace chimora
