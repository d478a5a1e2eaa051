#include "table_io/chim_def_collection.h"

#include <string>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"

namespace chimdb {

std::int32_t ChimDefCollection::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (SameName(items_[i]->Name(), name))
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

void ChimDefCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        ++changeCount_;
}

ChimDefItem& ChimDefCollection::AddItem(std::unique_ptr<ChimDefItem> item, std::string name) {
    item->itemNumber_ = nextItemNumber_++;
    item->name_ = name.empty() ? DefaultName(item->itemNumber_) : std::move(name);
    items_.push_back(std::move(item));
    if (!Updating())
        ++changeCount_;
    return *items_.back();
}

ChimDefItem& ChimDefCollection::ItemAt(std::size_t index) const {
    if (index >= items_.size())
        RaiseError("List index out of bounds (%s)", std::to_string(index));
    return *items_[index];
}

std::string ChimDefCollection::DefaultName(std::int32_t itemNumber) const {
    return classTypeName_.substr(1, 5) + std::to_string(itemNumber + 1);
}

}  // namespace chimdb
