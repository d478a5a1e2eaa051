#pragma once

#include <cstdint>
#include <vector>

#include "chimdb/file.h"
#include "format/record_tab_item.h"
#include "format/table_header.h"

namespace chimdb {

// A table's record table as read from the file: one item per record number and the
// offsets of the blocks that hold them (item n lies in block n / 1024).
struct RecordTable {
    std::vector<RecordTabItem> items;
    std::vector<std::int32_t> blockOffsets;

    // Reads RecordCount items from RecTabOffset. Data offsets are not checked here: a
    // record's bytes are bounds-checked when it is read.
    static RecordTable Read(File& file, const TableHeader& header);

    // The recordSize bytes of a record's fixed part; "Database file '%s' is corrupt" when
    // they do not lie inside the file (checked before anything is allocated).
    static std::vector<std::uint8_t> ReadRecordImage(File& file, const RecordTabItem& item,
                                                     std::int32_t recordSize);
};

}  // namespace chimdb
