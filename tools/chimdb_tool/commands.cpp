#include "tools/chimdb_tool/commands.h"

#include <array>

namespace chimdb_tool {

std::span<const Command> AllCommands() {
    static const std::array commands{
        Command{
            "create", "chimdb create FILE --schema SCHEMA.json", 1, {{"schema", true}}, RunCreate},
        Command{"add-table",
                "chimdb add-table FILE --schema TABLE.json",
                1,
                {{"schema", true}},
                RunAddTable},
        Command{"info", "chimdb info FILE", 1, {}, RunInfo},
        Command{"dump",
                "chimdb dump FILE --table T [--index I] [--password P] [--filter EXPR "
                "[--filter-options case-insensitive,no-partial-compare]]",
                1,
                {{"table", true},
                 {"index", true},
                 {"password", true},
                 {"filter", true},
                 {"filter-options", true}},
                RunDump},
        Command{"insert",
                "chimdb insert FILE --table T [--password P]  (JSON objects on standard input)",
                1,
                {{"table", true}, {"password", true}},
                RunInsert},
        Command{
            "update",
            "chimdb update FILE --table T --index I --key VALUE --set JSON [--password P]",
            1,
            {{"table", true}, {"index", true}, {"key", true}, {"set", true}, {"password", true}},
            RunUpdate},
        Command{"delete",
                "chimdb delete FILE --table T --index I --key VALUE [--password P]",
                1,
                {{"table", true}, {"index", true}, {"key", true}, {"password", true}},
                RunDelete},
        Command{"locate",
                "chimdb locate FILE --table T --fields \"F1;F2\" --values JSON-ARRAY "
                "[--case-insensitive] [--partial] [--password P]",
                1,
                {{"table", true},
                 {"fields", true},
                 {"values", true},
                 {"case-insensitive", false},
                 {"partial", false},
                 {"password", true}},
                RunLocate},
    };
    return commands;
}

}  // namespace chimdb_tool
