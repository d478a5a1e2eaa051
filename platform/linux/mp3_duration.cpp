#include "platform/linux/mp3_duration.h"

#include <cstring>

namespace chimora::platform {

namespace {

struct FrameHeader {
    int length = 0;   // bytes, header included
    int samples = 0;  // PCM samples per channel
    int sampleRate = 0;
};

// Bit rates in kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index].
constexpr int kBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};
constexpr int kSampleRates[3] = {44100, 48000, 32000};

std::optional<FrameHeader> ParseHeader(const std::uint8_t* h) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (h[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layerBits = (h[1] >> 1) & 3;    // 1: III, 2: II, 3: I
    const int bitRateIndex = h[2] >> 4;
    const int sampleRateIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || sampleRateIndex == 3)
        return std::nullopt;
    const int layer = 4 - layerBits;
    const bool mpeg1 = versionBits == 3;
    const int bitRate = kBitRates[mpeg1 ? 0 : 1][layer - 1][bitRateIndex] * 1000;
    if (bitRate == 0)
        return std::nullopt;  // free format or invalid: cannot be walked
    int sampleRate = kSampleRates[sampleRateIndex];
    if (versionBits == 2)
        sampleRate /= 2;
    if (versionBits == 0)
        sampleRate /= 4;
    const int padding = (h[2] >> 1) & 1;

    FrameHeader frame;
    frame.sampleRate = sampleRate;
    if (layer == 1) {
        frame.samples = 384;
        frame.length = (12 * bitRate / sampleRate + padding) * 4;
    } else if (layer == 2 || mpeg1) {
        frame.samples = 1152;
        frame.length = 144 * bitRate / sampleRate + padding;
    } else {
        frame.samples = 576;
        frame.length = 72 * bitRate / sampleRate + padding;
    }
    return frame;
}

std::size_t SkipId3v2(std::span<const std::uint8_t> data) {
    if (data.size() < 10 || std::memcmp(data.data(), "ID3", 3) != 0)
        return 0;
    const std::size_t size = (std::size_t(data[6] & 0x7F) << 21) |
                             (std::size_t(data[7] & 0x7F) << 14) |
                             (std::size_t(data[8] & 0x7F) << 7) | std::size_t(data[9] & 0x7F);
    const bool footer = (data[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// The first frame of an encoder's VBR index ("Xing", "Info", "VBRI") holds no audio.
bool IsIndexFrame(const std::uint8_t* frame, std::size_t length) {
    const std::size_t scan = length < 64 ? length : 64;
    for (std::size_t i = 4; i + 4 <= scan; ++i) {
        if (!std::memcmp(frame + i, "Xing", 4) || !std::memcmp(frame + i, "Info", 4) ||
            !std::memcmp(frame + i, "VBRI", 4)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<long> Mp3DurationMs(std::span<const std::uint8_t> data) {
    std::size_t pos = SkipId3v2(data);
    double seconds = 0;
    bool first = true;
    bool found = false;
    while (pos + 4 <= data.size()) {
        const std::optional<FrameHeader> frame = ParseHeader(data.data() + pos);
        if (!frame || frame->length < 4) {
            ++pos;  // not a frame here: look for the next sync word
            continue;
        }
        const std::size_t available = data.size() - pos;
        const std::size_t length = static_cast<std::size_t>(frame->length);
        if (!(first && IsIndexFrame(data.data() + pos, length < available ? length : available))) {
            seconds += double(frame->samples) / frame->sampleRate;
            found = true;
        }
        first = false;
        pos += length;
    }
    if (!found)
        return std::nullopt;
    return static_cast<long>(seconds * 1000 + 0.5);
}

}  // namespace chimora::platform
