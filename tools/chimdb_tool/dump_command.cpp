#include <sstream>
#include <string>

#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

namespace {

// "case-insensitive,no-partial-compare" (either, both in any order, or empty).
chimdb::FilterOptions ParseFilterOptions(const std::string& text) {
    chimdb::FilterOptions options;
    std::istringstream in(text);
    for (std::string name; std::getline(in, name, ',');) {
        if (name == "case-insensitive")
            options.caseInsensitive = true;
        else if (name == "no-partial-compare")
            options.noPartialCompare = true;
        else if (!name.empty())
            throw UsageError("unknown filter option '" + name +
                             "' (case-insensitive, no-partial-compare)");
    }
    return options;
}

}  // namespace

// chimdb dump FILE --table T [--index I] [--password P] [--filter EXPR [--filter-options O]]:
// one JSON object per live record the filter accepts, in index order (record-number order
// without an index). The lines are collected until the last record is read and written only
// then: a record that fails to read (or to pass the filter) must not leave a consumer that
// ignores the exit status with a shorter table that looks whole.
void RunDump(const Arguments& args, std::ostream& out) {
    const auto filter = args.Option("filter");
    const auto filterOptions = args.Option("filter-options");
    if (filterOptions && !filter)
        throw UsageError("--filter-options needs --filter");
    const chimdb::FilterOptions options = ParseFilterOptions(filterOptions.value_or(""));
    OpenedTable opened(args.Positional().front(), args.Required("table"),
                       args.Option("index").value_or(""), args.Option("password").value_or(""));
    chimdb::ChimTable& table = opened.Table();
    // Without --index the records go in the order they were appended.
    if (!args.Option("index"))
        table.UseRecordNumberOrder();
    // The filter goes through the cursor as the program sets it: options, the text (checked
    // when assigned), then filtering on.
    if (filter) {
        table.SetFilterOptions(options);
        table.SetFilter(*filter);
        table.SetFiltered(true);
    }
    RecordValues record = opened.NewRecord();
    std::string lines;
    for (table.First(); !table.Eof(); table.Next()) {
        opened.ReadCurrent(record);
        lines += record.ToJson().dump(-1, ' ', false, Json::error_handler_t::replace);
        lines += '\n';
    }
    out << lines;
}

}  // namespace chimdb_tool
