#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chimdb/field_value.h"

namespace chimdb {

class DataSet;
class RecordBuffer;

enum class FieldKind { fkData, fkCalculated };

// One column of a dataset as the program sees it: a typed view of the field's bytes in the
// record buffer that field access uses in the dataset's current state. Data fields have no
// null state (they read as "", 0 or the zero date); a calculated field has a has-value byte.
// Texts are UTF-8; a string field holds code-page bytes cut to its size at a character
// boundary, and text the code page cannot hold is refused.
class Field {
  public:
    Field(DataSet& dataSet, std::string name, std::uint8_t dataType, std::int32_t size,
          FieldKind kind);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    const std::string& FieldName() const { return name_; }
    std::uint8_t DataType() const { return dataType_; }
    // Declared size of a string field, 0 for the others.
    std::int32_t Size() const { return size_; }
    FieldKind Kind() const { return kind_; }
    bool Calculated() const { return kind_ == FieldKind::fkCalculated; }
    bool IsBlob() const;
    DataSet& Owner() const { return dataSet_; }

    // Position in the dataset's field list.
    int Index() const { return index_; }
    // Number of the stored field this field shows; -1 for a calculated field.
    int FieldNo() const { return fieldNo_; }
    // Where the field lies in a record buffer (a calculated field: its has-value byte, the
    // data follows) and how many data bytes it has.
    std::int32_t Offset() const { return offset_; }
    std::int32_t DataSize() const { return dataSize_; }
    void Bind(int index, int fieldNo, std::int32_t offset, std::int32_t dataSize);

    // True when there is no record to read, or for a calculated field without a value.
    bool IsNull() const;

    std::string AsString() const;
    std::int32_t AsInteger() const;
    std::int64_t AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    // Days since 30 December 1899, the time of day as the fraction.
    double AsDateTime() const;
    // The value in the generic form that Assign takes back: texts (memo and blob contents
    // too) as strings, integers, booleans, floats, and dates and times as days since
    // 30 December 1899; nothing when there is no record or a calculated field has no value.
    FieldValue Value() const;

    void SetAsString(std::string_view text);
    void SetAsInteger(std::int32_t value);
    void SetAsLargeInt(std::int64_t value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);
    void SetAsDateTime(double value);
    // Generic assignment: each kind of value goes through the matching setter; nothing clears.
    void Assign(const FieldValue& value);
    // A data field keeps its content; a calculated field loses its value.
    void Clear();

  private:
    // The value bytes in the active buffer, nullptr when there is none (or no value).
    const std::uint8_t* ReadAddress() const;
    // The value bytes to write; raises when the dataset cannot take a change now.
    std::uint8_t* WriteAddress();
    void Changed();
    std::string BlobBytes() const;
    void SetBlobBytes(std::string_view bytes);
    void SetStringBytes(std::string_view codePageBytes);
    [[noreturn]] void RaiseCannotAccess(std::string_view typeName) const;

    DataSet& dataSet_;
    std::string name_;
    std::uint8_t dataType_;
    std::int32_t size_;
    FieldKind kind_;
    int index_ = -1;
    int fieldNo_ = -1;
    std::int32_t offset_ = 0;
    std::int32_t dataSize_ = 0;
};

}  // namespace chimdb
