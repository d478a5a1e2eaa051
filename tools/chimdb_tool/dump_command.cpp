#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

// chimdb dump FILE --table T [--index I] [--password P]: one JSON object per live record,
// in index order (record-number order without an index).
void RunDump(const Arguments& args, std::ostream& out) {
    OpenedTable opened(args.Positional().front(), args.Required("table"),
                       args.Option("index").value_or(""), args.Option("password").value_or(""));
    chimdb::ChimTable& table = opened.Table();
    // Without --index the records go in the order they were appended.
    if (!args.Option("index"))
        table.UseRecordNumberOrder();
    RecordValues record = opened.NewRecord();
    for (table.First(); !table.Eof(); table.Next()) {
        opened.ReadCurrent(record);
        out << record.ToJson().dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
    }
}

}  // namespace chimdb_tool
