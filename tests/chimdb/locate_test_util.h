#pragma once

// Table cursors for record numbers, bookmarks, find operations, Locate, Lookup and detail
// ranges, on a registered in-memory database:
// - Idx and Walk hold the same fields; Idx has an index for every way the tests locate,
//   Walk only its primary index, so the same question asked of both goes once through an
//   index and once by a walk of the cursor list;
// - Master and Detail form a master-detail pair over CODE.

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
#include "dataset/data_source.h"

namespace chimdb::testing {

inline const std::string kLocatePassword = "Quartzfen47";

inline FieldSchema LocateField(const char* name, FieldType type, std::int32_t size = 0) {
    return FieldSchema{name, static_cast<std::uint8_t>(type), size, 0};
}

inline std::vector<FieldSchema> LocateFields() {
    return {LocateField("ID", FieldType::ftAutoInc), LocateField("NAME", FieldType::ftString, 10),
            LocateField("N", FieldType::ftInteger),  LocateField("K", FieldType::ftInteger),
            LocateField("D", FieldType::ftDate),     LocateField("NOTE", FieldType::ftMemo)};
}

inline DatabaseSchema LocateSchema() {
    DatabaseSchema schema;
    schema.password = kLocatePassword;
    schema.cipher = "Blowfish";
    const IndexSchema primary{"ID", {"ID"}, tiPrimary | tiUnique};
    schema.tables = {
        TableSchema{"Idx",
                    LocateFields(),
                    {primary, IndexSchema{"NAME", {"NAME"}, 0},
                     IndexSchema{"NAMECI", {"NAME"}, tiCaseInsensitive},
                     IndexSchema{"NAMEN", {"NAME", "N"}, 0}, IndexSchema{"N", {"N"}, tiDescending},
                     IndexSchema{"D", {"D"}, 0}}},
        TableSchema{"Walk", LocateFields(), {primary}},
        TableSchema{"Master",
                    {LocateField("CODE", FieldType::ftString, 10),
                     LocateField("TITLE", FieldType::ftString, 20)},
                    {IndexSchema{"CODE", {"CODE"}, tiPrimary | tiUnique}}},
        TableSchema{
            "Detail",
            {LocateField("ID", FieldType::ftAutoInc), LocateField("CODE", FieldType::ftString, 10),
             LocateField("SEQ", FieldType::ftInteger)},
            {primary, IndexSchema{"CODESEQ", {"CODE", "SEQ"}, 0}}}};
    return schema;
}

// One record of Idx or Walk.
struct LocateRow {
    std::string name;
    int n;
    int k;
};

class LocateTest : public ::testing::Test {
  public:
    using Row = LocateRow;

  protected:
    LocateTest()
        : file_(DatabaseCreator(LocateSchema()).BuildImage(), "locate.db"), registration_(file_) {}

    void TearDown() override { ChimSessionList::Instance().Shutdown(); }

    // The program's open steps: database name, table name, index name, password, open.
    void OpenTable(ChimTable& table, const std::string& tableName,
                   const std::string& indexName = "") {
        table.Close();
        table.SetMediumType(ChimDBMediumType::mtMemory);
        table.SetDatabaseName(registration_.DatabaseName());
        table.SetTableName(tableName);
        table.SetIndexName(indexName);
        table.SetPassword(kLocatePassword);
        table.Open();
    }

    static void AddRow(ChimTable& table, const Row& row) {
        table.Append();
        table.FieldByName("NAME").SetAsString(row.name);
        table.FieldByName("N").SetAsInteger(row.n);
        table.FieldByName("K").SetAsInteger(row.k);
        table.FieldByName("NOTE").SetAsString("note " + row.name);
        table.Post();
    }

    static void AddRows(ChimTable& table, const std::vector<Row>& rows) {
        for (const Row& row : rows)
            AddRow(table, row);
    }

    // The values of one field in cursor order, from the first record.
    static std::vector<std::string> Column(ChimTable& table, const std::string& field) {
        std::vector<std::string> values;
        for (table.First(); !table.Eof(); table.Next())
            values.push_back(table.FieldByName(field).AsString());
        return values;
    }

    static std::string Current(ChimTable& table, const std::string& field = "NAME") {
        return table.FieldByName(field).AsString();
    }

    static std::string Message(const std::function<void()>& action) {
        try {
            action();
        } catch (const DatabaseError& error) {
            return error.what();
        }
        return "no error";
    }

    MemoryFile file_;
    ScopedMemoryStream registration_;
};

}  // namespace chimdb::testing
