#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chimdb {

// A stored field as a dataset describes it: name (UTF-8), type code, size (string types
// only, 0 otherwise) and its number in the stored table.
struct FieldDef {
    std::string name;
    std::uint8_t dataType = 0;
    std::int32_t size = 0;
    int fieldNo = 0;
};

// The field definitions of an open dataset, rebuilt from the stored table at every open.
class FieldDefList {
  public:
    void Clear() { items_.clear(); }
    void Add(FieldDef def) { items_.push_back(std::move(def)); }
    std::size_t Count() const { return items_.size(); }
    const FieldDef& operator[](std::size_t index) const { return items_.at(index); }
    // Index of the definition with this name (without regard to case), -1 when none.
    int IndexOf(std::string_view name) const;
    const std::vector<FieldDef>& Items() const { return items_; }

  private:
    std::vector<FieldDef> items_;
};

}  // namespace chimdb
