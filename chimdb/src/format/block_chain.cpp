#include "format/block_chain.h"

#include <array>
#include <unordered_set>

#include "chimdb/database_error.h"
#include "file/le_bytes.h"
#include "format/file_format.h"

namespace chimdb {

std::int64_t BlockChainWalker::BlocksFor(std::int64_t itemCount) {
    return (itemCount + format::kItemsPerBlock - 1) / format::kItemsPerBlock;
}

void BlockChainWalker::RequireBlockInFile(std::int64_t offset, std::int64_t fileSize) const {
    if (offset < format::kPrologueEnd || offset + blockSize_ > fileSize)
        RaiseError(format::kMsgCorrupt, file_.Name());
}

std::vector<std::int32_t> BlockChainWalker::Walk(std::int32_t firstOffset,
                                                 std::int64_t blockCount) {
    std::vector<std::int32_t> offsets;
    if (blockCount <= 0)
        return offsets;
    const std::int64_t fileSize = file_.Size();
    // Distinct blocks must fit after the prologue; checked before anything is allocated.
    if (blockCount > (fileSize - format::kPrologueEnd) / blockSize_)
        RaiseError(format::kMsgCorrupt, file_.Name());
    offsets.reserve(static_cast<std::size_t>(blockCount));
    std::unordered_set<std::int32_t> visited;
    std::int32_t offset = firstOffset;
    for (std::int64_t i = 0; i < blockCount; ++i) {
        RequireBlockInFile(offset, fileSize);
        if (!visited.insert(offset).second)
            RaiseError(format::kMsgCorrupt, file_.Name());
        offsets.push_back(offset);
        if (i + 1 < blockCount) {
            std::array<std::uint8_t, 4> next{};
            file_.ReadExactly(offset, next);
            offset = le::GetI32(next, 0);
        }
    }
    return offsets;
}

}  // namespace chimdb
