#include "codec/compress_mgr.h"

#include "codec/algo_registry.h"

namespace chimdb {

std::optional<DataProcessMgr::FoundAlgo> CompressMgr::FindAlgo(std::string_view name) const {
    auto entry = CompressRegistry().Find(name);
    if (!entry)
        return std::nullopt;
    return FoundAlgo{entry->className, [create = entry->create] {
                         return std::unique_ptr<DataProcessAlgo>(create());
                     }};
}

std::string_view CompressMgr::NotFoundMessage() const {
    return "Compression algorithm module '%s' not found";
}

void CompressMgr::ConnectProgress(DataProcessAlgo& algo) const {
    algo.SetEncodeProgress(Forwarder(&DataProcessEvents::OnCompressProgress));
    algo.SetDecodeProgress(Forwarder(&DataProcessEvents::OnUncompressProgress));
}

}  // namespace chimdb
