#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

// chimdb update FILE --table T --index I --key VALUE --set JSON [--password P]: sets the given
// fields of the record whose key equals VALUE.
void RunUpdate(const Arguments& args, std::ostream&) {
    const std::string setText = args.Required("set");
    Json changes = Json::parse(setText, nullptr, false);
    if (changes.is_discarded() || !changes.is_object())
        throw std::runtime_error("--set must be a JSON object: " + setText);
    OpenedTable opened(args.Positional().front(), args.Required("table"),
                       args.Option("password").value_or(""));
    const std::int32_t index = opened.IndexNumber(args.Required("index"));
    const std::int32_t position = opened.FindRecord(index, args.Required("key"));
    RecordValues record = opened.NewRecord();
    opened.Table().ReadRecord(record.Buffers(), 0, position);
    record.Assign(changes);
    opened.Table().ModifyRecord(record.Buffers(), position, {}, nullptr, true);
}

}  // namespace chimdb_tool
