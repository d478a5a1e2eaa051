#pragma once

#include <cstdint>
#include <span>

#include "file/le_bytes.h"

namespace chimdb {

// The record table's entry for one record number (5 bytes).
struct RecordTabItem {
    std::int32_t dataOffset = 0;
    std::uint8_t deleted = 0;  // any non-zero value counts as deleted

    bool IsDeleted() const { return deleted != 0; }

    static RecordTabItem Parse(std::span<const std::uint8_t> bytes) {
        return RecordTabItem{le::GetI32(bytes, 0), le::GetU8(bytes, 4)};
    }
    void Serialize(std::span<std::uint8_t> bytes) const {
        le::PutI32(bytes, 0, dataOffset);
        le::PutU8(bytes, 4, deleted);
    }
};

}  // namespace chimdb
