#pragma once

#include <cstdint>
#include <vector>

#include "chimdb/field_def_item.h"

namespace chimdb {

// Where each field lies in a table's fixed record: fields in slot order, no gaps.
struct RecordLayout {
    std::vector<std::int32_t> FieldOffsets;
    std::int32_t RecordSize = 0;

    // Raises "General error" for a field type without a stored width (or a record
    // too large to address).
    static RecordLayout Compute(const std::vector<FieldDefItem>& fields);
};

}  // namespace chimdb
