#pragma once

// Reads a program folder's tables back through the store, for checking what a save wrote.

#include <map>
#include <string>
#include <vector>

#include "app/core/schedule_loader.h"
#include "chimdb/chim_table.h"

namespace chimora::testing {

using Row = std::map<std::string, std::string>;

// Every record of table in the order of index, each field as text.
inline std::vector<Row> ReadRows(const std::string& appPath, const std::string& table,
                                 const std::string& index) {
    chimdb::ChimTable cursor;
    ScheduleLoader::OpenTable(cursor, appPath, table, index);
    std::vector<Row> rows;
    cursor.First();
    while (!cursor.Eof()) {
        Row row;
        for (std::size_t i = 0; i < cursor.FieldCount(); ++i)
            row[cursor.Fields(i).FieldName()] = cursor.Fields(i).AsString();
        rows.push_back(row);
        cursor.Next();
    }
    cursor.Close();
    return rows;
}

// One ring entry line for ProgramFolder::Insert. flags: WEEK1..WEEK8 as "1"/"0".
inline std::string EntryLine(const std::string& plan, const std::string& time,
                             const std::string& desc, const std::string& flags = "11111000",
                             const std::string& file = "bell.wav") {
    std::string line = "{";
    for (int d = 1; d <= 8; ++d)
        line += "\"WEEK" + std::to_string(d) + "\": \"" + flags.substr(d - 1, 1) + "\", ";
    return line + "\"RINGDESC\": \"" + desc + "\", \"RINGFILE\": \"" + file +
           "\", \"RINGTIME\": \"" + time + "\", \"RINGPROJECT\": \"" + plan + "\"}\n";
}

inline std::string PlanLine(const std::string& name, bool active) {
    return "{\"NAME\": \"" + name + "\", \"ISACTIVE\": \"" + (active ? "1" : "0") + "\"}\n";
}

}  // namespace chimora::testing
