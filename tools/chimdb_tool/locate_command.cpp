#include <cstring>

#include "chimdb/code_page.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field_type.h"
#include "tools/chimdb_tool/commands.h"
#include "tools/chimdb_tool/opened_table.h"

namespace chimdb_tool {

namespace {

using chimdb::FieldType;
using chimdb::FieldValue;

template <typename T>
T Load(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

double PlatformDays(std::int32_t dayNumber, std::int32_t msOfDay) {
    return static_cast<double>(dayNumber - chimdb::kDayNumberOf18991230) +
           static_cast<double>(msOfDay) / chimdb::kMsPerDay;
}

// The value of one field of a record that was read from JSON, in the generic form that the
// cursor's fields take: texts, integers, booleans, floats, and dates and times as days
// since 30 December 1899.
FieldValue ValueOf(RecordValues& record, std::size_t fieldNo, const chimdb::Field& field) {
    const std::uint8_t type = field.DataType();
    if (chimdb::IsBlobType(type)) {
        const auto& content = record.BlobContent(fieldNo);
        std::string bytes(reinterpret_cast<const char*>(content.data()), content.size());
        const bool text = type == static_cast<std::uint8_t>(FieldType::ftMemo) ||
                          type == static_cast<std::uint8_t>(FieldType::ftFmtMemo) ||
                          type == static_cast<std::uint8_t>(FieldType::ftOraClob);
        return text ? chimdb::FromCodePage(bytes) : bytes;
    }
    const std::uint8_t* bytes = record.ValueBytes(fieldNo);
    if (chimdb::IsStringType(type)) {
        const auto* text = reinterpret_cast<const char*>(bytes);
        return chimdb::FromCodePage(
            std::string_view(text, strnlen(text, static_cast<std::size_t>(field.DataSize()))));
    }
    switch (static_cast<FieldType>(type)) {
        case FieldType::ftSmallint:
            return static_cast<std::int64_t>(Load<std::int16_t>(bytes));
        case FieldType::ftWord:
            return static_cast<std::int64_t>(Load<std::uint16_t>(bytes));
        case FieldType::ftBoolean:
            return Load<std::int16_t>(bytes) != 0;
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            return static_cast<std::int64_t>(Load<std::int32_t>(bytes));
        case FieldType::ftLargeint:
            return Load<std::int64_t>(bytes);
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return Load<double>(bytes);
        case FieldType::ftDate:
            return PlatformDays(Load<std::int32_t>(bytes), 0);
        case FieldType::ftTime:
            return PlatformDays(chimdb::kDayNumberOf18991230, Load<std::int32_t>(bytes));
        case FieldType::ftDateTime: {
            std::int32_t day = 0;
            std::int32_t ms = 0;
            chimdb::SplitDateTime(Load<double>(bytes), day, ms);
            return PlatformDays(day, ms);
        }
        default:
            return {};
    }
}

// The located fields' values, read from the JSON array in the forms dump writes.
std::vector<FieldValue> LocateValues(OpenedTable& opened, const std::string& fieldNames,
                                     const Json& values) {
    chimdb::ChimTable& table = opened.Table();
    RecordValues record = opened.NewRecord();
    std::vector<FieldValue> result;
    std::size_t i = 0;
    std::string_view rest = fieldNames;
    while (!rest.empty() && i < values.size()) {
        const std::size_t end = std::min(rest.find(';'), rest.size());
        std::string name(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (name.empty())
            continue;
        const Json& value = values[i++];
        if (value.is_null()) {
            result.emplace_back();
            continue;
        }
        chimdb::Field& field = table.FieldByName(name);
        Json object = Json::object();
        object[field.FieldName()] = value;
        record.Assign(object);
        result.push_back(ValueOf(record, static_cast<std::size_t>(field.FieldNo()), field));
    }
    return result;
}

}  // namespace

// chimdb locate FILE --table T --fields "F1;F2" --values JSON-ARRAY [--case-insensitive]
// [--partial] [--password P]: the first record, in record-number order, whose fields equal
// the values, as one JSON object; "Record not found" when there is none.
void RunLocate(const Arguments& args, std::ostream& out) {
    const std::string fieldNames = args.Required("fields");
    const std::string valuesText = args.Required("values");
    Json values = Json::parse(valuesText, nullptr, false);
    if (values.is_discarded() || !values.is_array())
        throw std::runtime_error("--values must be a JSON array: " + valuesText);
    OpenedTable opened(args.Positional().front(), args.Required("table"), "",
                       args.Option("password").value_or(""));
    chimdb::ChimTable& table = opened.Table();
    table.UseRecordNumberOrder();
    chimdb::LocateOptions options;
    options.caseInsensitive = args.Flag("case-insensitive");
    options.partialKey = args.Flag("partial");
    if (!table.Locate(fieldNames, LocateValues(opened, fieldNames, values), options))
        chimdb::RaiseError("Record not found");
    RecordValues record = opened.NewRecord();
    opened.ReadCurrent(record);
    out << record.ToJson().dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace chimdb_tool
