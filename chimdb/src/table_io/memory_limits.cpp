#include "chimdb/memory_limits.h"

#include "table_io/chim_table_io.h"
#include "table_io/retained_tables.h"

namespace chimdb {

void SetKeptRecordLimit(std::size_t bytes) {
    ChimTableIO::SetDefaultKeptRecordLimit(bytes);
}

std::size_t KeptRecordLimit() {
    return ChimTableIO::DefaultKeptRecordLimit();
}

void SetRetainedTableLimit(std::size_t bytes) {
    RetainedTables::Instance().SetLimit(bytes);
}

std::size_t RetainedTableLimit() {
    return RetainedTables::Instance().Limit();
}

std::size_t RetainedTableBytes() {
    return RetainedTables::Instance().MemoryUsed();
}

}  // namespace chimdb
