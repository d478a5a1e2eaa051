#pragma once

#include <cstdint>

namespace chimdb {

// Where a database lives: a file on disk, or an image in memory that the caller registered.
enum class ChimDBMediumType : std::uint8_t { mtDisk = 0, mtMemory = 1 };

}  // namespace chimdb
