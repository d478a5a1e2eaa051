#pragma once

#include <stdexcept>
#include <string>

#include "chimdb/database_schema.h"

namespace chimdb_tool {

// A schema file that cannot be read or does not have the documented shape.
class SchemaError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads a schema file (JSON, see docs/chimdb_tool.md) into a database schema. Unknown keys
// are refused, so that a misspelt setting is never silently ignored.
chimdb::DatabaseSchema ReadSchemaFile(const std::string& path);
chimdb::DatabaseSchema ParseSchema(const std::string& text);
// One table object, as in the "tables" array of a schema (for add-table).
chimdb::TableSchema ReadTableSchemaFile(const std::string& path);
chimdb::TableSchema ParseTableSchema(const std::string& text);

}  // namespace chimdb_tool
