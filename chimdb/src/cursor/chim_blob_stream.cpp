#include "chimdb/chim_blob_stream.h"

#include "table_io/optim_blob_stream.h"

namespace chimdb {

ChimBlobStream::ChimBlobStream(BlobFieldHost& host, int fieldNo, std::uint8_t mode)
    : host_(host), fieldNo_(fieldNo), mode_(mode) {
    if (mode_ == kModeRead || mode_ == kModeReadWrite) {
        Assign(host_.ActiveBlobStream(fieldNo_).Content());
    } else if (mode_ == kModeWrite) {
        Clear();
        host_.ActiveBlobStream(fieldNo_).Clear();
        host_.SetFieldModified(fieldNo_);
        modified_ = true;
    }
    opened_ = true;
}

std::size_t ChimBlobStream::Write(const void* buffer, std::size_t count) {
    const std::size_t written = MemoryStream::Write(buffer, count);
    if (WritesBack()) {
        modified_ = true;
        host_.ActiveBlobStream(fieldNo_).Assign(Content());
        host_.SetFieldModified(fieldNo_);
        host_.FieldDataChanged(fieldNo_);
    }
    return written;
}

}  // namespace chimdb
