#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "chimdb/file.h"
#include "format/file_format.h"

namespace chimdb {

// Follows a chain of fixed-size blocks, each starting with the int32 offset of the next.
// Record tables (5124-byte blocks) and index tables (8196-byte blocks) are such chains.
class BlockChainWalker {
  public:
    BlockChainWalker(File& file, std::int32_t blockSize) : file_(file), blockSize_(blockSize) {}

    // The offsets of the first blockCount blocks from firstOffset. Raises
    // "Database file '%s' is corrupt" when a block lies before the end of the prologue or
    // past the end of the file, when the chain visits a block twice, or when the file
    // cannot hold that many blocks.
    std::vector<std::int32_t> Walk(std::int32_t firstOffset, std::int64_t blockCount);

    // Blocks needed for itemCount items of 1024 per block.
    static std::int64_t BlocksFor(std::int64_t itemCount);

  private:
    void RequireBlockInFile(std::int64_t offset, std::int64_t fileSize) const;

    File& file_;
    std::int32_t blockSize_;
};

// Reads count items of itemSize bytes from a chain of 1024-item blocks.
template <typename Item>
std::vector<Item> ReadBlockItems(File& file, const std::vector<std::int32_t>& blockOffsets,
                                 std::int32_t count, std::int32_t itemSize) {
    std::vector<Item> items;
    items.reserve(static_cast<std::size_t>(count));
    std::vector<std::uint8_t> block;
    for (std::int32_t offset : blockOffsets) {
        auto inBlock = std::min<std::int32_t>(count - static_cast<std::int32_t>(items.size()),
                                              format::kItemsPerBlock);
        block.resize(static_cast<std::size_t>(inBlock * itemSize));
        file.ReadExactly(static_cast<std::int64_t>(offset) + 4, block);
        for (std::int32_t i = 0; i < inBlock; ++i)
            items.push_back(Item::Parse(std::span(block).subspan(i * itemSize, itemSize)));
    }
    return items;
}

}  // namespace chimdb
