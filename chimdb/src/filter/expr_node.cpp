#include "filter/expr_node.h"

#include <algorithm>
#include <cstring>

#include "chimdb/date_time_codec.h"

namespace chimdb {

namespace {

template <typename T>
T Load(const std::uint8_t* bytes, std::size_t size) {
    T value{};
    std::memcpy(&value, bytes, std::min(sizeof(T), size));
    return value;
}

template <typename T>
void Store(std::vector<std::uint8_t>& buffer, T value) {
    buffer.resize(sizeof(T));
    std::memcpy(buffer.data(), &value, sizeof(T));
}

}  // namespace

bool IsIntegerType(FieldType type) {
    switch (type) {
        case FieldType::ftSmallint:
        case FieldType::ftInteger:
        case FieldType::ftWord:
        case FieldType::ftAutoInc:
        case FieldType::ftLargeint:
            return true;
        default:
            return false;
    }
}

bool IsNumericType(FieldType type) {
    return IsIntegerType(type) || type == FieldType::ftFloat || type == FieldType::ftCurrency;
}

bool IsStringKind(FieldType type) {
    const auto code = static_cast<std::uint8_t>(type);
    return IsStringType(code) || IsBlobType(code);
}

bool IsDateTimeKind(FieldType type) {
    return type == FieldType::ftDate || type == FieldType::ftTime || type == FieldType::ftDateTime;
}

void ExprNode::Allocate(std::size_t stringSize) {
    if (IsStringKind(dataType)) {
        buffer_.assign(stringSize + 1, 0);
        return;
    }
    const auto width = FieldWidth(static_cast<std::uint8_t>(dataType), 0);
    buffer_.assign(
        dataType == FieldType::ftBoolean ? 1 : static_cast<std::size_t>(width.value_or(8)), 0);
}

void ExprNode::PointAt(const std::uint8_t* bytes, std::size_t size) {
    external_ = bytes;
    externalSize_ = bytes == nullptr ? 0 : size;
}

const std::uint8_t* ExprNode::ValueBytes() const {
    return external_ != nullptr ? external_ : buffer_.data();
}

std::size_t ExprNode::ValueSize() const {
    return external_ != nullptr ? externalSize_ : buffer_.size();
}

void ExprNode::SetString(std::string_view codePageBytes) {
    buffer_.assign(codePageBytes.begin(), codePageBytes.end());
    buffer_.push_back(0);
}

void ExprNode::SetInteger(std::int64_t value) {
    switch (dataType) {
        case FieldType::ftSmallint:
            Store(buffer_, static_cast<std::int16_t>(value));
            break;
        case FieldType::ftWord:
            Store(buffer_, static_cast<std::uint16_t>(value));
            break;
        case FieldType::ftLargeint:
            Store(buffer_, value);
            break;
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            Store(buffer_, static_cast<double>(value));
            break;
        default:
            Store(buffer_, static_cast<std::int32_t>(value));
            break;
    }
}

void ExprNode::SetFloat(double value) {
    if (IsIntegerType(dataType)) {
        SetInteger(static_cast<std::int64_t>(value));
        return;
    }
    Store(buffer_, value);
}

void ExprNode::SetBoolean(bool value) {
    buffer_.assign(1, value ? 1 : 0);
}

void ExprNode::SetDate(std::int32_t dayNumber) {
    Store(buffer_, dayNumber);
}

void ExprNode::SetTime(std::int32_t msOfDay) {
    Store(buffer_, msOfDay);
}

void ExprNode::SetDateTime(double ms) {
    Store(buffer_, ms);
}

std::string_view ExprNode::StringValue() const {
    const auto* text = reinterpret_cast<const char*>(ValueBytes());
    const std::size_t size = ValueSize();
    if (text == nullptr || size == 0)
        return {};
    return std::string_view(text, strnlen(text, size));
}

std::int64_t ExprNode::IntegerValue() const {
    const std::uint8_t* bytes = ValueBytes();
    const std::size_t size = ValueSize();
    if (bytes == nullptr || size == 0)
        return 0;
    switch (dataType) {
        case FieldType::ftSmallint:
            return Load<std::int16_t>(bytes, size);
        case FieldType::ftWord:
            return Load<std::uint16_t>(bytes, size);
        case FieldType::ftLargeint:
            return Load<std::int64_t>(bytes, size);
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return static_cast<std::int64_t>(Load<double>(bytes, size));
        default:
            return Load<std::int32_t>(bytes, size);
    }
}

double ExprNode::NumericValue() const {
    if (dataType == FieldType::ftFloat || dataType == FieldType::ftCurrency)
        return ValueSize() == 0 ? 0.0 : Load<double>(ValueBytes(), ValueSize());
    return static_cast<double>(IntegerValue());
}

bool ExprNode::BooleanValue() const {
    const std::uint8_t* bytes = ValueBytes();
    const std::size_t size = std::min<std::size_t>(ValueSize(), 2);
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return true;
    return false;
}

std::int32_t ExprNode::DateValue() const {
    return ValueSize() == 0 ? 0 : Load<std::int32_t>(ValueBytes(), ValueSize());
}

std::int32_t ExprNode::TimeValue() const {
    return ValueSize() == 0 ? 0 : Load<std::int32_t>(ValueBytes(), ValueSize());
}

double ExprNode::DateTimeValue() const {
    return ValueSize() == 0 ? 0.0 : Load<double>(ValueBytes(), ValueSize());
}

double ExprNode::MomentValue() const {
    switch (dataType) {
        case FieldType::ftDate:
            return static_cast<double>(DateValue()) * static_cast<double>(kMsPerDay);
        case FieldType::ftTime:
            return static_cast<double>(TimeValue());
        default:
            return DateTimeValue();
    }
}

}  // namespace chimdb
