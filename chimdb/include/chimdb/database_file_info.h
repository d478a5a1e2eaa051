#pragma once

#include <string>
#include <vector>

#include "chimdb/process_header.h"
#include "chimdb/table_header.h"

namespace chimdb {

// What a database file holds, read from its prologue without opening it as a database (no
// session, no lock, no password): for tools that show a file. Texts are code-page bytes as
// stored.
struct DatabaseFileInfo {
    std::string version;
    ProcessHeader process;
    std::vector<TableHeader> tables;

    // Reads the file read-only; a file that is not a sound database raises DatabaseError.
    static DatabaseFileInfo Read(const std::string& path);
};

}  // namespace chimdb
