#include <iostream>
#include <numeric>
#include <string>

#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

namespace {

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

}  // namespace

// chimdb insert FILE --table T [--password P]: appends the JSON objects read from standard
// input, one per line, and prints each new record's auto-increment value.
void RunInsert(const Arguments& args, std::ostream& out) {
    OpenedTable opened(args.Positional().front(), args.Required("table"), "",
                       args.Option("password").value_or(""));
    chimdb::ChimTable& table = opened.Table();
    const std::int32_t autoIncField = table.AutoIncField();
    RecordValues record = opened.NewRecord();
    std::vector<std::size_t> everyField(table.FieldCount());
    std::iota(everyField.begin(), everyField.end(), 0);
    std::string line;
    try {
        while (std::getline(std::cin, line)) {
            if (IsBlank(line))
                continue;
            Json object = Json::parse(line, nullptr, false);
            if (object.is_discarded())
                throw std::runtime_error("Invalid JSON: " + line);
            record.SetNewRecordDefaults();
            record.Assign(object);
            table.Append();
            opened.WriteFields(record, everyField);
            table.Post();
            const std::int32_t autoInc =
                autoIncField >= 0 ? table.Fields(static_cast<std::size_t>(autoIncField)).AsInteger()
                                  : 0;
            out << autoInc << "\n";
        }
    } catch (...) {
        out.flush();
        if (table.State() == chimdb::DataSetState::dsInsert)
            table.Cancel();
        opened.Close();
        throw;
    }
    opened.Close();
}

}  // namespace chimdb_tool
