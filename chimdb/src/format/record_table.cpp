#include "format/record_table.h"

#include "chimdb/database_error.h"
#include "format/block_chain.h"

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

std::vector<std::uint8_t> RecordTable::ReadRecordImage(File& file, const RecordTabItem& item,
                                                       std::int32_t recordSize) {
    std::int64_t end = static_cast<std::int64_t>(item.dataOffset) + recordSize;
    if (item.dataOffset < format::kPrologueEnd || recordSize < 0 || end > file.Size())
        RaiseError(format::kMsgCorrupt, file.Name());
    std::vector<std::uint8_t> image(static_cast<std::size_t>(recordSize));
    file.ReadExactly(item.dataOffset, image);
    return image;
}

}  // namespace chimdb
