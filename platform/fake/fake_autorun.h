#pragma once

#include <map>
#include <string>

#include "platform/autorun.h"

namespace chimora::platform {

// Keeps the entries in memory; can be told to refuse writes.
class FakeAutorun : public Autorun {
  public:
    void AddAutoRun(const std::string& name, const std::string& data) override {
        if (refuseWrites)
            throw AutorunError("Failed to set data for '" + name + "'");
        entries[name] = data;
    }
    void DeleteAutoRun(const std::string& name) override { entries.erase(name); }

    bool refuseWrites = false;
    std::map<std::string, std::string> entries;
};

}  // namespace chimora::platform
