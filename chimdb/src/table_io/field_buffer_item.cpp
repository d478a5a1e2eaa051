#include "table_io/field_buffer_item.h"

#include "chimdb/field_type.h"
#include "table_io/optim_blob_stream.h"

namespace chimdb {

FieldBufferItem::FieldBufferItem(std::uint8_t* data, std::uint8_t fieldType, std::int32_t dataSize)
    : data_(data), fieldType_(fieldType), dataSize_(dataSize) {}

FieldBufferItem::FieldBufferItem(OptimBlobStream* blobStream, std::uint8_t fieldType,
                                 std::int32_t dataSize)
    : blobStream_(blobStream), fieldType_(fieldType), dataSize_(dataSize) {}

FieldBufferItem::~FieldBufferItem() = default;

void FieldBufferItem::AdoptData(std::unique_ptr<std::uint8_t[]> data) {
    data_ = data.get();
    ownedData_ = std::move(data);
}

void FieldBufferItem::AdoptBlobStream(std::unique_ptr<OptimBlobStream> blobStream) {
    blobStream_ = blobStream.get();
    ownedBlobStream_ = std::move(blobStream);
}

bool FieldBufferItem::IsBlob() const {
    return IsBlobType(fieldType_);
}

const std::uint8_t* FieldBufferItem::ValueAddress() const {
    if (IsBlob())
        return blobStream_ ? blobStream_->Memory() : nullptr;
    return data_;
}

}  // namespace chimdb
