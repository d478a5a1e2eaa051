#pragma once

#include <string_view>

namespace chimdb {

class Field;

// What a filter expression reads: the fields of the record in the dataset's filter buffer.
class FilterRecordSource {
  public:
    virtual ~FilterRecordSource() = default;
    // The field of that name (any case), nullptr when none.
    virtual Field* FindFilterField(std::string_view name) = 0;
};

}  // namespace chimdb
