#include "table_io/field_buffers.h"

#include <cstring>
#include <string>

#include "chimdb/database_error.h"
#include "chimdb/field_type.h"

namespace chimdb {

FieldBufferItem& FieldBuffers::Add(std::uint8_t* data, std::uint8_t fieldType,
                                   std::int32_t dataSize) {
    if (IsBlobType(fieldType)) {
        OptimBlobStream* stream = nullptr;
        if (data != nullptr)
            std::memcpy(&stream, data, sizeof stream);  // the slot need not be aligned
        return AddBlob(stream, fieldType, dataSize);
    }
    items_.push_back(std::make_unique<FieldBufferItem>(data, fieldType, dataSize));
    return *items_.back();
}

FieldBufferItem& FieldBuffers::AddBlob(OptimBlobStream* blobStream, std::uint8_t fieldType,
                                       std::int32_t dataSize) {
    items_.push_back(std::make_unique<FieldBufferItem>(blobStream, fieldType, dataSize));
    return *items_.back();
}

FieldBufferItem& FieldBuffers::AddInactive() {
    FieldBufferItem& item = Add(nullptr, 0, 0);
    item.SetActive(false);
    return item;
}

void FieldBuffers::RaiseOutOfBounds(std::size_t index) {
    RaiseError("List index out of bounds (%s)", std::to_string(index));
}

}  // namespace chimdb
