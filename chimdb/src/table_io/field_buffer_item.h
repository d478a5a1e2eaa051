#pragma once

#include <cstdint>
#include <memory>

namespace chimdb {

class OptimBlobStream;

// One field value of a record as exchanged between a table cursor and the table layer.
// A plain field points at its value bytes in the record buffer (stored width and encoding);
// a blob field refers to its blob stream. Data is borrowed unless the item was given it.
class FieldBufferItem {
  public:
    // A plain field's value bytes.
    FieldBufferItem(std::uint8_t* data, std::uint8_t fieldType, std::int32_t dataSize);
    // A blob field's stream.
    FieldBufferItem(OptimBlobStream* blobStream, std::uint8_t fieldType, std::int32_t dataSize);
    ~FieldBufferItem();
    FieldBufferItem(const FieldBufferItem&) = delete;
    FieldBufferItem& operator=(const FieldBufferItem&) = delete;

    // The item takes the data and frees it when destroyed.
    void AdoptData(std::unique_ptr<std::uint8_t[]> data);
    void AdoptBlobStream(std::unique_ptr<OptimBlobStream> blobStream);

    bool IsBlob() const;
    std::uint8_t* Data() const { return data_; }
    OptimBlobStream* BlobStream() const { return blobStream_; }
    // Start of the value for key comparison: the blob stream's memory for a blob field (as it
    // is, without loading), the value bytes otherwise.
    const std::uint8_t* ValueAddress() const;

    std::uint8_t FieldType() const { return fieldType_; }
    std::int32_t DataSize() const { return dataSize_; }
    bool OwnsData() const { return ownedData_ != nullptr || ownedBlobStream_ != nullptr; }
    // False for a table field that has no field object: skipped on read and modify.
    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }

  private:
    std::uint8_t* data_ = nullptr;
    OptimBlobStream* blobStream_ = nullptr;
    std::uint8_t fieldType_;
    std::int32_t dataSize_;
    bool active_ = true;
    std::unique_ptr<std::uint8_t[]> ownedData_;
    std::unique_ptr<OptimBlobStream> ownedBlobStream_;
};

}  // namespace chimdb
