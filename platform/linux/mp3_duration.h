#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace chimora::platform {

// Length of an MPEG audio stream in milliseconds, found by walking its frame headers.
// Exact for constant and variable bit rates alike, with or without a Xing header, which
// the decoder's own estimate is not. Nothing when no frame is found.
std::optional<long> Mp3DurationMs(std::span<const std::uint8_t> data);

}  // namespace chimora::platform
