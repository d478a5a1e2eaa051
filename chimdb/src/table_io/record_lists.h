#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "table_io/record_ref.h"

namespace chimdb {

using RecordList = std::vector<RecordRef>;

// The ordered record lists of a table: list 0 holds the live records in record-number
// order, list i + 1 the live records in the key order of index i.
class RecordLists {
  public:
    // Empties everything and makes room for list 0 plus one list per index.
    void Reset(std::size_t indexCount) { lists_.assign(indexCount + 1, {}); }
    void Clear() { lists_.clear(); }

    std::size_t Count() const { return lists_.size(); }
    // Raises "List index out of bounds (%s)" for a list number past the end.
    const RecordList& List(std::size_t listNumber) const;
    RecordList& List(std::size_t listNumber);
    const RecordList& operator[](std::size_t listNumber) const { return List(listNumber); }

    // Position of a record number in list 0 (binary search), -1 when absent.
    std::int32_t PhysicalPosition(std::int32_t recNo) const;
    // Position of a record number in any list (binary search for list 0, a scan otherwise).
    std::int32_t PositionOf(std::size_t listNumber, std::int32_t recNo) const;

  private:
    std::vector<RecordList> lists_;
};

}  // namespace chimdb
