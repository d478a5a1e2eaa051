#pragma once

// Runs the built chimdb tool as a separate process, as an administrator would, with its
// standard input, output and error going through files in the test's folder.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace chimdb::testing {

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The tool is built beside the test executable.
inline std::filesystem::path ToolPath() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "chimdb";
}

inline RunResult RunTool(const std::filesystem::path& tool, const std::filesystem::path& dir,
                         const std::vector<std::string>& args, const std::string& input = "") {
    std::ofstream(dir / "in", std::ios::binary) << input;
    std::string command = ShellQuote(tool.string());
    for (const auto& arg : args)
        command += " " + ShellQuote(arg);
    command += " <" + ShellQuote((dir / "in").string()) + " >" +
               ShellQuote((dir / "out").string()) + " 2>" + ShellQuote((dir / "err").string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
}

}  // namespace chimdb::testing
