#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "chimdb/chim_db_file_io.h"
#include "chimdb/chim_table_io.h"
#include "tools/chimdb_tool/record_values.h"

namespace chimdb_tool {

// One table of a database file, opened for the record commands: the file is opened,
// the password checked ("Access denied" when it does not open an enciphered file) and
// the table loaded; everything is closed again when this object goes.
class OpenedTable {
  public:
    OpenedTable(const std::string& path, std::string_view tableName, std::string_view password);
    ~OpenedTable();
    OpenedTable(const OpenedTable&) = delete;
    OpenedTable& operator=(const OpenedTable&) = delete;

    chimdb::ChimDBFileIO& FileIO() { return io_; }
    chimdb::ChimTableIO& Table() { return *table_; }
    // A fresh record of this table (blob values load through this file).
    RecordValues NewRecord();
    // Number of the index with this name (any case); "Index '%s' not found".
    std::int32_t IndexNumber(std::string_view name) const;
    // Position in list 0 of the first record (in index order) whose key in the index
    // equals keyText in full; "Record not found" when there is none. keyText is the first
    // key field's value, or a JSON array of values for the leading key fields of an index
    // of several fields.
    std::int32_t FindRecord(std::int32_t indexNumber, const std::string& keyText);

  private:
    chimdb::ChimDBFileIO io_;
    std::unique_ptr<chimdb::ChimTableIO> table_;
};

}  // namespace chimdb_tool
