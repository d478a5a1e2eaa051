#pragma once

#include <cstdint>

#include "chimdb/memory_stream.h"
#include "table_io/blob_loader.h"

namespace chimdb {

// The blob of one field in a record buffer. The stored blob is read only when somebody first
// reads or seeks; content written (or sized) before that replaces the stored blob unread.
class OptimBlobStream : public MemoryStream {
  public:
    explicit OptimBlobStream(BlobLoader* loader = nullptr) : loader_(loader) {}

    // Where the field's blob descriptor lies in the file (0: nothing stored) and how its bytes
    // are to be decoded. The next read loads again.
    void SetLoadInfo(std::int64_t descriptorPosition, bool encrypted, bool compressed);
    bool IsLoaded() const { return loaded_; }
    std::int64_t DescriptorPosition() const { return descriptorPosition_; }

  protected:
    void BeforeRead() override;
    void BeforeWrite() override { loaded_ = true; }

  private:
    BlobLoader* loader_;
    std::int64_t descriptorPosition_ = 0;
    bool encrypted_ = false;
    bool compressed_ = false;
    bool loaded_ = false;
};

}  // namespace chimdb
