#pragma once

namespace chimdb {

class DataSet;
class DataSource;

// One dependent's end of a data source: told when the source's dataset opens, closes or
// moves to another record. A link is active while its source is enabled and has an open
// dataset. Links and sources only refer to one another; whichever goes first unhooks itself.
class DataLink {
  public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    DataSource* Source() const { return source_; }
    // Hooks the link to another source (nullptr: none); tells ActiveChanged when that changes
    // whether the link is active.
    void SetSource(DataSource* source);
    bool Active() const { return active_; }
    // The dataset that depends on this link (for the check against circular links).
    virtual DataSet* Dependent() const { return nullptr; }

  protected:
    virtual void ActiveChanged() {}
    virtual void RecordChanged() {}

  private:
    friend class DataSource;
    // Re-reads whether the link is active; tells ActiveChanged when that changed.
    void UpdateActive();
    void SourceGone();

    DataSource* source_ = nullptr;
    bool active_ = false;
};

}  // namespace chimdb
