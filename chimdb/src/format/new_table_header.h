#pragma once

#include "chimdb/database_schema.h"
#include "format/table_header.h"

namespace chimdb {

// The header of a new, empty table, checked as for a new file; raises DatabaseError naming
// the first problem. The database creator and the addition of a table to an existing file
// build their headers with it (it lives with the creator's other schema checks).
TableHeader NewTableHeader(const TableSchema& table);

}  // namespace chimdb
