// The chimdb command-line tool: creates database files and shows what they hold, as JSON.
// Exit status: 0 success, 1 an error of the store (its message on standard error),
// 2 a command line that does not fit (usage on standard error).
#include <iostream>
#include <string>
#include <vector>

#include "chimdb/database_error.h"
#include "tools/chimdb_tool/arguments.h"
#include "tools/chimdb_tool/commands.h"

namespace {

int PrintUsage(const std::string& problem) {
    if (!problem.empty())
        std::cerr << "chimdb: " << problem << "\n";
    std::cerr << "usage:\n  chimdb --version\n";
    for (const auto& command : chimdb_tool::AllCommands())
        std::cerr << "  " << command.usage << "\n";
    return 2;
}

const chimdb_tool::Command* FindCommand(const std::string& name) {
    for (const auto& command : chimdb_tool::AllCommands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return PrintUsage("no command given");
    if (args.size() == 1 && args.front() == "--version") {
        std::cout << "chimdb " << CHIMORA_VERSION << "\n";
        return 0;
    }
    const chimdb_tool::Command* command = FindCommand(args.front());
    if (!command)
        return PrintUsage("unknown command '" + args.front() + "'");
    try {
        auto parsed =
            chimdb_tool::Arguments::Parse({args.begin() + 1, args.end()}, command->options);
        if (parsed.Positional().size() != command->positionalCount)
            throw chimdb_tool::UsageError("wrong number of arguments for '" + args.front() + "'");
        command->run(parsed, std::cout);
        std::cout.flush();
        return 0;
    } catch (const chimdb_tool::UsageError& error) {
        return PrintUsage(error.what());
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
