#include "dataset/data_source.h"

#include <algorithm>

#include "chimdb/data_set.h"
#include "chimdb/database_error.h"
#include "dataset/data_link.h"

namespace chimdb {

DataSource::DataSource(DataSet* dataSet) {
    SetDataSet(dataSet);
}

DataSource::~DataSource() {
    if (dataSet_ != nullptr)
        dataSet_->DetachSource(*this);
    dataSet_ = nullptr;
    const std::vector<DataLink*> links = links_;
    links_.clear();
    for (DataLink* link : links)
        link->SourceGone();
}

void DataSource::SetDataSet(DataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet != nullptr) {
        for (const DataLink* link : links_) {
            const DataSet* dependent = link->Dependent();
            if (dependent != nullptr && (dependent == dataSet || dataSet->IsLinkedTo(*dependent)))
                RaiseError("Circular datalinks are not allowed");
        }
    }
    if (dataSet_ != nullptr)
        dataSet_->DetachSource(*this);
    dataSet_ = dataSet;
    if (dataSet_ != nullptr)
        dataSet_->AttachSource(*this);
    UpdateLinks();
}

void DataSource::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateLinks();
}

void DataSource::Notify(DataEvent event) {
    if (event == DataEvent::ActiveChanged) {
        UpdateLinks();
        return;
    }
    // A link may unhook itself (or another) while it is told.
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->Active())
            link->RecordChanged();
    }
}

void DataSource::UpdateLinks() {
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->UpdateActive();
    }
}

void DataSource::AddLink(DataLink& link) {
    links_.push_back(&link);
}

void DataSource::RemoveLink(DataLink& link) {
    std::erase(links_, &link);
}

}  // namespace chimdb
