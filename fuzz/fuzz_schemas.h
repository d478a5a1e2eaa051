#pragma once

// The tables of the fuzz targets and of their seed corpus: one table with a field of every
// kind a filter reads and an index on a string, a memo and several fields, and its records
// (values as the field texts: ISO dates and times).

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "chimdb/database_schema.h"
#include "chimdb/field_type.h"
#include "fuzz/fuzz_password.h"

namespace chimdb_fuzz {

inline chimdb::FieldSchema FuzzField(const char* name, chimdb::FieldType type,
                                     std::int32_t size = 0) {
    return chimdb::FieldSchema{name, static_cast<std::uint8_t>(type), size, 0};
}

inline chimdb::TableSchema EveryKindTable() {
    using chimdb::FieldType;
    return chimdb::TableSchema{
        "Every",
        {FuzzField("ID", FieldType::ftAutoInc), FuzzField("S", FieldType::ftString, 20),
         FuzzField("FC", FieldType::ftFixedChar, 4), FuzzField("SI", FieldType::ftSmallint),
         FuzzField("W", FieldType::ftWord), FuzzField("B", FieldType::ftBoolean),
         FuzzField("I", FieldType::ftInteger), FuzzField("F", FieldType::ftFloat),
         FuzzField("C", FieldType::ftCurrency), FuzzField("D", FieldType::ftDate),
         FuzzField("T", FieldType::ftTime), FuzzField("DT", FieldType::ftDateTime),
         FuzzField("L", FieldType::ftLargeint), FuzzField("M", FieldType::ftMemo),
         FuzzField("BL", FieldType::ftBlob)},
        {chimdb::IndexSchema{"ID", {"ID"}, chimdb::tiPrimary | chimdb::tiUnique},
         chimdb::IndexSchema{"S", {"S", "ID"}, chimdb::tiCaseInsensitive},
         chimdb::IndexSchema{"M", {"M"}, chimdb::tiDescending},
         chimdb::IndexSchema{"WHEN", {"D", "T", "DT"}, 0}}};
}

inline chimdb::DatabaseSchema EveryKindSchema(std::optional<std::string> cipher = "Blowfish",
                                              std::uint8_t mode = 0, bool compress = false) {
    chimdb::DatabaseSchema schema;
    schema.password = kCorpusPassword;
    schema.cipher = std::move(cipher);
    schema.mode = mode;
    schema.compress = compress;
    schema.tables = {EveryKindTable()};
    return schema;
}

inline std::vector<std::map<std::string, std::string>> EveryKindRows() {
    return {
        {{"S", "abc"},
         {"FC", "ab"},
         {"SI", "-3"},
         {"W", "7"},
         {"B", "True"},
         {"I", "42"},
         {"F", "1.5"},
         {"C", "2.25"},
         {"D", "2024-03-05"},
         {"T", "08:00:00.000"},
         {"DT", "2024-03-05T08:00:00.999"},
         {"L", "9000000000"},
         {"M", "早操铃声 memo"}},
        {{"S", "ABC "},
         {"FC", "早"},
         {"SI", "0"},
         {"W", "0"},
         {"B", "False"},
         {"I", "-1"},
         {"F", "-0.5"},
         {"C", "0"},
         {"D", "1899-12-30"},
         {"T", "23:59:59.999"},
         {"DT", "2024-03-05T20:00:01.000"},
         {"L", "-1"},
         {"M", "Alpha"}},
        {{"S", "早操"},
         {"I", "2147483647"},
         {"F", "1E300"},
         {"D", "9999-12-31"},
         {"M", std::string(300, 'z')}},
    };
}

}  // namespace chimdb_fuzz
