#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chimdb {

// Options of an index, stored as a bit set.
using CDIndexOptions = std::uint8_t;
inline constexpr CDIndexOptions tiPrimary = 1u << 0;
inline constexpr CDIndexOptions tiUnique = 1u << 1;
inline constexpr CDIndexOptions tiDescending = 1u << 2;
inline constexpr CDIndexOptions tiCaseInsensitive = 1u << 3;

// One index slot of a table header. The name is in database code page bytes.
struct IndexDefItem {
    std::string name;
    CDIndexOptions Options = 0;
    std::vector<std::int32_t> fieldNumbers;  // key fields, most significant first, at most 8
    std::int32_t IndexTabOffset = 0;         // first index table block; 0 while none exists
    std::int32_t HeadRecord = 0;             // record at the head of the chain; -1 ends a chain
};

}  // namespace chimdb
