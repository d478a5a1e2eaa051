#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace chimdb {

// Deciphered fixed parts of a table's records, by record number, within a byte budget.
//
// A slot holds one record image with every plain field deciphered (blob descriptors as
// stored). When the budget is used up, the slot filled longest ago is given to the next
// record, so a table larger than the budget costs no more than the budget; it is then read
// from the file as often as its records fall out again.
class RecordCache {
  public:
    // Room for about 200,000 records of the program's ring entry table.
    static constexpr std::size_t kDefaultLimit = 64u << 20;

    explicit RecordCache(std::size_t limitBytes = kDefaultLimit) : limit_(limitBytes) {}

    // The budget for slots and the slot table together; changing it drops every record.
    void SetLimit(std::size_t limitBytes);
    std::size_t Limit() const { return limit_; }

    // Starts over for a table whose records are recordSize bytes and whose record numbers
    // run below recordCount (the slot table grows as record numbers are appended).
    void Reset(std::size_t recordSize, std::size_t recordCount);
    // Drops every record, keeps the allocation.
    void Clear();

    // The kept slot of a record, nullptr when it is not kept.
    std::uint8_t* Find(std::int32_t recNo) const {
        if (recNo < 0 || static_cast<std::size_t>(recNo) >= slotOf_.size())
            return nullptr;
        const std::int32_t slot = slotOf_[static_cast<std::size_t>(recNo)];
        return slot < 0 ? nullptr : SlotData(static_cast<std::size_t>(slot));
    }
    // A slot to fill with the image of recNo (its old image, if any, is given back). nullptr
    // when the budget cannot hold even one record: the caller then reads the file.
    std::uint8_t* Insert(std::int32_t recNo);
    void Erase(std::int32_t recNo);

    std::size_t Count() const { return used_ - free_.size(); }
    // Bytes held: slots allocated plus the slot table.
    std::size_t MemoryUsed() const;

  private:
    static constexpr std::size_t kSlotsPerChunk = 256;

    std::uint8_t* SlotData(std::size_t slot) const {
        return chunks_[slot / kSlotsPerChunk].get() + (slot % kSlotsPerChunk) * recordSize_;
    }
    std::size_t SlotCapacity() const;
    bool GrowSlotTable(std::size_t recordCount);
    std::int32_t TakeSlot();

    std::size_t limit_;
    std::size_t recordSize_ = 0;
    // Record number -> slot, -1 when not kept.
    std::vector<std::int32_t> slotOf_;
    // Slot -> record number, -1 when free.
    std::vector<std::int32_t> recordOf_;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    // Slots handed out so far (the slots below it exist) and the freed ones among them.
    std::size_t used_ = 0;
    std::vector<std::int32_t> free_;
    // The next slot to give away when the budget is full.
    std::size_t hand_ = 0;
};

}  // namespace chimdb
