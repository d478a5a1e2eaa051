#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/index_def_item.h"

namespace chimdb {

// A stored index as a dataset describes it: its name, its key field names joined by commas
// (most significant first), its options (primary, unique, descending, case-insensitive) and
// the stored key field numbers.
struct IndexDef {
    std::string name;
    std::string fields;
    CDIndexOptions options = 0;
    std::vector<std::int32_t> fieldNumbers;
};

// The index definitions of an open dataset, rebuilt from the stored table at every open.
class IndexDefList {
  public:
    void Clear() { items_.clear(); }
    void Add(IndexDef def) { items_.push_back(std::move(def)); }
    std::size_t Count() const { return items_.size(); }
    const IndexDef& operator[](std::size_t index) const { return items_.at(index); }
    // Index of the definition with this name (without regard to case), -1 when none.
    int IndexOf(std::string_view name) const;

  private:
    std::vector<IndexDef> items_;
};

}  // namespace chimdb
