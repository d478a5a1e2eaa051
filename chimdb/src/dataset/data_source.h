#pragma once

#include <vector>

namespace chimdb {

class DataLink;
class DataSet;

// What a dataset's data source reports to the links hooked to it.
enum class DataEvent { ActiveChanged, RecordChanged };

// The hub between one dataset and the links that depend on it (a detail table's master
// link): the dataset reports its opening, closing and moves here, and the source passes
// them on to every link. Disabling the source makes all its links inactive.
class DataSource {
  public:
    explicit DataSource(DataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    DataSet* GetDataSet() const { return dataSet_; }
    // "Circular datalinks are not allowed" when the dataset depends, through its own master
    // links, on a dataset that depends on this source.
    void SetDataSet(DataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // Called by the dataset.
    void Notify(DataEvent event);

  private:
    friend class DataLink;
    void AddLink(DataLink& link);
    void RemoveLink(DataLink& link);
    void UpdateLinks();

    DataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<DataLink*> links_;
};

}  // namespace chimdb
