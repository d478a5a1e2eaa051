#include "chimdb/database_creator.h"
#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/schema_reader.h"

namespace chimdb_tool {

// chimdb create FILE --schema SCHEMA.json: writes a new database file; prints nothing.
void RunCreate(const Arguments& args, std::ostream& /*out*/) {
    chimdb::DatabaseSchema spec = ReadSchemaFile(args.Required("schema"));
    chimdb::DatabaseCreator(std::move(spec)).CreateFile(args.Positional().front());
}

}  // namespace chimdb_tool
