#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/field_type.h"

namespace chimdb {

class Field;

enum class NodeKind : std::uint8_t { nkField, nkConst, nkFunc, nkOperator };

enum class ExprOperator : std::uint8_t {
    toNone,
    toEQ,
    toNE,
    toGT,
    toLT,
    toGE,
    toLE,
    toNOT,
    toAND,
    toOR,
    toADD,
    toSUB,
    toMUL,
    toDIV,
    toLIKE,
    toIN,
};

enum class FunctionNumber : std::uint8_t {
    fnNone,
    fnUpper,
    fnLower,
    fnTrim,
    fnTrimLeft,
    fnTrimRight,
    fnSubstring,
    fnYear,
    fnMonth,
    fnDay,
    fnHour,
    fnMinute,
    fnSecond,
    fnGetDate,
};

// One node of a parsed filter expression: a field reference, a constant, a function call
// or an operator. Nodes are owned by ExprNodes; the links between them are plain pointers.
//
// The value lies in the node's buffer in the record encoding of its data type: strings as
// code-page bytes followed by a zero, booleans one byte (0 or 1; a field node's two-byte
// boolean reads the same), small integer and word 2 bytes, integer and auto-increment 4,
// large integer 8, float and currency a double, a date its day number (int32), a time its
// milliseconds since midnight (int32), a date-time a double of milliseconds (day number x
// 86400000 + ms). A field node may instead point at the field's bytes in the record buffer
// (PointAt); the readers below then read there.
class ExprNode {
  public:
    ExprNode(NodeKind kind, FieldType dataType) : kind(kind), dataType(dataType) {}
    ExprNode(const ExprNode&) = delete;
    ExprNode& operator=(const ExprNode&) = delete;

    NodeKind kind;
    ExprOperator op = ExprOperator::toNone;
    FieldType dataType;
    ExprNode* left = nullptr;   // first operand; NOT uses only this one
    ExprNode* right = nullptr;  // second operand; the IN list is in args instead
    // Function arguments in order, or the elements of an IN list.
    std::vector<ExprNode*> args;
    // Field name (UTF-8) or function name as written.
    std::string name;
    FunctionNumber function = FunctionNumber::fnNone;
    // Field nodes: the dataset's field, its position in the dataset's field list, and
    // whether its text comes through the field's string getter (memo and blob fields).
    Field* field = nullptr;
    int fieldIndex = -1;
    bool isBlobField = false;
    // String constants: the number of bytes before the first "*", -1 when there is none.
    int partialLength = -1;
    // Levels of nodes from this one down to its deepest leaf (1 for a leaf); the parser keeps
    // it bounded so that a depth-first walk of the tree stays within a small stack.
    int height = 1;

    // Sizes the owned buffer for a value of the node's type (strings: size bytes + zero).
    void Allocate(std::size_t stringSize = 0);
    // Lets the readers read from bytes held elsewhere (a field in the filter buffer); the
    // owned buffer is left alone. nullptr goes back to the owned buffer.
    void PointAt(const std::uint8_t* bytes, std::size_t size);
    const std::uint8_t* ValueBytes() const;
    std::size_t ValueSize() const;
    std::uint8_t* MutableBytes() { return buffer_.data(); }

    // Writers: each sets the owned buffer to the value in the encoding of dataType (the
    // integer writer also serves small integer, word, auto-increment and large integer;
    // the float writer float and currency).
    void SetString(std::string_view codePageBytes);
    void SetInteger(std::int64_t value);
    void SetFloat(double value);
    void SetBoolean(bool value);
    void SetDate(std::int32_t dayNumber);
    void SetTime(std::int32_t msOfDay);
    void SetDateTime(double ms);

    // Readers of the value in the encoding of dataType.
    std::string_view StringValue() const;  // up to the first zero
    std::int64_t IntegerValue() const;     // integer kinds
    double NumericValue() const;           // any numeric kind as a double
    bool BooleanValue() const;
    std::int32_t DateValue() const;
    std::int32_t TimeValue() const;
    double DateTimeValue() const;
    // Dates, times and date-times as a double of milliseconds on one scale (a time alone
    // counts from day 0).
    double MomentValue() const;

  private:
    std::vector<std::uint8_t> buffer_;
    const std::uint8_t* external_ = nullptr;
    std::size_t externalSize_ = 0;
};

// Type classes of the checks.
bool IsNumericType(FieldType type);
bool IsIntegerType(FieldType type);
// Strings, fixed strings, memo and the blob types.
bool IsStringKind(FieldType type);
bool IsDateTimeKind(FieldType type);

}  // namespace chimdb
