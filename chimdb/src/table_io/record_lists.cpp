#include "table_io/record_lists.h"

#include <algorithm>
#include <string>

#include "chimdb/database_error.h"

namespace chimdb {

const RecordList& RecordLists::List(std::size_t listNumber) const {
    if (listNumber >= lists_.size())
        RaiseError("List index out of bounds (%s)", std::to_string(listNumber));
    return lists_[listNumber];
}

RecordList& RecordLists::List(std::size_t listNumber) {
    if (listNumber >= lists_.size())
        RaiseError("List index out of bounds (%s)", std::to_string(listNumber));
    return lists_[listNumber];
}

std::int32_t RecordLists::PhysicalPosition(std::int32_t recNo) const {
    if (lists_.empty())
        return -1;
    const RecordList& list = lists_[0];
    auto it = std::lower_bound(list.begin(), list.end(), recNo,
                               [](const RecordRef& ref, std::int32_t n) { return ref.recNo < n; });
    if (it == list.end() || it->recNo != recNo)
        return -1;
    return static_cast<std::int32_t>(it - list.begin());
}

std::int32_t RecordLists::PositionOf(std::size_t listNumber, std::int32_t recNo) const {
    if (listNumber == 0)
        return PhysicalPosition(recNo);
    const RecordList& list = List(listNumber);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].recNo == recNo)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

}  // namespace chimdb
