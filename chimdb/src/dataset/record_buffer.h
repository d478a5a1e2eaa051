#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "table_io/field_buffers.h"
#include "table_io/optim_blob_stream.h"

namespace chimdb {

// One record of a dataset in memory: the data fields in record encoding, the calculated
// fields (each a has-value byte and its data), the 4-byte bookmark (record number) and the
// bookmark flag. A blob field takes no bytes: the buffer owns one blob stream per blob field
// beside the bytes. The field buffers that the table layer reads and writes are laid over the
// buffer once, when the dataset builds it.
class RecordBuffer {
  public:
    // size: data size + calculated area + 5. fieldCount: number of field objects.
    RecordBuffer(std::size_t size, std::size_t fieldCount);

    std::uint8_t* Data() { return bytes_.data(); }
    const std::uint8_t* Data() const { return bytes_.data(); }
    std::size_t Size() const { return bytes_.size(); }

    // Creates the blob stream of a field (a blob field's, once).
    OptimBlobStream& AddBlobStream(std::size_t fieldIndex, BlobLoader* loader);
    // The blob stream of a field; nullptr for a field that has none.
    OptimBlobStream* BlobStream(std::size_t fieldIndex) const;
    // Empties every blob stream and forgets where their stored blobs lie.
    void ClearBlobStreams();

    FieldBuffers& Buffers() { return buffers_; }

    std::int32_t Bookmark() const;
    void SetBookmark(std::int32_t recNo);
    std::uint8_t BookmarkFlag() const { return bytes_.back(); }
    void SetBookmarkFlag(std::uint8_t flag) { bytes_.back() = flag; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::unique_ptr<OptimBlobStream>> blobs_;
    FieldBuffers buffers_;
};

}  // namespace chimdb
