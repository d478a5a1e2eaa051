#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/mp3_duration.h"

namespace chimora::platform {
namespace {

// MPEG-1 Layer III frames at 44.1 kHz: 1152 samples each; the bit rate sets the length.
void AppendFrame(std::vector<std::uint8_t>& out, int bitRateIndex, int kbps,
                 const char* tag = nullptr) {
    const int length = 144 * kbps * 1000 / 44100;
    const std::size_t start = out.size();
    out.resize(start + length, 0);
    out[start] = 0xFF;
    out[start + 1] = 0xFB;
    out[start + 2] = static_cast<std::uint8_t>(bitRateIndex << 4);
    out[start + 3] = 0xC4;
    if (tag)
        std::copy(tag, tag + 4, out.begin() + start + 36);
}

TEST(Mp3DurationTest, VariableBitRateWithoutIndexIsMeasuredFrameByFrame) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 100; ++i) {
        if (i % 2)
            AppendFrame(data, 9, 128);  // 128 kbit/s
        else
            AppendFrame(data, 14, 320);  // 320 kbit/s
    }
    // 100 frames x 1152 / 44100 s
    EXPECT_EQ(Mp3DurationMs(data), 2612);
}

TEST(Mp3DurationTest, SkipsTagsIndexFrameAndGarbage) {
    std::vector<std::uint8_t> data = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
    data.resize(data.size() + 20, 0xFF);  // tag content, even sync-like bytes
    AppendFrame(data, 9, 128, "Xing");
    data.push_back(0x12);
    for (int i = 0; i < 10; ++i)
        AppendFrame(data, 9, 128);
    EXPECT_EQ(Mp3DurationMs(data), 261);
}

TEST(Mp3DurationTest, NoFramesGiveNothing) {
    EXPECT_EQ(Mp3DurationMs(std::vector<std::uint8_t>(100, 0)), std::nullopt);
    EXPECT_EQ(Mp3DurationMs({}), std::nullopt);
}

}  // namespace
}  // namespace chimora::platform
