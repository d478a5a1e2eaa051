#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/field_def_item.h"
#include "chimdb/index_def_item.h"
#include "format/file_format.h"

namespace chimdb {

// The 4821-byte header of one table. Bytes the store does not interpret (including
// unused slots) are kept as read, so that rewriting a header changes only its fields.
struct TableHeader {
    // RecTabOffset, RecordCount and AutoIncCounter, written together by writers.
    static constexpr std::int32_t kCountersOffset = 33;
    static constexpr std::int32_t kCountersSize = 12;
    static constexpr std::int32_t kAutoIncCounterOffset = 41;

    std::string name;
    std::int32_t RecTabOffset = 0;
    std::int32_t RecordCount = 0;
    std::int32_t AutoIncCounter = 0;
    std::vector<FieldDefItem> fields;
    std::vector<IndexDefItem> indexes;
    std::vector<std::uint8_t> raw;  // the bytes as read; empty for a new header

    // Checks counts, key field numbers and the offsets against fileSize; raises
    // "Database file '%s' is corrupt". Unknown field type codes are kept (the record
    // layout refuses them).
    static TableHeader Parse(std::span<const std::uint8_t> bytes, std::int64_t fileSize,
                             std::string_view fileName);
    // bytes may be raw itself.
    void Serialize(std::span<std::uint8_t> bytes) const;
    // The 12 counter bytes written at kCountersOffset.
    void SerializeCounters(std::span<std::uint8_t> bytes) const;
};

}  // namespace chimdb
