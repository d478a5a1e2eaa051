#include "tools/bell_synth/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

namespace chimora::bell_synth {

namespace {

// WAV is little-endian whatever the machine is.
void PutLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

}  // namespace

bool WriteWavFile(const std::string& path, const std::vector<float>& samples, int sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string bytes = "RIFF";
    PutLittleEndian(bytes, 36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    PutLittleEndian(bytes, 16, 4);  // size of the format chunk
    PutLittleEndian(bytes, 1, 2);   // PCM
    PutLittleEndian(bytes, 1, 2);   // mono
    PutLittleEndian(bytes, static_cast<std::uint32_t>(sampleRate), 4);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(sampleRate) * 2, 4);  // bytes per second
    PutLittleEndian(bytes, 2, 2);                                           // bytes per frame
    PutLittleEndian(bytes, 16, 2);                                          // bits per sample
    bytes += "data";
    PutLittleEndian(bytes, dataBytes, 4);
    for (float sample : samples) {
        const long value = std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f);
        PutLittleEndian(bytes, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)), 2);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace chimora::bell_synth
