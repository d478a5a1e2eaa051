#pragma once

#include "codec/compress_algo.h"

namespace chimdb {

// zlib compression in the stored format: an int32 little-endian length N followed by the
// RFC 1950 stream of the N bytes; when that stream is not shorter than N, -N followed by
// the bytes unchanged. An empty source is stored as nothing.
class CompAlgo_Zlib : public CompressAlgo {
  public:
    std::string_view ClassName() const override { return "CompAlgo_Zlib"; }

    void EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) override;
    // Raises "error" when zlib reports an error and "Stream read error" when the data does
    // not hold the N bytes it claims.
    void DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) override;

    // Level of this algorithm: 0 -> zlib 9, 1 -> zlib's default, 2 and 3 -> 1, other -> 0.
    void SetLevel(int level) override { level_ = level; }
    int Level() const override { return level_; }
    static int ZlibLevel(int level);

  private:
    int level_ = 1;
};

}  // namespace chimdb
