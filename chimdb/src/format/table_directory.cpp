#include "format/table_directory.h"

#include <algorithm>

#include "chimdb/database_error.h"
#include "file/le_bytes.h"

namespace chimdb {

namespace {
constexpr std::size_t kCount = 0;
constexpr std::size_t kOffsets = 8;
}  // namespace

TableDirectory TableDirectory::Parse(std::span<const std::uint8_t> bytes, std::int64_t fileSize,
                                     std::string_view fileName) {
    TableDirectory directory;
    std::copy_n(bytes.begin(), directory.raw.size(), directory.raw.begin());
    directory.tableCount = le::GetI32(bytes, kCount);
    if (directory.tableCount < 0 || directory.tableCount > format::kMaxTables)
        RaiseError(format::kMsgCorrupt, fileName);
    for (std::size_t i = 0; i < directory.tableHeaderOffsets.size(); ++i)
        directory.tableHeaderOffsets[i] = le::GetI32(bytes, kOffsets + 4 * i);
    for (std::int32_t i = 0; i < directory.tableCount; ++i) {
        std::int64_t offset = directory.tableHeaderOffsets[i];
        if (offset < format::kPrologueEnd || offset + format::kTableHeaderSize > fileSize)
            RaiseError(format::kMsgCorrupt, fileName);
    }
    return directory;
}

void TableDirectory::Serialize(std::span<std::uint8_t> bytes) const {
    std::copy(raw.begin(), raw.end(), bytes.begin());
    le::PutI32(bytes, kCount, tableCount);
    for (std::size_t i = 0; i < tableHeaderOffsets.size(); ++i)
        le::PutI32(bytes, kOffsets + 4 * i, tableHeaderOffsets[i]);
}

}  // namespace chimdb
