#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chimdb_tool {

// A command line that does not fit the command: the tool prints the usage and exits 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct DeclaredOption {
    std::string_view name;  // without the leading "--"
    bool takesValue = true;
};

// The arguments after the command name: positional arguments in order and "--name value"
// or "--flag" options declared by the command.
class Arguments {
  public:
    static Arguments Parse(const std::vector<std::string>& args,
                           const std::vector<DeclaredOption>& options);

    const std::vector<std::string>& Positional() const { return positional_; }
    std::optional<std::string> Option(std::string_view name) const;
    bool Flag(std::string_view name) const { return options_.contains(std::string(name)); }
    // The value of an option that must be given; UsageError when it is missing.
    std::string Required(std::string_view name) const;

  private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> options_;
};

}  // namespace chimdb_tool
