#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "tools/chimdb_tool/arguments.h"

namespace chimdb_tool {

// One command of the tool: its name, its usage line, how many positional arguments it
// takes, its options, and the function that runs it. A command writes its result to out
// and raises chimdb::DatabaseError (exit 1) or UsageError (exit 2) on failure.
struct Command {
    std::string_view name;
    std::string_view usage;
    std::size_t positionalCount;
    std::vector<DeclaredOption> options;
    void (*run)(const Arguments& args, std::ostream& out);
};

void RunCreate(const Arguments& args, std::ostream& out);
void RunAddTable(const Arguments& args, std::ostream& out);
void RunInfo(const Arguments& args, std::ostream& out);
void RunDump(const Arguments& args, std::ostream& out);
void RunInsert(const Arguments& args, std::ostream& out);
void RunUpdate(const Arguments& args, std::ostream& out);
void RunDelete(const Arguments& args, std::ostream& out);
void RunLocate(const Arguments& args, std::ostream& out);

// Every command of the tool, in the order the usage text lists them.
std::span<const Command> AllCommands();

}  // namespace chimdb_tool
