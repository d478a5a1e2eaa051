#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace chimdb {

// Deciphered records of a table, by record number, within a byte budget. A record is kept
// in its compact form (CompactRecordLayout), so records take different room.
//
// Records are laid one after the other into chunks, in the order they are kept, which is
// the order a walk or a filter pass reads them again. When the budget is used up, the chunk
// filled longest ago is emptied for the next records, so a table larger than the budget
// costs no more than the budget; its records are then read from the file as often as they
// fall out again. A record kept anew (written, or read again after it fell out) takes new
// room; its old place is given back with its chunk.
class RecordCache {
  public:
    // Room for about 600,000 records of the program's ring entry table.
    static constexpr std::size_t kDefaultLimit = 64u << 20;

    explicit RecordCache(std::size_t limitBytes = kDefaultLimit) : limit_(limitBytes) {}

    // The budget for chunks and the slot table together; changing it drops every record.
    void SetLimit(std::size_t limitBytes);
    std::size_t Limit() const { return limit_; }

    // Starts over for a table whose records take at most maxRecordSize bytes (0: none are
    // kept) and whose record numbers run below recordCount (the slot table grows as record
    // numbers are appended).
    void Reset(std::size_t maxRecordSize, std::size_t recordCount);
    // Drops every record, keeps the allocations.
    void Clear();

    // The kept record, nullptr when it is not kept.
    const std::uint8_t* Find(std::int32_t recNo) const {
        if (recNo < 0 || static_cast<std::size_t>(recNo) >= slotOf_.size())
            return nullptr;
        const std::uint32_t at = slotOf_[static_cast<std::size_t>(recNo)];
        return at == kNotKept ? nullptr : Address(at) + kHeaderBytes;
    }
    // Room for size bytes of the record recNo, which replaces what was kept of it. nullptr
    // when the budget cannot hold it: the caller then reads the file.
    std::uint8_t* Insert(std::int32_t recNo, std::size_t size);
    void Erase(std::int32_t recNo);

    std::size_t Count() const { return count_; }
    // Bytes held: chunks allocated plus the slot table.
    std::size_t MemoryUsed() const;

  private:
    static constexpr std::uint32_t kNotKept = 0xFFFFFFFF;
    // Before each record: its number and its size (so that an emptied chunk tells whose
    // records it held).
    static constexpr std::size_t kHeaderBytes = 8;
    static constexpr std::size_t kLargestChunk = 64 * 1024;

    const std::uint8_t* Address(std::uint32_t at) const {
        return chunks_[at >> chunkShift_].get() + (at & (chunkSize_ - 1));
    }
    std::size_t ChunkCapacity() const;
    bool GrowSlotTable(std::size_t recordCount);
    // Moves filling on to the next chunk: a new one while the budget allows, else the one
    // filled longest ago, emptied. False when there is no chunk to fill.
    bool NextChunk();
    void EmptyChunk(std::size_t chunk);

    std::size_t limit_;
    std::size_t maxRecordSize_ = 0;
    // A power of two, so that a place splits into chunk and offset without a division.
    std::size_t chunkSize_ = 0;
    unsigned chunkShift_ = 0;
    // Record number -> place (chunk x chunk size + offset of its header), kNotKept.
    std::vector<std::uint32_t> slotOf_;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    // Bytes filled in each chunk; the chunk being filled.
    std::vector<std::size_t> filled_;
    std::size_t current_ = 0;
    std::size_t count_ = 0;
};

}  // namespace chimdb
