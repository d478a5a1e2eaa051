#include "table_io/retained_tables.h"

#include <algorithm>

namespace chimdb {

std::size_t RetainedTable::MemoryUsed() const {
    std::size_t bytes = recordItems.capacity() * sizeof(RecordTabItem) +
                        recordBlocks.capacity() * sizeof(std::int32_t) + kept.MemoryUsed() +
                        tableHeader.capacity();
    for (const auto& blocks : indexBlocks)
        bytes += blocks.capacity() * sizeof(std::int32_t);
    for (std::size_t list = 0; list < lists.Count(); ++list)
        bytes += lists.List(list).capacity() * sizeof(RecordRef);
    return bytes;
}

RetainedTables& RetainedTables::Instance() {
    static RetainedTables* tables = new RetainedTables();  // used until the process ends
    return *tables;
}

void RetainedTables::SetLimit(std::size_t bytes) {
    std::lock_guard lock(mutex_);
    limit_ = bytes;
    Trim();
}

std::size_t RetainedTables::Limit() const {
    std::lock_guard lock(mutex_);
    return limit_;
}

std::size_t RetainedTables::MemoryUsed() const {
    std::lock_guard lock(mutex_);
    return used_;
}

void RetainedTables::Put(RetainedTable table) {
    std::lock_guard lock(mutex_);
    tables_.remove_if([&](const RetainedTable& old) {
        const bool same = old.file == table.file && old.tableNumber == table.tableNumber;
        if (same)
            used_ -= old.MemoryUsed();
        return same;
    });
    const std::size_t bytes = table.MemoryUsed();
    if (bytes > limit_)
        return;
    used_ += bytes;
    tables_.push_back(std::move(table));
    Trim();
}

std::optional<RetainedTable> RetainedTables::Take(const File::Identity& file,
                                                  std::int32_t tableNumber) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(tables_.begin(), tables_.end(), [&](const RetainedTable& table) {
        return table.file == file && table.tableNumber == tableNumber;
    });
    if (found == tables_.end())
        return std::nullopt;
    RetainedTable table = std::move(*found);
    used_ -= table.MemoryUsed();
    tables_.erase(found);
    return table;
}

void RetainedTables::Clear() {
    std::lock_guard lock(mutex_);
    tables_.clear();
    used_ = 0;
}

void RetainedTables::Trim() {
    while (used_ > limit_ && !tables_.empty()) {
        used_ -= tables_.front().MemoryUsed();
        tables_.pop_front();
    }
}

}  // namespace chimdb
