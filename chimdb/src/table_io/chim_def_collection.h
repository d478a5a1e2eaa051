#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace chimdb {

// An item of a definition collection: a name and the number it got when it was created.
class ChimDefItem {
  public:
    virtual ~ChimDefItem() = default;
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // Counts from 0 in the order of creation within the collection; never reused.
    std::int32_t ItemNumber() const { return itemNumber_; }

  protected:
    friend class ChimDefCollection;
    std::string name_;
    std::int32_t itemNumber_ = 0;
};

// The base of the field and index definition lists. An item added without a name is named
// after characters 2 to 6 of its class name followed by its item number plus one
// ("ChimF1", "ChimI3", ...). Changes made inside an update bracket are seen as one.
class ChimDefCollection {
  public:
    // classTypeName is the class name the default names are cut from.
    explicit ChimDefCollection(std::string_view classTypeName) : classTypeName_(classTypeName) {}
    virtual ~ChimDefCollection() = default;
    ChimDefCollection(const ChimDefCollection&) = delete;
    ChimDefCollection& operator=(const ChimDefCollection&) = delete;

    std::size_t Count() const { return items_.size(); }
    void Clear() { items_.clear(); }
    // Index of the item with this name (without regard to case), -1 when none.
    std::int32_t IndexOf(std::string_view name) const;

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }
    // How many update brackets have been closed; lets tests and listeners see one change.
    std::int64_t ChangeCount() const { return changeCount_; }

  protected:
    ChimDefItem& AddItem(std::unique_ptr<ChimDefItem> item, std::string name);
    ChimDefItem& ItemAt(std::size_t index) const;
    std::string DefaultName(std::int32_t itemNumber) const;

  private:
    std::string classTypeName_;
    std::vector<std::unique_ptr<ChimDefItem>> items_;
    std::int32_t nextItemNumber_ = 0;
    int updateCount_ = 0;
    std::int64_t changeCount_ = 0;
};

}  // namespace chimdb
