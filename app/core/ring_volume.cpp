#include "app/core/ring_volume.h"

#include <charconv>

namespace chimora {

int RingVolume::Percent(const std::string& stored) {
    int value = 0;
    const char* end = stored.data() + stored.size();
    const auto [stop, error] = std::from_chars(stored.data(), end, value);
    if (stored.empty() || error != std::errc() || stop != end)
        return kFull;
    if (value < kLowest || value > kFull)
        return kFull;
    return value;
}

std::string RingVolume::LogSuffix(int percent) {
    if (percent >= kFull)
        return {};
    return ", volume " + std::to_string(percent) + "%";
}

}  // namespace chimora
