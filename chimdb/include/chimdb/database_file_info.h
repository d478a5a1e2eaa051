#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimdb/field_def_item.h"
#include "chimdb/index_def_item.h"

namespace chimdb {

// What a database file holds, read from its prologue without opening it as a database (no
// session, no lock, no password): for tools that show a file. Texts are code-page bytes as
// stored.
struct DatabaseFileInfo {
    struct Table {
        std::string name;
        std::int32_t recordCount = 0;
        std::int32_t autoIncCounter = 0;
        std::vector<FieldDefItem> fields;
        std::vector<IndexDefItem> indexes;
    };

    std::string version;
    bool compressed = false;
    std::string compressAlgoName;
    bool enciphered = false;
    std::string encryptAlgoName;
    std::uint8_t encryptMode = 0;
    bool verifyWrites = false;
    std::vector<Table> tables;

    // Reads the file read-only; a file that is not a sound database raises DatabaseError.
    static DatabaseFileInfo Read(const std::string& path);
};

}  // namespace chimdb
