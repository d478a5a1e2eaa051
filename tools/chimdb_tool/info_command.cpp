#include <nlohmann/json.hpp>

#include "chimdb/code_page.h"
#include "chimdb/database_file_info.h"
#include "chimdb/field_type_name.h"
#include "tools/chimdb_tool/commands.h"

namespace chimdb_tool {

namespace {

using Json = nlohmann::ordered_json;

Json OptionNames(chimdb::CDIndexOptions options) {
    Json names = Json::array();
    if (options & chimdb::tiPrimary)
        names.push_back("primary");
    if (options & chimdb::tiUnique)
        names.push_back("unique");
    if (options & chimdb::tiDescending)
        names.push_back("descending");
    if (options & chimdb::tiCaseInsensitive)
        names.push_back("caseInsensitive");
    return names;
}

Json FieldJson(const chimdb::FieldDefItem& field) {
    Json json;
    json["name"] = chimdb::FromCodePage(field.name);
    if (auto name = chimdb::FieldTypeName(field.fieldType)) {
        json["type"] = *name;
    } else {
        json["type"] = nullptr;
        json["typeCode"] = field.fieldType;
    }
    json["size"] = field.fieldSize;
    json["processFlag"] = field.ProcessFlag;
    return json;
}

Json IndexJson(const chimdb::IndexDefItem& index, const chimdb::DatabaseFileInfo::Table& table) {
    Json json;
    json["name"] = chimdb::FromCodePage(index.name);
    Json fields = Json::array();
    for (std::int32_t number : index.fieldNumbers)
        fields.push_back(chimdb::FromCodePage(table.fields[number].name));
    json["fields"] = fields;
    json["options"] = OptionNames(index.Options);
    return json;
}

Json TableJson(const chimdb::DatabaseFileInfo::Table& table) {
    Json json;
    json["name"] = chimdb::FromCodePage(table.name);
    json["RecordCount"] = table.recordCount;
    json["AutoIncCounter"] = table.autoIncCounter;
    json["fields"] = Json::array();
    for (const auto& field : table.fields)
        json["fields"].push_back(FieldJson(field));
    json["indexes"] = Json::array();
    for (const auto& index : table.indexes)
        json["indexes"].push_back(IndexJson(index, table));
    return json;
}

Json Nullable(bool enabled, const std::string& text) {
    return enabled ? Json(chimdb::FromCodePage(text)) : Json(nullptr);
}

}  // namespace

// chimdb info FILE: one JSON object describing the file's processing and its tables.
void RunInfo(const Arguments& args, std::ostream& out) {
    const chimdb::DatabaseFileInfo file = chimdb::DatabaseFileInfo::Read(args.Positional().front());

    Json info;
    info["version"] = chimdb::FromCodePage(file.version);
    info["compression"] = Nullable(file.compressed, file.compressAlgoName);
    info["cipher"] = Nullable(file.enciphered, file.encryptAlgoName);
    info["mode"] = file.encryptMode;
    info["verifyWrites"] = file.verifyWrites;
    info["tables"] = Json::array();
    for (const chimdb::DatabaseFileInfo::Table& table : file.tables)
        info["tables"].push_back(TableJson(table));
    out << info.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace chimdb_tool
