#include "tools/chimdb_tool/record_values.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "tools/chimdb_tool/base64.h"

namespace chimdb_tool {

namespace {

using chimdb::FieldType;

FieldType TypeOf(const chimdb::FieldDefItem& field) {
    return static_cast<FieldType>(field.fieldType);
}

// Memo types hold text in the database code page; the other blob types hold bytes.
bool IsMemoType(std::uint8_t code) {
    const auto type = static_cast<FieldType>(code);
    return type == FieldType::ftMemo || type == FieldType::ftFmtMemo ||
           type == FieldType::ftOraClob;
}

template <typename T>
void Store(std::vector<std::uint8_t>& bytes, T value) {
    std::memcpy(bytes.data(), &value, sizeof value);
}

template <typename T>
T Load(const std::vector<std::uint8_t>& bytes) {
    T value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

[[noreturn]] void RefuseValue(const chimdb::FieldDefItem& field, const Json& value) {
    throw std::runtime_error("Invalid value " + value.dump() + " for field '" +
                             chimdb::FromCodePage(field.name) + "'");
}

template <typename T>
T IntegerValue(const chimdb::FieldDefItem& field, const Json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
            RefuseValue(field, value);
        return static_cast<T>(number);
    }
    if (!value.is_number_integer())
        RefuseValue(field, value);
    const auto number = value.get<std::int64_t>();
    if (number < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        (number > 0 && static_cast<std::uint64_t>(number) >
                           static_cast<std::uint64_t>(std::numeric_limits<T>::max())))
        RefuseValue(field, value);
    return static_cast<T>(number);
}

// Dates, times and date-times take their text form or, as dump writes values that have
// no text form, their raw number.
std::int32_t DayValue(const chimdb::FieldDefItem& field, const Json& value) {
    if (value.is_string()) {
        if (auto day = chimdb::ParseIsoDate(value.get<std::string>()))
            return *day;
        RefuseValue(field, value);
    }
    return IntegerValue<std::int32_t>(field, value);
}

std::int32_t TimeValue(const chimdb::FieldDefItem& field, const Json& value) {
    if (value.is_string()) {
        if (auto ms = chimdb::ParseIsoTime(value.get<std::string>()))
            return *ms;
        RefuseValue(field, value);
    }
    return IntegerValue<std::int32_t>(field, value);
}

double DateTimeValue(const chimdb::FieldDefItem& field, const Json& value) {
    if (value.is_string()) {
        if (auto moment = chimdb::ParseIsoDateTime(value.get<std::string>()))
            return *moment;
        RefuseValue(field, value);
    }
    if (!value.is_number())
        RefuseValue(field, value);
    return value.get<double>();
}

bool HasDateText(std::int32_t day) {
    return day >= 1 && day <= chimdb::DayNumberFromDate({9999, 12, 31});
}

bool HasDateTimeText(double moment) {
    if (!std::isfinite(moment))
        return false;
    std::int32_t day = 0;
    std::int32_t ms = 0;
    chimdb::SplitDateTime(moment, day, ms);
    return HasDateText(day) && chimdb::DateTimeValue(day, ms) == moment;
}

}  // namespace

RecordValues::RecordValues(const std::vector<chimdb::FieldDefItem>& fields)
    : fields_(fields), values_(fields.size()), blobs_(fields.size()) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const chimdb::FieldDefItem& field = fields_[i];
        // An opened table has only fields of a known width.
        if (!chimdb::IsBlobType(field.fieldType))
            values_[i].assign(static_cast<std::size_t>(
                                  chimdb::FieldWidth(field.fieldType, field.fieldSize).value()),
                              0);
    }
}

std::size_t RecordValues::FieldNumber(std::string_view utf8Name) const {
    try {
        const std::string name = chimdb::ToCodePage(utf8Name);
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            if (chimdb::SameName(fields_[i].name, name))
                return i;
        }
    } catch (const chimdb::DatabaseError&) {
        // A name the code page cannot hold names no field.
    }
    chimdb::RaiseError("Field '%s' not found", utf8Name);
}

void RecordValues::SetNewRecordDefaults() {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (chimdb::IsBlobType(fields_[i].fieldType)) {
            blobs_[i].clear();
            continue;
        }
        std::fill(values_[i].begin(), values_[i].end(), 0);
        switch (TypeOf(fields_[i])) {
            case FieldType::ftDate:
                Store(values_[i], chimdb::TodayDayNumber());
                break;
            case FieldType::ftTime:
                Store(values_[i], chimdb::NowMsOfDay());
                break;
            case FieldType::ftDateTime:
                Store(values_[i], chimdb::DateTimeValue(chimdb::kDayNumberOf18991230, 0));
                break;
            default:
                break;
        }
    }
}

void RecordValues::Assign(const Json& object) {
    if (!object.is_object())
        throw std::runtime_error("A record must be a JSON object: " + object.dump());
    for (const auto& [name, value] : object.items()) {
        const std::size_t field = FieldNumber(name);
        if (!value.is_null())
            AssignField(field, value);
    }
}

void RecordValues::AssignField(std::size_t i, const Json& value) {
    const chimdb::FieldDefItem& field = fields_[i];
    std::vector<std::uint8_t>& bytes = values_[i];
    if (chimdb::IsBlobType(field.fieldType)) {
        if (!value.is_string())
            RefuseValue(field, value);
        std::string text = value.get<std::string>();
        if (IsMemoType(field.fieldType)) {
            text = chimdb::ToCodePage(text);
            blobs_[i].assign(text.begin(), text.end());
        } else if (auto content = DecodeBase64(text)) {
            blobs_[i].assign(content->begin(), content->end());
        } else {
            RefuseValue(field, value);
        }
        return;
    }
    if (chimdb::IsStringType(field.fieldType)) {
        if (!value.is_string())
            RefuseValue(field, value);
        const std::string text = chimdb::ToCodePage(value.get<std::string>());
        // Cut like the store cuts: to the declared size, at a character boundary.
        const std::string_view fitting = chimdb::CutToWidth(text, bytes.size() - 1);
        std::fill(bytes.begin(), bytes.end(), 0);
        std::memcpy(bytes.data(), fitting.data(), fitting.size());
        return;
    }
    switch (TypeOf(field)) {
        case FieldType::ftSmallint:
            Store(bytes, IntegerValue<std::int16_t>(field, value));
            break;
        case FieldType::ftWord:
            Store(bytes, IntegerValue<std::uint16_t>(field, value));
            break;
        case FieldType::ftBoolean:
            if (!value.is_boolean())
                RefuseValue(field, value);
            Store(bytes, static_cast<std::int16_t>(value.get<bool>() ? 1 : 0));
            break;
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            Store(bytes, IntegerValue<std::int32_t>(field, value));
            break;
        case FieldType::ftLargeint:
            Store(bytes, IntegerValue<std::int64_t>(field, value));
            break;
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            if (!value.is_number())
                RefuseValue(field, value);
            Store(bytes, value.get<double>());
            break;
        case FieldType::ftDate:
            Store(bytes, DayValue(field, value));
            break;
        case FieldType::ftTime:
            Store(bytes, TimeValue(field, value));
            break;
        case FieldType::ftDateTime:
            Store(bytes, DateTimeValue(field, value));
            break;
        default:
            RefuseValue(field, value);
    }
}

Json RecordValues::ToJson() const {
    Json record = Json::object();
    for (std::size_t i = 0; i < fields_.size(); ++i)
        record[chimdb::FromCodePage(fields_[i].name)] = FieldJson(i);
    return record;
}

Json RecordValues::FieldJson(std::size_t i) const {
    const chimdb::FieldDefItem& field = fields_[i];
    const std::vector<std::uint8_t>& bytes = values_[i];
    if (chimdb::IsBlobType(field.fieldType)) {
        const std::vector<std::uint8_t>& content = blobs_[i];
        if (IsMemoType(field.fieldType))
            return chimdb::FromCodePage(
                {reinterpret_cast<const char*>(content.data()), content.size()});
        return EncodeBase64(content);
    }
    if (chimdb::IsStringType(field.fieldType)) {
        const auto* begin = reinterpret_cast<const char*>(bytes.data());
        const void* nul = std::memchr(begin, 0, bytes.size());
        const std::size_t length =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : bytes.size();
        return chimdb::FromCodePage({begin, length});
    }
    switch (TypeOf(field)) {
        case FieldType::ftSmallint:
            return Load<std::int16_t>(bytes);
        case FieldType::ftWord:
            return Load<std::uint16_t>(bytes);
        case FieldType::ftBoolean:
            return Load<std::int16_t>(bytes) != 0;
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            return Load<std::int32_t>(bytes);
        case FieldType::ftLargeint:
            return Load<std::int64_t>(bytes);
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return Load<double>(bytes);
        case FieldType::ftDate: {
            const auto day = Load<std::int32_t>(bytes);
            return HasDateText(day) ? Json(chimdb::FormatIsoDate(day)) : Json(day);
        }
        case FieldType::ftTime: {
            const auto ms = Load<std::int32_t>(bytes);
            return ms >= 0 && ms < chimdb::kMsPerDay ? Json(chimdb::FormatIsoTime(ms)) : Json(ms);
        }
        case FieldType::ftDateTime: {
            const auto moment = Load<double>(bytes);
            return HasDateTimeText(moment) ? Json(chimdb::FormatIsoDateTime(moment)) : Json(moment);
        }
        default:
            return nullptr;
    }
}

}  // namespace chimdb_tool
