#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/compress_algo.h"
#include "codec/encrypt_algo.h"

namespace chimdb {

// Compares two names without regard to ASCII case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// A process-wide table from names to algorithm classes. Names are looked up without regard
// to case; registering a class that is already present gives it the new name.
template <class Algo>
class AlgoRegistry {
  public:
    using Factory = std::function<std::unique_ptr<Algo>()>;
    struct Entry {
        std::string name;
        std::string className;
        Factory create;
    };

    void Register(std::string name, std::string className, Factory create) {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries_) {
            if (entry.className == className) {
                entry.name = std::move(name);
                entry.create = std::move(create);
                return;
            }
        }
        entries_.push_back({std::move(name), std::move(className), std::move(create)});
    }

    template <class Concrete>
    void Register(std::string name) {
        Register(std::move(name), std::string(Concrete().ClassName()),
                 [] { return std::make_unique<Concrete>(); });
    }

    std::optional<Entry> Find(std::string_view name) const {
        std::lock_guard lock(mutex_);
        for (const auto& entry : entries_) {
            if (SameNameIgnoringCase(entry.name, name))
                return entry;
        }
        return std::nullopt;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The registries, filled with the built-in algorithms on first use: "ZLIB"; "Blowfish",
// "Twofish", "Gost".
AlgoRegistry<CompressAlgo>& CompressRegistry();
AlgoRegistry<EncryptAlgo>& EncryptRegistry();

}  // namespace chimdb
