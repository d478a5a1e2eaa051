#include "chimdb/database_creator.h"
#include "chimdb/database_error.h"
#include "chimdb/table_addition.h"
#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/schema_reader.h"

namespace chimdb_tool {

// chimdb create FILE --schema SCHEMA.json: writes a new database file; prints nothing.
void RunCreate(const Arguments& args, std::ostream& /*out*/) {
    chimdb::DatabaseSchema schema = ReadSchemaFile(args.Required("schema"));
    chimdb::DatabaseCreator(std::move(schema)).CreateFile(args.Positional().front());
}

// chimdb add-table FILE --schema TABLE.json: adds an empty table to an existing file;
// prints nothing. A table of that name already there is refused, never replaced.
void RunAddTable(const Arguments& args, std::ostream& /*out*/) {
    const chimdb::TableSchema table = ReadTableSchemaFile(args.Required("schema"));
    const std::string& path = args.Positional().front();
    if (!chimdb::TableAddition::AddTableToFile(path, table))
        chimdb::RaiseError("Table '%s' already exists", table.name);
}

}  // namespace chimdb_tool
