#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

// chimdb dump FILE --table T [--index I] [--password P]: one JSON object per live record,
// in index order (record-number order without an index).
void RunDump(const Arguments& args, std::ostream& out) {
    OpenedTable opened(args.Positional().front(), args.Required("table"),
                       args.Option("password").value_or(""));
    std::size_t listNumber = 0;
    if (auto index = args.Option("index"))
        listNumber = static_cast<std::size_t>(opened.IndexNumber(*index)) + 1;
    RecordValues record = opened.NewRecord();
    const auto count = static_cast<std::int32_t>(opened.Table().List(listNumber).size());
    for (std::int32_t position = 0; position < count; ++position) {
        opened.Table().ReadRecord(record.Buffers(), listNumber, position);
        out << record.ToJson().dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
    }
}

}  // namespace chimdb_tool
