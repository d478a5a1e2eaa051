#include "tools/chimdb_tool/schema_reader.h"

#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>

#include "chimdb/field_type_name.h"

namespace chimdb_tool {

namespace {

using nlohmann::json;

[[noreturn]] void Invalid(const std::string& problem) {
    throw SchemaError("Invalid schema: " + problem);
}

void RequireObject(const json& value, const std::string& where,
                   std::initializer_list<std::string_view> keys) {
    if (!value.is_object())
        Invalid(where + " must be an object");
    for (const auto& [key, item] : value.items()) {
        bool known = false;
        for (std::string_view allowed : keys)
            known = known || key == allowed;
        if (!known)
            Invalid("unknown key '" + key + "' in " + where);
    }
}

std::string String(const json& object, const char* key, const std::string& where,
                   bool required = true) {
    if (!object.contains(key)) {
        if (required)
            Invalid(where + " needs \"" + key + "\"");
        return {};
    }
    if (!object[key].is_string())
        Invalid("\"" + std::string(key) + "\" of " + where + " must be a string");
    return object[key].get<std::string>();
}

bool Boolean(const json& object, const char* key, const std::string& where) {
    if (!object.contains(key))
        return false;
    if (!object[key].is_boolean())
        Invalid("\"" + std::string(key) + "\" of " + where + " must be true or false");
    return object[key].get<bool>();
}

std::int64_t Integer(const json& object, const char* key, const std::string& where,
                     std::int64_t low, std::int64_t high) {
    if (!object.contains(key))
        return 0;
    const json& value = object[key];
    if (!value.is_number_integer() || value.get<std::int64_t>() < low ||
        value.get<std::int64_t>() > high)
        Invalid("\"" + std::string(key) + "\" of " + where + " must be an integer from " +
                std::to_string(low) + " to " + std::to_string(high));
    return value.get<std::int64_t>();
}

const json& Array(const json& object, const char* key, const std::string& where) {
    static const json empty = json::array();
    if (!object.contains(key))
        return empty;
    if (!object[key].is_array())
        Invalid("\"" + std::string(key) + "\" of " + where + " must be an array");
    return object[key];
}

chimdb::FieldSchema ReadField(const json& value, const std::string& where) {
    RequireObject(value, where, {"name", "type", "size", "processFlag"});
    chimdb::FieldSchema field;
    field.name = String(value, "name", where);
    std::string typeName = String(value, "type", where);
    auto type = chimdb::FieldTypeFromName(typeName);
    if (!type)
        Invalid("unknown field type '" + typeName + "' in " + where);
    field.fieldType = *type;
    field.fieldSize = static_cast<std::int32_t>(Integer(value, "size", where, 0, INT32_MAX));
    field.ProcessFlag = static_cast<std::uint8_t>(Integer(value, "processFlag", where, 0, 255));
    return field;
}

chimdb::CDIndexOptions ReadOptions(const json& options, const std::string& where) {
    chimdb::CDIndexOptions result = 0;
    for (const json& option : options) {
        if (option == "primary")
            result |= chimdb::tiPrimary;
        else if (option == "unique")
            result |= chimdb::tiUnique;
        else if (option == "descending")
            result |= chimdb::tiDescending;
        else if (option == "caseInsensitive")
            result |= chimdb::tiCaseInsensitive;
        else
            Invalid("unknown index option " + option.dump() + " in " + where);
    }
    return result;
}

chimdb::IndexSchema ReadIndex(const json& value, const std::string& where) {
    RequireObject(value, where, {"name", "fields", "options"});
    chimdb::IndexSchema index;
    index.name = String(value, "name", where);
    for (const json& field : Array(value, "fields", where)) {
        if (!field.is_string())
            Invalid("\"fields\" of " + where + " must list field names");
        index.fields.push_back(field.get<std::string>());
    }
    index.Options = ReadOptions(Array(value, "options", where), where);
    return index;
}

chimdb::TableSchema ReadTable(const json& value, const std::string& where) {
    RequireObject(value, where, {"name", "fields", "indexes"});
    chimdb::TableSchema table;
    table.name = String(value, "name", where);
    const std::string named = "table '" + table.name + "'";
    std::size_t i = 0;
    for (const json& field : Array(value, "fields", named))
        table.fields.push_back(ReadField(field, "field " + std::to_string(i++) + " of " + named));
    i = 0;
    for (const json& index : Array(value, "indexes", named))
        table.indexes.push_back(ReadIndex(index, "index " + std::to_string(i++) + " of " + named));
    return table;
}

}  // namespace

chimdb::DatabaseSchema ParseSchema(const std::string& text) {
    json root = json::parse(text, nullptr, false);
    if (root.is_discarded())
        Invalid("not a JSON document");
    const std::string where = "the schema";
    RequireObject(root, where,
                  {"password", "encrypt", "mode", "compress", "verifyWrites", "tables"});
    chimdb::DatabaseSchema schema;
    schema.password = String(root, "password", where, false);
    if (root.contains("encrypt") && !root["encrypt"].is_null())
        schema.cipher = String(root, "encrypt", where);
    schema.mode = static_cast<std::uint8_t>(Integer(root, "mode", where, 0, 4));
    schema.compress = Boolean(root, "compress", where);
    schema.verifyWrites = Boolean(root, "verifyWrites", where);
    std::size_t i = 0;
    for (const json& table : Array(root, "tables", where))
        schema.tables.push_back(ReadTable(table, "table " + std::to_string(i++)));
    return schema;
}

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SchemaError("Cannot read schema file " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

chimdb::DatabaseSchema ReadSchemaFile(const std::string& path) {
    return ParseSchema(ReadText(path));
}

chimdb::TableSchema ParseTableSchema(const std::string& text) {
    json root = json::parse(text, nullptr, false);
    if (root.is_discarded())
        Invalid("not a JSON document");
    return ReadTable(root, "the table");
}

chimdb::TableSchema ReadTableSchemaFile(const std::string& path) {
    return ParseTableSchema(ReadText(path));
}

}  // namespace chimdb_tool
