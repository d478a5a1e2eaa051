#include "dataset/data_link.h"

#include "chimdb/data_set.h"
#include "dataset/data_source.h"

namespace chimdb {

DataLink::~DataLink() {
    if (source_ != nullptr)
        source_->RemoveLink(*this);
}

void DataLink::SetSource(DataSource* source) {
    if (source == source_)
        return;
    if (source_ != nullptr)
        source_->RemoveLink(*this);
    source_ = source;
    if (source_ != nullptr)
        source_->AddLink(*this);
    UpdateActive();
}

void DataLink::UpdateActive() {
    const bool active = source_ != nullptr && source_->Enabled() &&
                        source_->GetDataSet() != nullptr && source_->GetDataSet()->Active();
    if (active == active_)
        return;
    active_ = active;
    ActiveChanged();
}

void DataLink::SourceGone() {
    source_ = nullptr;
    UpdateActive();
}

}  // namespace chimdb
