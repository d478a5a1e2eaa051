#include "dataset/record_buffer.h"

#include <algorithm>
#include <cstring>

namespace chimdb {

namespace {
constexpr std::size_t kBookmarkTail = 5;
}

RecordBuffer::RecordBuffer(std::size_t size, std::size_t fieldCount)
    : bytes_(std::max(size, kBookmarkTail), 0), blobs_(fieldCount) {}

OptimBlobStream& RecordBuffer::AddBlobStream(std::size_t fieldIndex, BlobLoader* loader) {
    if (fieldIndex >= blobs_.size())
        blobs_.resize(fieldIndex + 1);
    if (!blobs_[fieldIndex])
        blobs_[fieldIndex] = std::make_unique<OptimBlobStream>(loader);
    return *blobs_[fieldIndex];
}

OptimBlobStream* RecordBuffer::BlobStream(std::size_t fieldIndex) const {
    return fieldIndex < blobs_.size() ? blobs_[fieldIndex].get() : nullptr;
}

void RecordBuffer::ClearBlobStreams() {
    for (auto& blob : blobs_) {
        if (blob) {
            blob->SetLoadInfo(0, false, false);
            blob->Clear();
        }
    }
}

std::int32_t RecordBuffer::Bookmark() const {
    std::int32_t recNo = 0;
    std::memcpy(&recNo, bytes_.data() + bytes_.size() - kBookmarkTail, sizeof recNo);
    return recNo;
}

void RecordBuffer::SetBookmark(std::int32_t recNo) {
    std::memcpy(bytes_.data() + bytes_.size() - kBookmarkTail, &recNo, sizeof recNo);
}

}  // namespace chimdb
