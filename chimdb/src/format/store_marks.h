#pragma once

#include <cstddef>
#include <cstdint>

// The store's own bytes in the 16 bytes of a table header that the format leaves
// uninterpreted (other readers of the format never look at them).
namespace chimdb::format {

// One byte per index, set only while a write relinks that index's chain; a byte left set by
// a stop in between makes the next open rebuild that chain from the keys.
inline constexpr std::size_t kResortMarkersOffset = 4805;
// The value the store writes there; any other is no mark of the store's.
inline constexpr std::uint8_t kResortPending = 1;
// The change stamp: the last 8 of those bytes (the markers take at most 8).
inline constexpr std::size_t kChangeStampOffset = 4813;
// The auto-increment counter in the table header.
inline constexpr std::size_t kAutoIncCounterOffset = 41;

}  // namespace chimdb::format
