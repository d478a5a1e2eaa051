#include "table_io/record_cache.h"

#include <algorithm>

namespace chimdb {

void RecordCache::SetLimit(std::size_t limitBytes) {
    limit_ = limitBytes;
    Reset(recordSize_, slotOf_.size());
}

void RecordCache::Reset(std::size_t recordSize, std::size_t recordCount) {
    recordSize_ = recordSize;
    chunks_.clear();
    recordOf_.clear();
    free_.clear();
    used_ = 0;
    hand_ = 0;
    slotOf_.clear();
    slotOf_.shrink_to_fit();
    GrowSlotTable(recordCount);
}

void RecordCache::Clear() {
    std::fill(slotOf_.begin(), slotOf_.end(), -1);
    std::fill(recordOf_.begin(), recordOf_.end(), -1);
    free_.clear();
    for (std::size_t slot = used_; slot-- > 0;)
        free_.push_back(static_cast<std::int32_t>(slot));
    hand_ = 0;
}

std::size_t RecordCache::MemoryUsed() const {
    return chunks_.size() * kSlotsPerChunk * recordSize_ +
           recordOf_.capacity() * sizeof(std::int32_t) + slotOf_.capacity() * sizeof(std::int32_t);
}

// Slots the budget allows besides the slot table; whole chunks only, so that what is
// allocated never passes the budget.
std::size_t RecordCache::SlotCapacity() const {
    const std::size_t table = slotOf_.capacity() * sizeof(std::int32_t);
    const std::size_t chunkBytes = kSlotsPerChunk * (recordSize_ + sizeof(std::int32_t));
    if (recordSize_ == 0 || limit_ <= table)
        return 0;
    return (limit_ - table) / chunkBytes * kSlotsPerChunk;
}

// The slot table grows with the record numbers; it is given up (and nothing kept) when
// the table alone would take a tenth of the budget.
bool RecordCache::GrowSlotTable(std::size_t recordCount) {
    if (recordCount <= slotOf_.size())
        return true;
    if (recordCount * sizeof(std::int32_t) > limit_ / 10)
        return false;
    if (recordCount > slotOf_.capacity()) {
        // Room for half as many again, so that appends one by one do not copy the table
        // each time; within the tenth of the budget.
        const std::size_t most = limit_ / 10 / sizeof(std::int32_t);
        slotOf_.reserve(std::min(std::max(recordCount, slotOf_.size() + slotOf_.size() / 2), most));
    }
    slotOf_.resize(recordCount, -1);
    // A larger slot table may leave room for fewer slots: give the surplus back.
    const std::size_t capacity = SlotCapacity();
    while (chunks_.size() * kSlotsPerChunk > capacity) {
        const std::size_t first = (chunks_.size() - 1) * kSlotsPerChunk;
        for (std::size_t slot = first; slot < recordOf_.size(); ++slot) {
            if (recordOf_[slot] >= 0)
                slotOf_[static_cast<std::size_t>(recordOf_[slot])] = -1;
        }
        recordOf_.resize(first);
        used_ = std::min(used_, first);
        free_.erase(std::remove_if(
                        free_.begin(), free_.end(),
                        [&](std::int32_t slot) { return static_cast<std::size_t>(slot) >= first; }),
                    free_.end());
        chunks_.pop_back();
        hand_ = 0;
    }
    return true;
}

std::int32_t RecordCache::TakeSlot() {
    if (!free_.empty()) {
        const std::int32_t slot = free_.back();
        free_.pop_back();
        return slot;
    }
    if (used_ < chunks_.size() * kSlotsPerChunk)
        return static_cast<std::int32_t>(used_++);
    if (used_ + kSlotsPerChunk <= SlotCapacity()) {
        chunks_.push_back(std::make_unique<std::uint8_t[]>(kSlotsPerChunk * recordSize_));
        recordOf_.resize(chunks_.size() * kSlotsPerChunk, -1);
        return static_cast<std::int32_t>(used_++);
    }
    if (used_ == 0)
        return -1;
    // Full: the slot filled longest ago goes to the new record.
    const auto slot = static_cast<std::int32_t>(hand_);
    hand_ = (hand_ + 1) % used_;
    const std::int32_t old = recordOf_[static_cast<std::size_t>(slot)];
    if (old >= 0)
        slotOf_[static_cast<std::size_t>(old)] = -1;
    recordOf_[static_cast<std::size_t>(slot)] = -1;
    return slot;
}

std::uint8_t* RecordCache::Insert(std::int32_t recNo) {
    if (recNo < 0 || recordSize_ == 0)
        return nullptr;
    if (!GrowSlotTable(static_cast<std::size_t>(recNo) + 1))
        return nullptr;
    std::int32_t slot = slotOf_[static_cast<std::size_t>(recNo)];
    if (slot < 0) {
        slot = TakeSlot();
        if (slot < 0)
            return nullptr;
        slotOf_[static_cast<std::size_t>(recNo)] = slot;
        recordOf_[static_cast<std::size_t>(slot)] = recNo;
    }
    return SlotData(static_cast<std::size_t>(slot));
}

void RecordCache::Erase(std::int32_t recNo) {
    if (recNo < 0 || static_cast<std::size_t>(recNo) >= slotOf_.size())
        return;
    const std::int32_t slot = slotOf_[static_cast<std::size_t>(recNo)];
    if (slot < 0)
        return;
    slotOf_[static_cast<std::size_t>(recNo)] = -1;
    recordOf_[static_cast<std::size_t>(slot)] = -1;
    free_.push_back(slot);
}

}  // namespace chimdb
