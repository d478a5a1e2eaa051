#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/progress_event.h"
#include "codec/data_process_algo.h"

namespace chimdb {

// Holds at most one algorithm, chosen by its registered name.
class DataProcessMgr {
  public:
    explicit DataProcessMgr(const DataProcessEvents* events = nullptr) : events_(events) {}
    virtual ~DataProcessMgr();
    DataProcessMgr(const DataProcessMgr&) = delete;
    DataProcessMgr& operator=(const DataProcessMgr&) = delete;

    // Selects the algorithm registered under name. Naming the class already held keeps the
    // object (and its state, e.g. a key).
    void SetAlgoName(std::string_view name);
    bool HasAlgo() const { return algo_ != nullptr; }

    // "General error" when no algorithm is set.
    virtual void EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst);
    virtual void DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst);

  protected:
    struct FoundAlgo {
        std::string className;
        std::function<std::unique_ptr<DataProcessAlgo>()> create;
    };
    // The registry entry of a name; the base knows none.
    virtual std::optional<FoundAlgo> FindAlgo(std::string_view name) const;
    virtual std::string_view NotFoundMessage() const;
    // Connects a new algorithm's progress events to the database's handlers.
    virtual void ConnectProgress(DataProcessAlgo& algo) const;

    // The algorithm; "General error" when none is set.
    DataProcessAlgo& Algo() const;
    // An event that forwards to the handler in the database's events when that is set at the
    // time of firing.
    ProgressEvent Forwarder(ProgressEvent DataProcessEvents::*handler) const;

  private:
    const DataProcessEvents* events_;
    std::unique_ptr<DataProcessAlgo> algo_;
};

}  // namespace chimdb
