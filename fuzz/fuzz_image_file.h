#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "chimdb/database_error.h"
#include "chimdb/file.h"
#include "format/file_format.h"

namespace chimdb_fuzz {

// The fuzzer's input as a database file in memory. Writes are applied, as a disk file would
// take them, and remembered, so that a target can tell whether a read wrote to the file.
class FuzzImageFile : public chimdb::File {
  public:
    FuzzImageFile(const std::uint8_t* data, std::size_t size) : image_(data, data + size) {}

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override {
        if (offset < 0)
            chimdb::RaiseError(chimdb::format::kMsgCorrupt, Name());
        if (static_cast<std::uint64_t>(offset) >= image_.size())
            return 0;
        std::size_t count = std::min(dst.size(), image_.size() - static_cast<std::size_t>(offset));
        std::memcpy(dst.data(), image_.data() + offset, count);
        return count;
    }
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) override {
        ++writes_;
        std::size_t end = static_cast<std::size_t>(offset) + src.size();
        if (end > image_.size())
            image_.resize(end, 0);
        std::memcpy(image_.data() + offset, src.data(), src.size());
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(image_.size()); }
    void Sync() override {}
    std::string Name() const override { return "fuzz.db"; }

    int Writes() const { return writes_; }
    const std::vector<std::uint8_t>& Image() const { return image_; }

  private:
    std::vector<std::uint8_t> image_;
    int writes_ = 0;
};

}  // namespace chimdb_fuzz
