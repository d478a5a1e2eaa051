#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/log_files.h"

namespace chimora::platform {

// Files are texts in memory, by path; a refused path takes no text, as a folder in the
// file's place or a missing folder would.
class FakeLogFiles : public LogFiles {
  public:
    std::optional<std::uintmax_t> Size(const std::string& path) const override {
        const auto it = files.find(path);
        if (it == files.end())
            return std::nullopt;
        return it->second.size();
    }
    bool AppendDurably(const std::string& path, const std::string& text) override {
        if (refused.count(path) > 0)
            return false;
        files[path] += text;
        return true;
    }
    bool Rename(const std::string& from, const std::string& to) override {
        if (files.count(from) == 0 || refused.count(to) > 0)
            return false;
        std::string text = std::move(files[from]);
        files.erase(from);
        files[to] = std::move(text);
        return true;
    }

    std::map<std::string, std::string> files;
    std::set<std::string> refused;
};

}  // namespace chimora::platform
