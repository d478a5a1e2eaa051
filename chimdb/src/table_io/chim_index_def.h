#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimdb/index_def_item.h"
#include "table_io/chim_def_collection.h"

namespace chimdb {

// One index of a table: its options and key field numbers, most significant first.
class ChimIndexDef : public ChimDefItem {
  public:
    CDIndexOptions Options() const { return options_; }
    const std::vector<std::int32_t>& FieldNumbers() const { return fieldNumbers_; }
    void SetOptions(CDIndexOptions options) { options_ = options; }
    void SetFieldNumbers(std::vector<std::int32_t> numbers) { fieldNumbers_ = std::move(numbers); }

  private:
    friend class ChimIndexDefs;
    CDIndexOptions options_ = 0;
    std::vector<std::int32_t> fieldNumbers_;
};

// The indexes of a table in slot order. Unnamed items are called "ChimI<n>".
class ChimIndexDefs : public ChimDefCollection {
  public:
    ChimIndexDefs() : ChimDefCollection("TChimIndexDef") {}

    ChimIndexDef& Add(std::string name, CDIndexOptions options,
                      std::vector<std::int32_t> fieldNumbers);
    ChimIndexDef& Item(std::size_t index) const {
        return static_cast<ChimIndexDef&>(ItemAt(index));
    }
    ChimIndexDef& operator[](std::size_t index) const { return Item(index); }
    // Copies name, options and field numbers of source into target, as one change.
    void Assign(ChimIndexDef& target, const ChimIndexDef& source);
};

}  // namespace chimdb
