#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "chimdb/progress_event.h"

namespace chimdb {

// A transformation of stored data (compression or encryption) with progress reporting.
// The algorithm itself is the sender of its progress events.
class DataProcessAlgo {
  public:
    virtual ~DataProcessAlgo();

    // Name of the algorithm's class; a manager keeps its object when the same class is
    // named again.
    virtual std::string_view ClassName() const = 0;

    virtual void EncodeStream(std::span<const std::uint8_t> src,
                              std::vector<std::uint8_t>& dst) = 0;
    virtual void DecodeStream(std::span<const std::uint8_t> src,
                              std::vector<std::uint8_t>& dst) = 0;

    void SetEncodeProgress(ProgressEvent event) { onEncodeProgress_ = std::move(event); }
    void SetDecodeProgress(ProgressEvent event) { onDecodeProgress_ = std::move(event); }

  protected:
    void FireEncodeProgress(int percent) const;
    void FireDecodeProgress(int percent) const;
    // round(done * 100 / total); 0 for an empty total.
    static int Percent(std::uint64_t done, std::uint64_t total);

  private:
    ProgressEvent onEncodeProgress_;
    ProgressEvent onDecodeProgress_;
};

}  // namespace chimdb
