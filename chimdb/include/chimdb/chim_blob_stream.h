#pragma once

#include <cstdint>

#include "chimdb/blob_field_host.h"
#include "chimdb/memory_stream.h"

namespace chimdb {

// A blob field of the current record, offered to the application as a stream.
// Mode 0 reads, mode 1 writes (starting empty), mode 2 reads and writes. In modes 1 and 2
// every Write is copied into the record buffer at once, so nothing is written back when the
// stream is destroyed. Writes in mode 0 (or any mode above 2) change only this stream.
class ChimBlobStream : public MemoryStream {
  public:
    static constexpr std::uint8_t kModeRead = 0;
    static constexpr std::uint8_t kModeWrite = 1;
    static constexpr std::uint8_t kModeReadWrite = 2;

    ChimBlobStream(BlobFieldHost& host, int fieldNo, std::uint8_t mode);

    std::size_t Write(const void* buffer, std::size_t count) override;

    int FieldNo() const { return fieldNo_; }
    std::uint8_t Mode() const { return mode_; }
    bool IsOpened() const { return opened_; }
    bool IsModified() const { return modified_; }

  private:
    bool WritesBack() const { return mode_ == kModeWrite || mode_ == kModeReadWrite; }

    BlobFieldHost& host_;
    int fieldNo_;
    std::uint8_t mode_;
    bool opened_ = false;
    bool modified_ = false;
};

}  // namespace chimdb
