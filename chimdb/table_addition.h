#pragma once

#include <string>

#include "chimdb/database_schema.h"
#include "chimdb/file.h"
#include "chimdb/lock_settings.h"

namespace chimdb {

// Adds an empty table to an existing database file, so that a file made before a table
// existed can gain it without being made again.
//
// The writes follow the order the store keeps for records: the new table header at the end
// of the file, then its offset in the first unused directory slot, then the table count,
// each made durable before the next. A stop after any of them leaves a file that opens with
// every earlier table intact; the table is there only once the count says so.
class TableAddition {
  public:
    // Adds the table to the database in file; the caller holds the file lock (or owns the
    // file alone). False, and nothing written, when a table of that name (any case) is
    // there already. Raises DatabaseError for a table the schema rules refuse, a full
    // directory, or a file that is no database of the store.
    static bool AddTable(File& file, const TableSchema& table);

    // Opens the database file at path, takes the store's file lock (waiting as the lock
    // settings say) and adds the table when it is missing. False when it was there already.
    // "Cannot open file %s" for a missing file or one opened exclusively by someone else;
    // "Database file '%s' is read-only" when it cannot be written.
    static bool AddTableToFile(const std::string& path, const TableSchema& table,
                               const LockSettings& lockSettings = LockSettings());
};

}  // namespace chimdb
