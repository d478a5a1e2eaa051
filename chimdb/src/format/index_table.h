#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "chimdb/file.h"
#include "chimdb/index_def_item.h"
#include "format/index_tab_item.h"

namespace chimdb {

// One index's table as read from the file: one item per record number and the offsets
// of its blocks.
struct IndexTable {
    std::vector<IndexTabItem> items;
    std::vector<std::int32_t> blockOffsets;

    // Reads recordCount items from the slot's IndexTabOffset; empty when that is 0.
    static IndexTable Read(File& file, const IndexDefItem& index, std::int32_t recordCount);

    // The record numbers of the chain from head in key order (deleted records included),
    // ending at -1. Raises "Database file '%s' is corrupt" (with fileName) for a link
    // outside the record numbers or a chain that loops.
    std::vector<std::int32_t> Chain(std::int32_t head, std::string_view fileName) const;
};

}  // namespace chimdb
