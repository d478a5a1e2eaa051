#pragma once

#include "codec/compress_algo.h"
#include "codec/data_process_mgr.h"

namespace chimdb {

// The compression of a database: "Compression algorithm module '%s' not found" for an
// unknown name; progress goes to OnCompressProgress and OnUncompressProgress.
class CompressMgr : public DataProcessMgr {
  public:
    explicit CompressMgr(const DataProcessEvents* events = nullptr) : DataProcessMgr(events) {}

  protected:
    std::optional<FoundAlgo> FindAlgo(std::string_view name) const override;
    std::string_view NotFoundMessage() const override;
    void ConnectProgress(DataProcessAlgo& algo) const override;
};

}  // namespace chimdb
