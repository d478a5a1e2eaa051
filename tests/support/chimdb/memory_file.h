#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimdb/file.h"

namespace chimdb {

// A database image held in memory. Writes past the end extend it with zero bytes.
class MemoryFile : public File {
  public:
    explicit MemoryFile(std::vector<std::uint8_t> image = {}, std::string name = ":memory")
        : image_(std::move(image)), name_(std::move(name)) {}

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override;
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(image_.size()); }
    void Sync() override {}
    std::string Name() const override { return name_; }
    // Every opener of an image reads the same bytes.
    bool ReadShared(std::int64_t offset, std::span<std::uint8_t> dst) override {
        return ReadAt(offset, dst) == dst.size();
    }

    const std::vector<std::uint8_t>& Image() const { return image_; }
    std::vector<std::uint8_t>& Image() { return image_; }

  private:
    std::vector<std::uint8_t> image_;
    std::string name_;
};

}  // namespace chimdb
