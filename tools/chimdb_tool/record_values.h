#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "chimdb/field_def_item.h"

namespace chimdb_tool {

using Json = nlohmann::ordered_json;

// One record of a table as the tool exchanges it in JSON: the value bytes of each field in
// the record encoding that the cursor reads and writes, the content of each blob, and the
// conversion of each value to and from its JSON
// form (strings UTF-8, numbers, booleans, "YYYY-MM-DD", "HH:MM:SS.mmm",
// "YYYY-MM-DDTHH:MM:SS.mmm", memo text, other blobs in Base64).
class RecordValues {
  public:
    explicit RecordValues(const std::vector<chimdb::FieldDefItem>& fields);

    // The values of a new record: today's date, the time of day now, 1899-12-30 00:00 for
    // date-times, zero, false and empty text otherwise.
    void SetNewRecordDefaults();
    // Sets the fields named in object (names compared without regard to case); a null
    // value leaves the field as it is. Raises std::runtime_error for an unknown field or
    // a value that does not suit its field.
    void Assign(const Json& object);
    // Every field in field order, keys = field names.
    Json ToJson() const;

    // The value bytes of a plain field (record encoding, width of the field).
    std::uint8_t* ValueBytes(std::size_t field) { return values_[field].data(); }
    // The content of a blob field.
    std::vector<std::uint8_t>& BlobContent(std::size_t field) { return blobs_[field]; }
    std::size_t FieldNumber(std::string_view utf8Name) const;

  private:
    void AssignField(std::size_t field, const Json& value);
    Json FieldJson(std::size_t field) const;

    std::vector<chimdb::FieldDefItem> fields_;
    std::vector<std::vector<std::uint8_t>> values_;
    std::vector<std::vector<std::uint8_t>> blobs_;
};

}  // namespace chimdb_tool
