#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chimdb/index_def_item.h"

// What a new database file holds: its data processing and its tables. All texts are UTF-8.
namespace chimdb {

struct FieldSchema {
    std::string name;
    std::uint8_t fieldType = 0;  // a FieldType code
    std::int32_t fieldSize = 0;  // characters, for string types
    std::uint8_t ProcessFlag = 0;
};

struct IndexSchema {
    std::string name;
    std::vector<std::string> fields;  // key field names, most significant first
    CDIndexOptions Options = 0;
};

struct TableSchema {
    std::string name;
    std::vector<FieldSchema> fields;
    std::vector<IndexSchema> indexes;
};

struct DatabaseSchema {
    std::string password;
    std::optional<std::string> cipher;  // "Blowfish", "Twofish", "Gost", or none
    std::uint8_t mode = 0;              // cipher mode 0..4
    bool compress = false;              // blob data compressed with "ZLIB"
    bool verifyWrites = false;
    std::vector<TableSchema> tables;
};

}  // namespace chimdb
