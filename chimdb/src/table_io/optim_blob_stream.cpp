#include "table_io/optim_blob_stream.h"

namespace chimdb {

void OptimBlobStream::SetLoadInfo(std::int64_t descriptorPosition, bool encrypted,
                                  bool compressed) {
    descriptorPosition_ = descriptorPosition;
    encrypted_ = encrypted;
    compressed_ = compressed;
    loaded_ = false;
}

// The content is replaced only once the whole blob has been read and decoded; a failed load
// leaves the stream unloaded, so the error shows again on the next read instead of the blob
// silently turning empty (and being written back empty at the next post).
void OptimBlobStream::BeforeRead() {
    if (loaded_ || descriptorPosition_ == 0 || loader_ == nullptr)
        return;
    std::vector<std::uint8_t> content;
    loader_->LoadBlob(descriptorPosition_, encrypted_, compressed_, content);
    Storage().swap(content);
    loaded_ = true;
}

}  // namespace chimdb
