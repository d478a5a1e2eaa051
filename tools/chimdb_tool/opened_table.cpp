#include "tools/chimdb_tool/opened_table.h"

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"

namespace chimdb_tool {

namespace {

// The JSON value that a key text stands for in a field: string fields take the text as it
// is; other fields take it as JSON when it reads as a number or boolean, else as text (so
// that dates and times are written without quotes).
Json KeyValue(const std::string& text, std::uint8_t fieldType) {
    if (chimdb::IsStringType(fieldType))
        return text;
    Json parsed = Json::parse(text, nullptr, false);
    if (!parsed.is_discarded() && !parsed.is_string() && !parsed.is_structured())
        return parsed;
    return text;
}

}  // namespace

OpenedTable::OpenedTable(const std::string& path, std::string_view tableName,
                         std::string_view password) {
    io_.OpenFile(path, chimdb::ChimDBMediumType::mtDisk, false);
    if (!io_.CheckPassword(password))
        chimdb::RaiseError("Access denied");
    table_ = std::make_unique<chimdb::ChimTableIO>(io_, std::string(tableName));
    table_->OpenTable();
}

OpenedTable::~OpenedTable() {
    try {
        if (table_ && table_->OpenCount() > 0)
            table_->CloseTable();
        io_.CloseFile();
    } catch (...) {
        // Closing after a failure must not hide the failure's message.
    }
}

RecordValues OpenedTable::NewRecord() {
    return RecordValues(table_->Header().fields, &io_);
}

std::int32_t OpenedTable::IndexNumber(std::string_view name) const {
    const auto& indexes = table_->Header().indexes;
    try {
        const std::string codePageName = chimdb::ToCodePage(name);
        for (std::size_t i = 0; i < indexes.size(); ++i) {
            if (chimdb::SameName(indexes[i].name, codePageName))
                return static_cast<std::int32_t>(i);
        }
    } catch (const chimdb::DatabaseError&) {
        // A name the code page cannot hold names no index.
    }
    chimdb::RaiseError("Index '%s' not found", name);
}

std::int32_t OpenedTable::FindRecord(std::int32_t indexNumber, const std::string& keyText) {
    const auto& fields = table_->Header().fields;
    const auto& keyFields =
        table_->Header().indexes[static_cast<std::size_t>(indexNumber)].fieldNumbers;
    std::vector<Json> keyValues;
    Json array = keyFields.size() > 1 ? Json::parse(keyText, nullptr, false) : Json();
    if (array.is_array() && !array.empty() && array.size() <= keyFields.size()) {
        for (const Json& value : array)
            keyValues.push_back(value);
    } else {
        keyValues.push_back(
            KeyValue(keyText, fields[static_cast<std::size_t>(keyFields[0])].fieldType));
    }
    RecordValues key = NewRecord();
    Json object = Json::object();
    for (std::size_t k = 0; k < keyValues.size(); ++k) {
        const auto& field = fields[static_cast<std::size_t>(keyFields[k])];
        object[chimdb::FromCodePage(field.name)] = keyValues[k];
    }
    key.Assign(object);

    const std::size_t listNumber = static_cast<std::size_t>(indexNumber) + 1;
    std::int32_t result = 0;
    const std::int32_t position = table_->SearchKeyBound(
        key.Buffers(), listNumber, false, static_cast<std::int32_t>(keyValues.size()), result, true,
        indexNumber);
    if (result != 0)
        chimdb::RaiseError("Record not found");
    const std::int32_t physical = table_->MapPosition(listNumber, position, 0);
    if (physical < 0)
        chimdb::RaiseError("Record not found");
    return physical;
}

}  // namespace chimdb_tool
