#include "chimdb/field.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "chimdb/code_page.h"
#include "chimdb/data_set.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "dataset/record_buffer.h"
#include "values/field_value_text.h"

namespace chimdb {

namespace {

constexpr std::int32_t kLastDayNumber = 3652059;  // 9999-12-31

template <typename T>
T Load(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename T>
void Store(std::uint8_t* bytes, T value) {
    std::memcpy(bytes, &value, sizeof value);
}

FieldType TypeOf(std::uint8_t code) {
    return static_cast<FieldType>(code);
}

bool IsTextBlob(std::uint8_t code) {
    return code == static_cast<std::uint8_t>(FieldType::ftMemo) ||
           code == static_cast<std::uint8_t>(FieldType::ftFmtMemo) ||
           code == static_cast<std::uint8_t>(FieldType::ftOraClob);
}

bool IsDateKind(std::uint8_t code) {
    return code == 9 || code == 10 || code == 11;
}

// The platform's date-time value: whole days since 1899-12-30, the time of day as the
// fraction (taken as its absolute value before that date).
double DaysFrom(std::int32_t dayNumber, std::int32_t msOfDay) {
    const double days = dayNumber - kDayNumberOf18991230;
    const double fraction = static_cast<double>(msOfDay) / kMsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

void SplitDays(double value, std::int32_t& dayNumber, std::int32_t& msOfDay) {
    if (!std::isfinite(value) || std::fabs(value) > 3e6)
        RaiseError("Invalid argument to date encode");
    double whole = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        whole += value < 0 ? -1 : 1;
    }
    dayNumber = static_cast<std::int32_t>(whole) + kDayNumberOf18991230;
    msOfDay = static_cast<std::int32_t>(ms);
}

bool ValidDay(std::int32_t dayNumber) {
    return dayNumber >= 1 && dayNumber <= kLastDayNumber;
}

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::int64_t ParseInteger(std::string_view text) {
    const std::string trimmed = Trimmed(text);
    std::int64_t value = 0;
    const char* begin = trimmed.data();
    if (!trimmed.empty() && trimmed.front() == '+')
        ++begin;
    auto [end, error] = std::from_chars(begin, trimmed.data() + trimmed.size(), value);
    if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size())
        RaiseError("'%s' is not a valid integer value", text);
    return value;
}

double ParseFloat(std::string_view text) {
    const std::string trimmed = Trimmed(text);
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (trimmed.empty() || end != trimmed.c_str() + trimmed.size() || !std::isfinite(value))
        RaiseError("'%s' is not a valid floating point value", text);
    return value;
}

// Dates and times as the tool writes them: "YYYY-MM-DD", "HH:MM[:SS[.mmm]]" or both.
double ParseDateTime(std::string_view text) {
    const std::string trimmed = Trimmed(text);
    if (auto value = ParseIsoDateTime(trimmed)) {
        std::int32_t day = 0;
        std::int32_t ms = 0;
        SplitDateTime(*value, day, ms);
        return DaysFrom(day, ms);
    }
    if (auto day = ParseIsoDate(trimmed))
        return DaysFrom(*day, 0);
    if (auto ms = ParseIsoTime(trimmed))
        return DaysFrom(kDayNumberOf18991230, *ms);
    RaiseError("'%s' is not a valid date and time", text);
}

}  // namespace

Field::Field(DataSet& dataSet, std::string name, std::uint8_t dataType, std::int32_t size,
             FieldKind kind)
    : dataSet_(dataSet),
      name_(std::move(name)),
      dataType_(dataType),
      size_(IsStringType(dataType) ? size : 0),
      kind_(kind) {}

bool Field::IsBlob() const {
    return IsBlobType(dataType_);
}

void Field::Bind(int index, int fieldNo, std::int32_t offset, std::int32_t dataSize) {
    index_ = index;
    fieldNo_ = fieldNo;
    offset_ = offset;
    dataSize_ = dataSize;
}

const std::uint8_t* Field::ReadAddress() const {
    const RecordBuffer* buffer = dataSet_.ActiveRecordBuffer();
    if (buffer == nullptr)
        return nullptr;
    const std::uint8_t* at = buffer->Data() + offset_;
    if (Calculated())
        return at[0] != 0 ? at + 1 : nullptr;
    return at;
}

std::uint8_t* Field::WriteAddress() {
    dataSet_.CheckFieldWritable(*this);
    RecordBuffer* buffer = dataSet_.ActiveRecordBuffer();
    if (buffer == nullptr)
        RaiseError("Dataset not in edit or insert mode");
    std::uint8_t* at = buffer->Data() + offset_;
    if (Calculated()) {
        at[0] = 1;
        return at + 1;
    }
    return at;
}

void Field::Changed() {
    dataSet_.FieldChanged(*this);
}

bool Field::IsNull() const {
    if (IsBlob())
        return dataSet_.ActiveRecordBuffer() == nullptr || BlobBytes().empty();
    return ReadAddress() == nullptr;
}

void Field::RaiseCannotAccess(std::string_view typeName) const {
    throw DatabaseError(
        FormatMessage(FormatMessage("Cannot access field '%s' as type %s", name_), typeName));
}

std::string Field::BlobBytes() const {
    RecordBuffer* buffer = dataSet_.ActiveRecordBuffer();
    OptimBlobStream* stream =
        buffer ? buffer->BlobStream(static_cast<std::size_t>(index_)) : nullptr;
    if (stream == nullptr)
        return {};
    auto content = stream->Content();
    return std::string(reinterpret_cast<const char*>(content.data()), content.size());
}

void Field::SetBlobBytes(std::string_view bytes) {
    dataSet_.CheckFieldWritable(*this);
    RecordBuffer* buffer = dataSet_.ActiveRecordBuffer();
    OptimBlobStream* stream =
        buffer ? buffer->BlobStream(static_cast<std::size_t>(index_)) : nullptr;
    if (stream == nullptr)
        RaiseError("Dataset not in edit or insert mode");
    stream->Assign(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    Changed();
}

void Field::SetStringBytes(std::string_view codePageBytes) {
    std::uint8_t* data = WriteAddress();
    std::memset(data, 0, static_cast<std::size_t>(dataSize_));
    const std::string_view cut =
        CutToWidth(codePageBytes, static_cast<std::size_t>(std::max(dataSize_ - 1, 0)));
    std::memcpy(data, cut.data(), cut.size());
    Changed();
}

std::string Field::AsString() const {
    if (IsBlob()) {
        std::string bytes = BlobBytes();
        return IsTextBlob(dataType_) ? FromCodePage(bytes) : bytes;
    }
    const std::uint8_t* data = ReadAddress();
    if (data == nullptr)
        return {};
    if (IsStringType(dataType_)) {
        const auto* text = reinterpret_cast<const char*>(data);
        return FromCodePage(
            std::string_view(text, strnlen(text, static_cast<std::size_t>(dataSize_))));
    }
    if (dataType_ == static_cast<std::uint8_t>(FieldType::ftBoolean))
        return Load<std::int16_t>(data) != 0 ? "True" : "False";
    return FieldValueAsText(dataType_, data, dataSize_);
}

std::int64_t Field::AsLargeInt() const {
    if (IsBlob() || IsDateKind(dataType_))
        RaiseCannotAccess("LargeInt");
    const std::uint8_t* data = ReadAddress();
    if (data == nullptr)
        return 0;
    switch (TypeOf(dataType_)) {
        case FieldType::ftString:
        case FieldType::ftFixedChar:
            return ParseInteger(AsString());
        case FieldType::ftSmallint:
            return Load<std::int16_t>(data);
        case FieldType::ftWord:
            return Load<std::uint16_t>(data);
        case FieldType::ftBoolean:
            return Load<std::int16_t>(data) != 0 ? 1 : 0;
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            return Load<std::int32_t>(data);
        case FieldType::ftLargeint:
            return Load<std::int64_t>(data);
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return std::llround(Load<double>(data));
        default:
            RaiseCannotAccess("LargeInt");
    }
}

std::int32_t Field::AsInteger() const {
    const std::int64_t value = AsLargeInt();
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        RaiseError("'%s' is not a valid integer value", std::to_string(value));
    return static_cast<std::int32_t>(value);
}

double Field::AsFloat() const {
    if (IsBlob())
        RaiseCannotAccess("Float");
    const std::uint8_t* data = ReadAddress();
    if (data == nullptr)
        return 0;
    switch (TypeOf(dataType_)) {
        case FieldType::ftString:
        case FieldType::ftFixedChar:
            return ParseFloat(AsString());
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return Load<double>(data);
        case FieldType::ftDate:
        case FieldType::ftTime:
        case FieldType::ftDateTime:
            return AsDateTime();
        default:
            return static_cast<double>(AsLargeInt());
    }
}

bool Field::AsBoolean() const {
    if (IsBlob() || IsDateKind(dataType_))
        RaiseCannotAccess("Boolean");
    const std::uint8_t* data = ReadAddress();
    if (data == nullptr)
        return false;
    if (IsStringType(dataType_)) {
        const std::string text = AsString();
        const char first = text.empty() ? '\0' : text.front();
        if (first == 'T' || first == 't' || first == 'Y' || first == 'y')
            return true;
        if (first == 'F' || first == 'f' || first == 'N' || first == 'n' || first == '\0')
            return false;
        RaiseError("'%s' is not a valid boolean value", text);
    }
    if (dataType_ == static_cast<std::uint8_t>(FieldType::ftFloat) ||
        dataType_ == static_cast<std::uint8_t>(FieldType::ftCurrency))
        return Load<double>(data) != 0;
    return AsLargeInt() != 0;
}

// A stored value that does not convert reads as 30 December 1899 00:00.
double Field::AsDateTime() const {
    const std::uint8_t* data = IsBlob() ? nullptr : ReadAddress();
    if (data == nullptr) {
        if (IsBlob())
            RaiseCannotAccess("DateTime");
        return 0;
    }
    switch (TypeOf(dataType_)) {
        case FieldType::ftDate: {
            const auto day = Load<std::int32_t>(data);
            return ValidDay(day) ? DaysFrom(day, 0) : 0;
        }
        case FieldType::ftTime: {
            const auto ms = Load<std::int32_t>(data);
            return ms >= 0 && ms < kMsPerDay ? DaysFrom(kDayNumberOf18991230, ms) : 0;
        }
        case FieldType::ftDateTime: {
            const double value = Load<double>(data);
            if (!std::isfinite(value) || value < 0 ||
                value >= static_cast<double>(kLastDayNumber + 1) * kMsPerDay)
                return 0;
            std::int32_t day = 0;
            std::int32_t ms = 0;
            SplitDateTime(value, day, ms);
            return ValidDay(day) ? DaysFrom(day, ms) : 0;
        }
        case FieldType::ftString:
        case FieldType::ftFixedChar:
            return ParseDateTime(AsString());
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return Load<double>(data);
        default:
            RaiseCannotAccess("DateTime");
    }
}

void Field::SetAsString(std::string_view text) {
    if (IsBlob()) {
        SetBlobBytes(IsTextBlob(dataType_) ? ToCodePage(text) : std::string(text));
        return;
    }
    switch (TypeOf(dataType_)) {
        case FieldType::ftString:
        case FieldType::ftFixedChar:
            SetStringBytes(ToCodePage(text));
            return;
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            SetAsFloat(ParseFloat(text));
            return;
        case FieldType::ftDate:
        case FieldType::ftTime:
        case FieldType::ftDateTime:
            SetAsDateTime(ParseDateTime(text));
            return;
        case FieldType::ftBoolean: {
            const std::string trimmed = Trimmed(text);
            const char first = trimmed.empty() ? '\0' : trimmed.front();
            if (first == 'T' || first == 't' || first == 'Y' || first == 'y')
                SetAsBoolean(true);
            else if (first == 'F' || first == 'f' || first == 'N' || first == 'n' || first == '\0')
                SetAsBoolean(false);
            else
                RaiseError("'%s' is not a valid boolean value", text);
            return;
        }
        default:
            SetAsLargeInt(ParseInteger(text));
    }
}

void Field::SetAsLargeInt(std::int64_t value) {
    auto outOfRange = [&] {
        RaiseError(FormatMessage("%s is not a valid value for field '%s'", std::to_string(value)),
                   name_);
    };
    switch (TypeOf(dataType_)) {
        case FieldType::ftString:
        case FieldType::ftFixedChar:
            SetStringBytes(std::to_string(value));
            return;
        case FieldType::ftSmallint:
            if (value < INT16_MIN || value > INT16_MAX)
                outOfRange();
            Store(WriteAddress(), static_cast<std::int16_t>(value));
            break;
        case FieldType::ftWord:
            if (value < 0 || value > UINT16_MAX)
                outOfRange();
            Store(WriteAddress(), static_cast<std::uint16_t>(value));
            break;
        case FieldType::ftBoolean:
            Store(WriteAddress(), static_cast<std::int16_t>(value != 0 ? 1 : 0));
            break;
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            if (value < INT32_MIN || value > INT32_MAX)
                outOfRange();
            Store(WriteAddress(), static_cast<std::int32_t>(value));
            break;
        case FieldType::ftLargeint:
            Store(WriteAddress(), value);
            break;
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            Store(WriteAddress(), static_cast<double>(value));
            break;
        default:
            RaiseCannotAccess("LargeInt");
    }
    Changed();
}

void Field::SetAsInteger(std::int32_t value) {
    SetAsLargeInt(value);
}

void Field::SetAsFloat(double value) {
    switch (TypeOf(dataType_)) {
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            Store(WriteAddress(), value);
            Changed();
            return;
        case FieldType::ftDate:
        case FieldType::ftTime:
        case FieldType::ftDateTime:
            SetAsDateTime(value);
            return;
        case FieldType::ftString:
        case FieldType::ftFixedChar: {
            char text[32];
            std::snprintf(text, sizeof text, "%.15g", value);
            SetStringBytes(text);
            return;
        }
        default:
            if (!std::isfinite(value) || std::fabs(value) > 9.2e18)
                RaiseError("'%s' is not a valid integer value", std::to_string(value));
            SetAsLargeInt(std::llround(value));
    }
}

void Field::SetAsBoolean(bool value) {
    if (IsStringType(dataType_)) {
        SetStringBytes(value ? "True" : "False");
        return;
    }
    if (IsBlob() || IsDateKind(dataType_))
        RaiseCannotAccess("Boolean");
    SetAsLargeInt(value ? 1 : 0);
}

void Field::SetAsDateTime(double value) {
    std::int32_t day = 0;
    std::int32_t ms = 0;
    SplitDays(value, day, ms);
    switch (TypeOf(dataType_)) {
        case FieldType::ftDate:
            if (!ValidDay(day))
                RaiseError("Invalid argument to date encode");
            Store(WriteAddress(), day);
            break;
        case FieldType::ftTime:
            Store(WriteAddress(), ms);
            break;
        case FieldType::ftDateTime:
            if (!ValidDay(day))
                RaiseError("Invalid argument to date encode");
            Store(WriteAddress(), DateTimeValue(day, ms));
            break;
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            Store(WriteAddress(), value);
            break;
        case FieldType::ftString:
        case FieldType::ftFixedChar: {
            const double encoded = DateTimeValue(day, ms);
            std::uint8_t bytes[8];
            Store(bytes, encoded);
            SetStringBytes(ToCodePage(
                FieldValueAsText(static_cast<std::uint8_t>(FieldType::ftDateTime), bytes, 8)));
            return;
        }
        default:
            RaiseCannotAccess("DateTime");
    }
    Changed();
}

FieldValue Field::Value() const {
    // An empty blob counts as null elsewhere, but its value here is the empty text.
    if (dataSet_.ActiveRecordBuffer() == nullptr || (Calculated() && IsNull()))
        return {};
    if (IsBlob() || IsStringType(dataType_))
        return AsString();
    switch (TypeOf(dataType_)) {
        case FieldType::ftBoolean:
            return AsBoolean();
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return AsFloat();
        case FieldType::ftDate:
        case FieldType::ftTime:
        case FieldType::ftDateTime:
            return AsDateTime();
        default:
            return AsLargeInt();
    }
}

void Field::Assign(const FieldValue& value) {
    std::visit(
        [this](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                Clear();
            else if constexpr (std::is_same_v<T, bool>)
                SetAsBoolean(v);
            else if constexpr (std::is_same_v<T, std::int64_t>)
                SetAsLargeInt(v);
            else if constexpr (std::is_same_v<T, double>)
                SetAsFloat(v);
            else
                SetAsString(v);
        },
        value.Value());
}

void Field::Clear() {
    dataSet_.CheckFieldWritable(*this);
    if (!Calculated())
        return;
    RecordBuffer* buffer = dataSet_.ActiveRecordBuffer();
    if (buffer == nullptr)
        return;
    std::memset(buffer->Data() + offset_, 0, static_cast<std::size_t>(dataSize_) + 1);
    Changed();
}

}  // namespace chimdb
