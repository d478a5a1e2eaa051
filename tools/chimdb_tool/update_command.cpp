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
    OpenedTable opened(args.Positional().front(), args.Required("table"), args.Required("index"),
                       args.Option("password").value_or(""));
    opened.FindRecord(args.Required("key"));
    chimdb::ChimTable& table = opened.Table();
    RecordValues record = opened.NewRecord();
    opened.ReadCurrent(record);
    record.Assign(changes);
    std::vector<std::size_t> changed;
    for (const auto& [name, value] : changes.items()) {
        if (!value.is_null())
            changed.push_back(record.FieldNumber(name));
    }
    table.Edit();
    opened.WriteFields(record, changed);
    table.Post();
    opened.Close();
}

}  // namespace chimdb_tool
