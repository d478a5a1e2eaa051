#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

// chimdb delete FILE --table T --index I --key VALUE [--password P]: deletes the record whose
// key equals VALUE.
void RunDelete(const Arguments& args, std::ostream&) {
    OpenedTable opened(args.Positional().front(), args.Required("table"), args.Required("index"),
                       args.Option("password").value_or(""));
    opened.FindRecord(args.Required("key"));
    opened.Table().Delete();
    opened.Close();
}

}  // namespace chimdb_tool
