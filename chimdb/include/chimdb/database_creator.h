#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimdb/database_schema.h"
#include "chimdb/file.h"

namespace chimdb {

// Writes new database files: version "2.0", the data processing the schema asks for, and one
// empty table per table schema. The store itself never creates a database; installers
// and the chimdb tool do, through this class.
class DatabaseCreator {
  public:
    // Validates the schema at once; raises DatabaseError naming the first problem.
    explicit DatabaseCreator(DatabaseSchema schema);

    // The complete bytes of the new file.
    std::vector<std::uint8_t> BuildImage() const;
    // Writes the image into an empty file.
    void WriteTo(File& file) const;
    // Creates the file at path; refuses to replace an existing file
    // ("Database file '%s' already exists") and leaves no file behind on failure.
    void CreateFile(const std::string& path) const;

  private:
    // Built and checked in full by the constructor, so that a schema is refused before
    // anything is written.
    std::vector<std::uint8_t> image_;
};

}  // namespace chimdb
