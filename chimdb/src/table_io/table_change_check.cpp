#include "table_io/table_change_check.h"

#include <vector>

#include "chimdb/file_format.h"
#include "format/record_table.h"

namespace chimdb {

bool TableChangeCheck::ListsMatchFile() {
    ChimDBFileIO& io = table_.FileIO();
    std::vector<std::uint8_t> header(static_cast<std::size_t>(format::kTableHeaderSize));
    io.ReadExactly(io.TableHeaderOffset(table_.TableNumber()), header);
    if (header != table_.Header().raw)
        return false;
    const std::vector<RecordTabItem>& known = table_.RecordTabItems();
    RecordTable inFile = RecordTable::Read(io.Stream(), table_.Header());
    if (inFile.items.size() != known.size())
        return false;
    for (std::size_t n = 0; n < known.size(); ++n) {
        if (inFile.items[n].IsDeleted() != known[n].IsDeleted())
            return false;
    }
    return true;
}

void TableChangeCheck::Look() {
    seen_ = table_.FileIO().Stream().LastChange();
}

bool TableChangeCheck::ChangedSinceLook() {
    return table_.FileIO().Stream().LastChange() != seen_ || !ListsMatchFile();
}

}  // namespace chimdb
