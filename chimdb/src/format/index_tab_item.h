#pragma once

#include <cstdint>
#include <span>

#include "file/le_bytes.h"

namespace chimdb {

// An index table's entry for one record number (8 bytes): the link to the next record
// in key order, -1 at the end.
struct IndexTabItem {
    std::int32_t recordNumber = 0;
    std::int32_t nextRecord = -1;

    static IndexTabItem Parse(std::span<const std::uint8_t> bytes) {
        return IndexTabItem{le::GetI32(bytes, 0), le::GetI32(bytes, 4)};
    }
    void Serialize(std::span<std::uint8_t> bytes) const {
        le::PutI32(bytes, 0, recordNumber);
        le::PutI32(bytes, 4, nextRecord);
    }
};

}  // namespace chimdb
