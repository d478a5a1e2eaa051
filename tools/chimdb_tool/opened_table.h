#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chimdb/chim_table.h"
#include "tools/chimdb_tool/record_values.h"

namespace chimdb_tool {

// One table of a database file, opened for the record commands through a table cursor with
// the program's open steps (database name, table name, index name, password, open), so that
// the tool takes the program's path to the data. An enciphered file without the right
// password is refused with "Access denied"; closing (Close, or this object going) closes the
// file, which flushes what was written.
class OpenedTable {
  public:
    // indexName empty: record-number order; otherwise "Index '%s' not found" when the table
    // has no index of that name.
    OpenedTable(const std::string& path, std::string_view tableName, std::string_view indexName,
                std::string_view password);
    ~OpenedTable();
    OpenedTable(const OpenedTable&) = delete;
    OpenedTable& operator=(const OpenedTable&) = delete;

    chimdb::ChimTable& Table() { return table_; }
    // A fresh record of this table.
    RecordValues NewRecord();
    // Copies the cursor's current record into values.
    void ReadCurrent(RecordValues& values);
    // Copies the given fields of values into the cursor's record (edit or insert state).
    void WriteFields(RecordValues& values, const std::vector<std::size_t>& fieldNumbers);
    // Makes current the first record (in index order) whose key equals keyText in full;
    // "Record not found" when there is none. keyText is the first key field's value, or a
    // JSON array of values for the leading key fields of an index of several fields.
    void FindRecord(const std::string& keyText);
    // Closes the table and the file; errors of the closing flush pass on.
    void Close();

  private:
    chimdb::ChimTable table_;
};

}  // namespace chimdb_tool
