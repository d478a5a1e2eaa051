#include "table_io/table_change_check.h"

namespace chimdb {

bool TableChangeCheck::ListsMatchFile() {
    return table_.MatchesFile();
}

void TableChangeCheck::Look() {
    seen_ = table_.FileIO().Stream().LastChange();
}

bool TableChangeCheck::ChangedSinceLook() {
    return table_.FileIO().Stream().LastChange() != seen_ || !ListsMatchFile();
}

}  // namespace chimdb
