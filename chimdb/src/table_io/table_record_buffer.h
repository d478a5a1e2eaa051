#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "table_io/field_buffers.h"
#include "table_io/optim_blob_stream.h"

namespace chimdb {

class ChimTableIO;

// A record buffer shaped like one table's record: the plain values in record encoding (one
// zeroed slot of the field's width each) and one blob stream per blob field, with the field
// buffers that point into it. For callers that are not a dataset (the tool, tests, benchmarks).
class TableRecordBuffer {
  public:
    // The table must be open. Blob streams load through loader (usually the file I/O).
    TableRecordBuffer(const ChimTableIO& table, BlobLoader* loader);

    FieldBuffers& Buffers() { return buffers_; }
    const FieldBuffers& Buffers() const { return buffers_; }
    // The value bytes of a plain field (record encoding, field width).
    std::uint8_t* FieldData(std::size_t fieldNo);
    std::int32_t FieldWidth(std::size_t fieldNo) const;
    OptimBlobStream& Blob(std::size_t fieldNo);
    // Zeroes every value and empties every blob (new-record defaults).
    void Clear();

    // Convenience setters and getters in record encoding; strings as code page bytes, cut to
    // the width at a character boundary.
    void SetString(std::size_t fieldNo, std::string_view codePageBytes);
    std::string_view GetString(std::size_t fieldNo);
    void SetInt32(std::size_t fieldNo, std::int32_t value);
    std::int32_t GetInt32(std::size_t fieldNo);
    void SetInt16(std::size_t fieldNo, std::int16_t value);
    void SetInt64(std::size_t fieldNo, std::int64_t value);
    void SetDouble(std::size_t fieldNo, double value);
    void SetBlob(std::size_t fieldNo, std::string_view bytes);
    std::string GetBlob(std::size_t fieldNo);

  private:
    std::vector<std::uint8_t> record_;
    std::vector<std::int32_t> offsets_;
    std::vector<std::int32_t> widths_;
    std::vector<std::unique_ptr<OptimBlobStream>> blobs_;
    FieldBuffers buffers_;
};

}  // namespace chimdb
