#include "chimdb/memory_file.h"

#include <algorithm>
#include <cstring>

#include "chimdb/database_error.h"
#include "format/file_format.h"

namespace chimdb {

std::size_t MemoryFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) {
    if (offset < 0)
        RaiseError(format::kMsgCorrupt, name_);
    auto start = static_cast<std::uint64_t>(offset);
    if (start >= image_.size())
        return 0;
    std::size_t count = std::min<std::uint64_t>(dst.size(), image_.size() - start);
    if (count == 0)
        return 0;  // an empty span may have no address, which memcpy must not get
    std::memcpy(dst.data(), image_.data() + start, count);
    return count;
}

void MemoryFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) {
    if (offset < 0)
        RaiseError(format::kMsgCorrupt, name_);
    auto end = static_cast<std::uint64_t>(offset) + src.size();
    if (end > image_.size())
        image_.resize(end, 0);
    if (!src.empty())
        std::memcpy(image_.data() + offset, src.data(), src.size());
}

}  // namespace chimdb
