#include "chimdb/record_table.h"

#include "chimdb/block_chain.h"

namespace chimdb {

RecordTable RecordTable::Read(File& file, const TableHeader& header) {
    RecordTable table;
    if (header.RecordCount <= 0)
        return table;
    BlockChainWalker walker(file, format::kRecordTabBlockSize);
    table.blockOffsets =
        walker.Walk(header.RecTabOffset, BlockChainWalker::BlocksFor(header.RecordCount));
    table.items = ReadBlockItems<RecordTabItem>(file, table.blockOffsets, header.RecordCount,
                                                format::kRecordTabItemSize);
    return table;
}

}  // namespace chimdb
