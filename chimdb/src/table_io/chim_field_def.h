#pragma once

#include <cstdint>
#include <string>

#include "table_io/chim_def_collection.h"

namespace chimdb {

// One field of a table as the dataset layer sees it. The name is UTF-8.
class ChimFieldDef : public ChimDefItem {
  public:
    std::uint8_t FieldType() const { return fieldType_; }
    std::int32_t Size() const { return size_; }
    std::uint8_t ProcessFlag() const { return processFlag_; }
    void SetFieldType(std::uint8_t type) { fieldType_ = type; }
    void SetSize(std::int32_t size) { size_ = size; }
    void SetProcessFlag(std::uint8_t flag) { processFlag_ = flag; }

  private:
    friend class ChimFieldDefs;
    std::uint8_t fieldType_ = 0;
    std::int32_t size_ = 0;
    std::uint8_t processFlag_ = 0;
};

// The fields of a table in slot order. Unnamed items are called "ChimF<n>".
class ChimFieldDefs : public ChimDefCollection {
  public:
    ChimFieldDefs() : ChimDefCollection("TChimFieldDef") {}

    ChimFieldDef& Add(std::string name, std::uint8_t fieldType, std::int32_t size,
                      std::uint8_t processFlag = 0);
    ChimFieldDef& Item(std::size_t index) const {
        return static_cast<ChimFieldDef&>(ItemAt(index));
    }
    ChimFieldDef& operator[](std::size_t index) const { return Item(index); }
    // Copies name, type, size and flag of source into target, as one change.
    void Assign(ChimFieldDef& target, const ChimFieldDef& source);
};

}  // namespace chimdb
