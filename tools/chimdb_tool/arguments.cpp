#include "tools/chimdb_tool/arguments.h"

#include <algorithm>

namespace chimdb_tool {

Arguments Arguments::Parse(const std::vector<std::string>& args,
                           const std::vector<DeclaredOption>& options) {
    Arguments result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            result.positional_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        auto known = std::find_if(options.begin(), options.end(),
                                  [&](const DeclaredOption& o) { return o.name == name; });
        if (known == options.end())
            throw UsageError("unknown option " + arg);
        if (result.options_.contains(name))
            throw UsageError("option " + arg + " given twice");
        if (!known->takesValue) {
            result.options_[name] = "";
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError("option " + arg + " needs a value");
        result.options_[name] = args[++i];
    }
    return result;
}

std::optional<std::string> Arguments::Option(std::string_view name) const {
    auto it = options_.find(std::string(name));
    if (it == options_.end())
        return std::nullopt;
    return it->second;
}

std::string Arguments::Required(std::string_view name) const {
    auto value = Option(name);
    if (!value)
        throw UsageError("missing option --" + std::string(name));
    return *value;
}

}  // namespace chimdb_tool
