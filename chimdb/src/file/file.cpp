#include "chimdb/file.h"

#include "chimdb/database_error.h"
#include "format/file_format.h"

namespace chimdb {

void File::ReadExactly(std::int64_t offset, std::span<std::uint8_t> dst) {
    if (offset < 0 || ReadAt(offset, dst) != dst.size())
        RaiseError(format::kMsgCorrupt, Name());
}

void File::WriteGathered(std::int64_t offset,
                         std::span<const std::span<const std::uint8_t>> parts) {
    for (const std::span<const std::uint8_t> part : parts) {
        WriteAt(offset, part);
        offset += static_cast<std::int64_t>(part.size());
    }
}

}  // namespace chimdb
