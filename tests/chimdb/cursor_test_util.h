#pragma once

// Table cursors on a registered in-memory database: a plan table with several kinds of
// fields and indexes, and a log table without a primary index.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/database_creator.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "chimdb/memory_file.h"
#include "chimdb/memory_stream_registry.h"

namespace chimdb::testing {

inline const std::string kCursorPassword = "Quartzfen47";

inline FieldSchema CursorField(const char* name, FieldType type, std::int32_t size = 0) {
    return FieldSchema{name, static_cast<std::uint8_t>(type), size, 0};
}

// Plans: ID (auto-increment, primary), NAME (string 10), N (integer), T (time), D (date),
// DT (date-time), NOTE (memo). Indexes: ID; NAME (case-insensitive); NAMEN (NAME, N).
// Log: TEXT (string 8), no index.
inline DatabaseSchema CursorSchema(bool encrypted) {
    DatabaseSchema schema;
    schema.password = kCursorPassword;
    if (encrypted)
        schema.cipher = "Blowfish";
    schema.tables = {
        TableSchema{
            "Plans",
            {CursorField("ID", FieldType::ftAutoInc), CursorField("NAME", FieldType::ftString, 10),
             CursorField("N", FieldType::ftInteger), CursorField("T", FieldType::ftTime),
             CursorField("D", FieldType::ftDate), CursorField("DT", FieldType::ftDateTime),
             CursorField("NOTE", FieldType::ftMemo)},
            {IndexSchema{"ID", {"ID"}, tiPrimary | tiUnique},
             IndexSchema{"NAME", {"NAME"}, tiCaseInsensitive},
             IndexSchema{"NAMEN", {"NAME", "N"}, 0}}},
        TableSchema{"Log", {CursorField("TEXT", FieldType::ftString, 8)}, {}}};
    return schema;
}

// A memory image that may claim to be read-only on disk.
class CursorImageFile : public MemoryFile {
  public:
    using MemoryFile::MemoryFile;
    bool IsReadOnly() const override { return readOnly; }
    bool readOnly = false;
};

class CursorTest : public ::testing::Test {
  protected:
    explicit CursorTest(bool encrypted = true)
        : file_(DatabaseCreator(CursorSchema(encrypted)).BuildImage(), "cursor.db"),
          registration_(file_) {}

    void TearDown() override { ChimSessionList::Instance().Shutdown(); }

    std::string DatabaseName() const { return registration_.DatabaseName(); }

    // The program's open steps: database name, table name, index name, password, open.
    void OpenTable(ChimTable& table, const std::string& tableName = "Plans",
                   const std::string& indexName = "") {
        table.Close();
        table.SetMediumType(ChimDBMediumType::mtMemory);
        table.SetDatabaseName(DatabaseName());
        table.SetTableName(tableName);
        table.SetIndexName(indexName);
        table.SetPassword(kCursorPassword);
        table.Open();
    }

    // Appends plans through the cursor.
    static void AddPlan(ChimTable& table, const std::string& name, int n = 0) {
        table.Append();
        table.FieldByName("NAME").SetAsString(name);
        table.FieldByName("N").SetAsInteger(n);
        table.Post();
    }

    // The values of one field in cursor order, from the first record.
    static std::vector<std::string> Column(ChimTable& table, const std::string& field) {
        std::vector<std::string> values;
        for (table.First(); !table.Eof(); table.Next())
            values.push_back(table.FieldByName(field).AsString());
        return values;
    }

    static std::string Message(const std::function<void()>& action) {
        try {
            action();
        } catch (const DatabaseError& error) {
            return error.what();
        }
        return "no error";
    }

    CursorImageFile file_;
    ScopedMemoryStream registration_;
};

}  // namespace chimdb::testing
