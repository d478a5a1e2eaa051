#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

// chimdb delete FILE --table T --index I --key VALUE [--password P]: deletes the record whose
// key equals VALUE.
void RunDelete(const Arguments& args, std::ostream&) {
    OpenedTable opened(args.Positional().front(), args.Required("table"),
                       args.Option("password").value_or(""));
    const std::int32_t index = opened.IndexNumber(args.Required("index"));
    const std::int32_t position = opened.FindRecord(index, args.Required("key"));
    opened.Table().DeleteRecord(position, true);
}

}  // namespace chimdb_tool
