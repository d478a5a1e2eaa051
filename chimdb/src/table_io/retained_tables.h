#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <vector>

#include "chimdb/file.h"
#include "format/process_header.h"
#include "format/record_tab_item.h"
#include "table_io/record_cache.h"
#include "table_io/record_lists.h"

namespace chimdb {

// What a table I/O object had read of a table (its lists, record table and kept records)
// when its last user closed it, and what the file looked like then.
struct RetainedTable {
    // Which table of which file, and the file as it was: the prologue (cipher, password
    // hash), the table header (counts, chain heads, the change stamp) and the file system's
    // change times.
    File::Identity file;
    std::int32_t tableNumber = -1;
    std::array<std::uint8_t, format::kProcessHeaderSize> processHeader{};
    std::vector<std::uint8_t> tableHeader;
    File::ChangeTimes changeTimes;

    std::vector<RecordTabItem> recordItems;
    std::vector<std::int32_t> recordBlocks;
    std::vector<std::vector<std::int32_t>> indexBlocks;
    RecordLists lists;
    RecordCache kept;

    std::size_t MemoryUsed() const;
};

// The tables that programs closed, kept for the next opening of the same table in this
// process (a dialog or a cursor that opens, reads and closes a table again and again), within
// a byte budget: the table closed longest ago goes first. An opening takes a table only when
// the file is as it was left (see ChimTableIO::OpenTable); otherwise it reads the table anew.
class RetainedTables {
  public:
    static constexpr std::size_t kDefaultLimit = 64u << 20;

    static RetainedTables& Instance();

    // The budget for all retained tables together; 0 retains none.
    void SetLimit(std::size_t bytes);
    std::size_t Limit() const;
    std::size_t MemoryUsed() const;

    void Put(RetainedTable table);
    // The retained state of that table of that file, taken out of the store.
    std::optional<RetainedTable> Take(const File::Identity& file, std::int32_t tableNumber);
    void Clear();

  private:
    void Trim();

    mutable std::mutex mutex_;
    std::size_t limit_ = kDefaultLimit;
    std::size_t used_ = 0;
    // Closed longest ago first.
    std::list<RetainedTable> tables_;
};

}  // namespace chimdb
