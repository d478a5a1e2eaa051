#include "tools/chimdb_tool/opened_table.h"

#include "chimdb/chim_database.h"
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
                         std::string_view indexName, std::string_view password) {
    table_.SetDatabaseName(path);
    table_.SetTableName(std::string(tableName));
    table_.SetIndexName(std::string(indexName));
    table_.SetPassword(std::string(password));
    table_.Open();
    if (!indexName.empty() && table_.IndexDefs().IndexOf(indexName) < 0)
        chimdb::RaiseError("Index '%s' not found", indexName);
}

OpenedTable::~OpenedTable() {
    try {
        table_.Close();
    } catch (...) {
        // Closing after a failure must not hide the failure's message.
    }
}

void OpenedTable::Close() {
    table_.Close();
}

RecordValues OpenedTable::NewRecord() {
    return RecordValues(table_.StoredFieldDefs());
}

void OpenedTable::ReadCurrent(RecordValues& values) {
    for (std::size_t i = 0; i < table_.FieldCount(); ++i) {
        chimdb::Field& field = table_.Fields(i);
        const auto fieldNo = static_cast<std::size_t>(field.FieldNo());
        if (field.IsBlob()) {
            auto stream = table_.CreateBlobStream(field, chimdb::ChimBlobStream::kModeRead);
            const auto content = stream->Content();
            values.BlobContent(fieldNo).assign(content.begin(), content.end());
        } else {
            table_.GetFieldData(field, std::span(values.ValueBytes(fieldNo),
                                                 static_cast<std::size_t>(field.DataSize())));
        }
    }
}

void OpenedTable::WriteFields(RecordValues& values, const std::vector<std::size_t>& fieldNumbers) {
    for (std::size_t fieldNo : fieldNumbers) {
        chimdb::Field& field = table_.Fields(fieldNo);
        if (field.IsBlob()) {
            const auto& content = values.BlobContent(fieldNo);
            auto stream = table_.CreateBlobStream(field, chimdb::ChimBlobStream::kModeWrite);
            stream->Write(content.data(), content.size());
        } else {
            table_.SetFieldData(field, std::span(values.ValueBytes(fieldNo),
                                                 static_cast<std::size_t>(field.DataSize())));
        }
    }
}

void OpenedTable::FindRecord(const std::string& keyText) {
    const auto& fields = table_.StoredFieldDefs();
    const auto& keyFields =
        table_.IndexDefs()[static_cast<std::size_t>(table_.ActiveIndex())].fieldNumbers;
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

    table_.SetKey();
    for (std::size_t k = 0; k < keyValues.size(); ++k) {
        const auto fieldNo = static_cast<std::size_t>(keyFields[k]);
        chimdb::Field& field = table_.Fields(fieldNo);
        if (field.IsBlob()) {
            const auto& content = key.BlobContent(fieldNo);
            auto stream = table_.CreateBlobStream(field, chimdb::ChimBlobStream::kModeWrite);
            stream->Write(content.data(), content.size());
        } else {
            table_.SetFieldData(field, std::span(key.ValueBytes(fieldNo),
                                                 static_cast<std::size_t>(field.DataSize())));
        }
    }
    table_.SetKeyFieldCount(static_cast<std::int32_t>(keyValues.size()));
    if (!table_.GotoKeyExact())
        chimdb::RaiseError("Record not found");
}

}  // namespace chimdb_tool
