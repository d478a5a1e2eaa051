#pragma once

#include <cstdint>

namespace chimdb {

// An entry of a record list: where a record's fixed part lies and its record number.
struct RecordRef {
    std::int32_t dataOffset = 0;
    std::int32_t recNo = 0;

    friend bool operator==(const RecordRef&, const RecordRef&) = default;
};

}  // namespace chimdb
