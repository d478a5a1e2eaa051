#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "format/file_format.h"

namespace chimdb {

// The list of tables: a table's number is its position here.
struct TableDirectory {
    std::int32_t tableCount = 0;
    std::array<std::int32_t, format::kMaxTables> tableHeaderOffsets{};
    std::array<std::uint8_t, format::kTableDirectorySize> raw{};

    // Checks the count (0..256) and that every used offset leaves room for a whole table
    // header between the end of the prologue and fileSize; "Database file '%s' is corrupt".
    static TableDirectory Parse(std::span<const std::uint8_t> bytes, std::int64_t fileSize,
                                std::string_view fileName);
    void Serialize(std::span<std::uint8_t> bytes) const;
};

}  // namespace chimdb
