#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace chimdb {

// The fields of one stored record, for a filter that reads them where they are kept instead
// of in the dataset's filter buffer: each as the record encoding of its type, a text up to and
// including its terminating zero.
class StoredFields {
  public:
    virtual std::span<const std::uint8_t> Field(std::size_t fieldNo) const = 0;

  protected:
    ~StoredFields() = default;
};

}  // namespace chimdb
