#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_def_list.h"
#include "chimdb/index_def_list.h"

namespace chimdb {

namespace {

// Names compare as the database does: without regard to case, in the code page. A name the
// code page cannot hold names nothing stored.
template <typename Items>
int IndexOfName(const Items& items, std::string_view name) {
    std::string wanted;
    try {
        wanted = ToCodePage(name);
    } catch (const DatabaseError&) {
        return -1;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameName(ToCodePage(items[i].name), wanted))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

int FieldDefList::IndexOf(std::string_view name) const {
    return IndexOfName(items_, name);
}

int IndexDefList::IndexOf(std::string_view name) const {
    return IndexOfName(items_, name);
}

}  // namespace chimdb
