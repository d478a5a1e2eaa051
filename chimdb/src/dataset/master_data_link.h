#pragma once

#include <functional>

#include "dataset/data_link.h"

namespace chimdb {

// The link of a detail table to its master's data source: the detail learns when the master
// moves to another record (or opens), and when the link stops being active (the master
// closes, the source is disabled or unhooked).
class MasterDataLink : public DataLink {
  public:
    explicit MasterDataLink(DataSet& detail) : detail_(detail) {}

    DataSet* Dependent() const override { return &detail_; }

    std::function<void()> OnMasterChange;
    std::function<void()> OnMasterDisable;

  protected:
    void ActiveChanged() override {
        const auto& handler = Active() ? OnMasterChange : OnMasterDisable;
        if (handler)
            handler();
    }
    void RecordChanged() override {
        if (OnMasterChange)
            OnMasterChange();
    }

  private:
    DataSet& detail_;
};

}  // namespace chimdb
