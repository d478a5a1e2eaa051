#include "tools/chimdb_tool/commands.h"

#include <array>

namespace chimdb_tool {

std::span<const Command> AllCommands() {
    static const std::array commands{
        Command{
            "create", "chimdb create FILE --schema SCHEMA.json", 1, {{"schema", true}}, RunCreate},
        Command{"info", "chimdb info FILE", 1, {}, RunInfo},
    };
    return commands;
}

}  // namespace chimdb_tool
