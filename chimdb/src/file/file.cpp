#include "chimdb/file.h"

#include "chimdb/database_error.h"
#include "chimdb/file_format.h"

namespace chimdb {

void File::ReadExactly(std::int64_t offset, std::span<std::uint8_t> dst) {
    if (offset < 0 || ReadAt(offset, dst) != dst.size())
        RaiseError(format::kMsgCorrupt, Name());
}

}  // namespace chimdb
