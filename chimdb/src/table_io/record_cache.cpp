#include "table_io/record_cache.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace chimdb {

namespace {

std::size_t AlignUp(std::size_t size) {
    return (size + 7) & ~static_cast<std::size_t>(7);
}

}  // namespace

void RecordCache::SetLimit(std::size_t limitBytes) {
    limit_ = limitBytes;
    Reset(maxRecordSize_, slotOf_.size());
}

void RecordCache::Reset(std::size_t maxRecordSize, std::size_t recordCount) {
    maxRecordSize_ = maxRecordSize;
    chunks_.clear();
    filled_.clear();
    current_ = 0;
    count_ = 0;
    slotOf_.clear();
    slotOf_.shrink_to_fit();
    // Chunks small enough that a small budget still holds a few, large enough for the
    // largest record.
    const std::size_t largest = AlignUp(kHeaderBytes + maxRecordSize);
    chunkSize_ = 0;
    chunkShift_ = 0;
    if (maxRecordSize > 0) {
        chunkSize_ = std::bit_ceil(std::max(largest, std::min(kLargestChunk, limit_ / 16)));
        chunkShift_ = static_cast<unsigned>(std::countr_zero(chunkSize_));
    }
    GrowSlotTable(recordCount);
}

void RecordCache::Clear() {
    std::fill(slotOf_.begin(), slotOf_.end(), kNotKept);
    std::fill(filled_.begin(), filled_.end(), 0);
    current_ = 0;
    count_ = 0;
}

std::size_t RecordCache::MemoryUsed() const {
    return chunks_.size() * chunkSize_ + slotOf_.capacity() * sizeof(std::uint32_t);
}

// Chunks the budget allows besides the slot table, never so many that a place overflows.
std::size_t RecordCache::ChunkCapacity() const {
    const std::size_t table = slotOf_.capacity() * sizeof(std::uint32_t);
    if (chunkSize_ == 0 || limit_ <= table)
        return 0;
    return std::min((limit_ - table) / chunkSize_, (std::size_t{kNotKept} - 1) / chunkSize_);
}

// The slot table grows with the record numbers; it is given up (and nothing kept) when
// the table alone would take a tenth of the budget.
bool RecordCache::GrowSlotTable(std::size_t recordCount) {
    if (recordCount <= slotOf_.size())
        return true;
    if (recordCount * sizeof(std::uint32_t) > limit_ / 10)
        return false;
    if (recordCount > slotOf_.capacity()) {
        // Room for half as many again, so that appends one by one do not copy the table
        // each time; within the tenth of the budget.
        const std::size_t most = limit_ / 10 / sizeof(std::uint32_t);
        slotOf_.reserve(std::min(std::max(recordCount, slotOf_.size() + slotOf_.size() / 2), most));
    }
    slotOf_.resize(recordCount, kNotKept);
    // A larger slot table may leave room for fewer chunks: give the surplus back.
    const std::size_t capacity = ChunkCapacity();
    if (chunks_.size() > capacity) {
        Clear();
        chunks_.resize(capacity);
        filled_.resize(capacity);
    }
    return true;
}

void RecordCache::EmptyChunk(std::size_t chunk) {
    const std::uint8_t* base = chunks_[chunk].get();
    for (std::size_t at = 0; at < filled_[chunk];) {
        std::int32_t recNo = 0;
        std::uint32_t size = 0;
        std::memcpy(&recNo, base + at, sizeof recNo);
        std::memcpy(&size, base + at + sizeof recNo, sizeof size);
        const auto place = static_cast<std::uint32_t>(chunk * chunkSize_ + at);
        if (recNo >= 0 && static_cast<std::size_t>(recNo) < slotOf_.size() &&
            slotOf_[static_cast<std::size_t>(recNo)] == place) {
            slotOf_[static_cast<std::size_t>(recNo)] = kNotKept;
            --count_;
        }
        at += AlignUp(kHeaderBytes + size);
    }
    filled_[chunk] = 0;
}

bool RecordCache::NextChunk() {
    const std::size_t capacity = ChunkCapacity();
    if (capacity == 0)
        return false;
    const std::size_t next = chunks_.empty() ? 0 : (current_ + 1) % capacity;
    if (next == chunks_.size()) {
        chunks_.push_back(std::make_unique<std::uint8_t[]>(chunkSize_));
        filled_.push_back(0);
    } else {
        EmptyChunk(next);
    }
    current_ = next;
    return true;
}

std::uint8_t* RecordCache::Insert(std::int32_t recNo, std::size_t size) {
    if (recNo < 0 || size > maxRecordSize_ || chunkSize_ == 0)
        return nullptr;
    if (!GrowSlotTable(static_cast<std::size_t>(recNo) + 1))
        return nullptr;
    const std::size_t room = AlignUp(kHeaderBytes + size);
    if (chunks_.empty() || filled_[current_] + room > chunkSize_) {
        if (!NextChunk())
            return nullptr;
    }
    Erase(recNo);
    std::uint8_t* at = chunks_[current_].get() + filled_[current_];
    const auto size32 = static_cast<std::uint32_t>(size);
    std::memcpy(at, &recNo, sizeof recNo);
    std::memcpy(at + sizeof recNo, &size32, sizeof size32);
    slotOf_[static_cast<std::size_t>(recNo)] =
        static_cast<std::uint32_t>(current_ * chunkSize_ + filled_[current_]);
    filled_[current_] += room;
    ++count_;
    return at + kHeaderBytes;
}

void RecordCache::Erase(std::int32_t recNo) {
    if (recNo < 0 || static_cast<std::size_t>(recNo) >= slotOf_.size())
        return;
    std::uint32_t& place = slotOf_[static_cast<std::size_t>(recNo)];
    if (place == kNotKept)
        return;
    place = kNotKept;
    --count_;
}

}  // namespace chimdb
