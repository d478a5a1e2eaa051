#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "table_io/field_buffer_item.h"

namespace chimdb {

class OptimBlobStream;

// One record's field values, one item per table field in field-slot order (position = field
// number). Owns its items.
class FieldBuffers {
  public:
    // For a plain type, data addresses the value bytes. For a blob type, data addresses the
    // record buffer's slot that holds the field's OptimBlobStream pointer, and the item keeps
    // that stream.
    FieldBufferItem& Add(std::uint8_t* data, std::uint8_t fieldType, std::int32_t dataSize);
    FieldBufferItem& AddBlob(OptimBlobStream* blobStream, std::uint8_t fieldType,
                             std::int32_t dataSize);
    // A table field without a field object: type 0, size 0, not active.
    FieldBufferItem& AddInactive();

    std::size_t Count() const { return items_.size(); }
    // Raises "List index out of bounds (%s)" for an index past the end.
    FieldBufferItem& Item(std::size_t index) const {
        if (index >= items_.size())
            RaiseOutOfBounds(index);
        return *items_[index];
    }
    // The same below Count(), unchecked.
    FieldBufferItem& ItemAt(std::size_t index) const { return *items_[index]; }
    void Clear() { items_.clear(); }

  private:
    [[noreturn]] static void RaiseOutOfBounds(std::size_t index);

    std::vector<std::unique_ptr<FieldBufferItem>> items_;
};

}  // namespace chimdb
