#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

namespace chimora::testing {

// Writes a mono 16-bit PCM WAV file with a sine tone of the given length.
inline void WriteToneWav(const std::string& path, int milliseconds, int rate = 22050) {
    const std::uint32_t samples =
        static_cast<std::uint32_t>(std::int64_t(rate) * milliseconds / 1000);
    const std::uint32_t dataBytes = samples * 2;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (std::uint32_t i = 0; i < samples; ++i) {
        u16(static_cast<std::uint16_t>(std::int16_t(8000 * std::sin(i * 2 * M_PI * 440 / rate))));
    }
}

}  // namespace chimora::testing
