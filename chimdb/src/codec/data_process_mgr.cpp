#include "codec/data_process_mgr.h"

#include "chimdb/database_error.h"

namespace chimdb {

DataProcessMgr::~DataProcessMgr() = default;

void DataProcessMgr::SetAlgoName(std::string_view name) {
    std::optional<FoundAlgo> found = FindAlgo(name);
    if (!found)
        RaiseError(NotFoundMessage(), name);
    if (algo_ && algo_->ClassName() == found->className)
        return;
    algo_.reset();
    algo_ = found->create();
    ConnectProgress(*algo_);
}

std::optional<DataProcessMgr::FoundAlgo> DataProcessMgr::FindAlgo(std::string_view) const {
    return std::nullopt;
}

std::string_view DataProcessMgr::NotFoundMessage() const {
    return "General error";
}

void DataProcessMgr::ConnectProgress(DataProcessAlgo&) const {}

DataProcessAlgo& DataProcessMgr::Algo() const {
    if (!algo_)
        RaiseError("General error");
    return *algo_;
}

ProgressEvent DataProcessMgr::Forwarder(ProgressEvent DataProcessEvents::*handler) const {
    if (!events_)
        return {};
    const DataProcessEvents* events = events_;
    return [events, handler](const void* sender, int percent) {
        if (events->*handler)
            (events->*handler)(sender, percent);
    };
}

void DataProcessMgr::EncodeStream(std::span<const std::uint8_t> src,
                                  std::vector<std::uint8_t>& dst) {
    Algo().EncodeStream(src, dst);
}

void DataProcessMgr::DecodeStream(std::span<const std::uint8_t> src,
                                  std::vector<std::uint8_t>& dst) {
    Algo().DecodeStream(src, dst);
}

}  // namespace chimdb
