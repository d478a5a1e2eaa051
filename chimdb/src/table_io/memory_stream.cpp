#include "chimdb/memory_stream.h"

#include <algorithm>
#include <cstring>

namespace chimdb {

MemoryStream::~MemoryStream() = default;

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    BeforeRead();
    if (position_ >= bytes_.size())
        return 0;
    const std::size_t n = std::min(count, bytes_.size() - position_);
    if (n > 0)
        std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t count) {
    BeforeWrite();
    if (count == 0)
        return 0;
    if (position_ + count > bytes_.size())
        bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

std::size_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    BeforeRead();
    std::int64_t base = 0;
    if (origin == SeekOrigin::kCurrent)
        base = static_cast<std::int64_t>(position_);
    else if (origin == SeekOrigin::kEnd)
        base = static_cast<std::int64_t>(bytes_.size());
    position_ = static_cast<std::size_t>(std::max<std::int64_t>(0, base + offset));
    return position_;
}

void MemoryStream::SetSize(std::size_t size) {
    BeforeWrite();
    bytes_.resize(size);
    position_ = std::min(position_, size);
}

std::size_t MemoryStream::Size() {
    BeforeRead();
    return bytes_.size();
}

void MemoryStream::Clear() {
    SetSize(0);
    position_ = 0;
}

void MemoryStream::Assign(std::span<const std::uint8_t> bytes) {
    BeforeWrite();
    bytes_.assign(bytes.begin(), bytes.end());
    position_ = 0;
}

std::span<const std::uint8_t> MemoryStream::Content() {
    BeforeRead();
    return bytes_;
}

}  // namespace chimdb
