#include "codec/encrypt_algo.h"

#include <algorithm>
#include <cstring>

namespace chimdb {

void EncryptAlgo::EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) {
    RunStream(src, dst, -1, true);
}

void EncryptAlgo::DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) {
    RunStream(src, dst, -1, false);
}

void EncryptAlgo::EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                               std::int64_t size) {
    RunStream(src, dst, size, true);
}

void EncryptAlgo::DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                               std::int64_t size) {
    RunStream(src, dst, size, false);
}

void EncryptAlgo::RunStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                            std::int64_t size, bool encode) {
    const auto fire = [&](int percent) {
        if (encode)
            FireEncodeProgress(percent);
        else
            FireDecodeProgress(percent);
    };
    const std::size_t total =
        size < 0 ? src.size() : std::min(src.size(), static_cast<std::size_t>(size));
    fire(0);
    dst.resize(total);
    // Chunks are a multiple of every block size, so a partial block can only be the last.
    for (std::size_t done = 0; done < total;) {
        const std::size_t chunk = std::min(kChunkSize, total - done);
        std::uint8_t* out = dst.data() + done;
        std::memcpy(out, src.data() + done, chunk);
        if (encode)
            EncodeBuffer(out, out, chunk);
        else
            DecodeBuffer(out, out, chunk);
        done += chunk;
        fire(Percent(done, total));
    }
    fire(0);
}

}  // namespace chimdb
