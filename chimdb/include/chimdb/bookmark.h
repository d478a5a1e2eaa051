#pragma once

#include <cstdint>
#include <vector>

namespace chimdb {

// A place in a table cursor that can be gone back to: the record number of the record, 4
// bytes little-endian. Empty when there was no current record to mark.
using Bookmark = std::vector<std::uint8_t>;

}  // namespace chimdb
