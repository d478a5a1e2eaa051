#include "format/index_table.h"

#include "chimdb/database_error.h"
#include "format/block_chain.h"

namespace chimdb {

IndexTable IndexTable::Read(File& file, const IndexDefItem& index, std::int32_t recordCount) {
    IndexTable table;
    if (recordCount <= 0 || index.IndexTabOffset == 0)
        return table;
    BlockChainWalker walker(file, format::kIndexTabBlockSize);
    table.blockOffsets =
        walker.Walk(index.IndexTabOffset, BlockChainWalker::BlocksFor(recordCount));
    table.items = ReadBlockItems<IndexTabItem>(file, table.blockOffsets, recordCount,
                                               format::kIndexTabItemSize);
    return table;
}

std::vector<std::int32_t> IndexTable::Chain(std::int32_t head, std::string_view fileName) const {
    std::vector<std::int32_t> chain;
    auto count = static_cast<std::int32_t>(items.size());
    std::vector<bool> visited(items.size(), false);
    for (std::int32_t record = head; record != -1 && count > 0;
         record = items[static_cast<std::size_t>(record)].nextRecord) {
        if (record < 0 || record >= count || visited[static_cast<std::size_t>(record)])
            RaiseError(format::kMsgCorrupt, fileName);
        visited[static_cast<std::size_t>(record)] = true;
        chain.push_back(record);
    }
    return chain;
}

}  // namespace chimdb
