#pragma once

// A table with a field of every kind a filter reads, on a registered in-memory database, and
// helpers that apply a filter through the cursor and list the accepted records.

#include <gtest/gtest.h>

#include <functional>
#include <map>
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

inline FieldSchema EvalField(const char* name, FieldType type, std::int32_t size = 0) {
    return FieldSchema{name, static_cast<std::uint8_t>(type), size, 0};
}

// Every: ID (auto-increment, primary index), S (string 20), FC (fixed 4), SI, W, B, I, F, C,
// D, T, DT, L, M (memo).
inline DatabaseSchema EveryKindSchema() {
    DatabaseSchema schema;
    schema.password = "Quartzfen47";
    schema.cipher = "Blowfish";
    schema.tables = {TableSchema{
        "Every",
        {EvalField("ID", FieldType::ftAutoInc), EvalField("S", FieldType::ftString, 20),
         EvalField("FC", FieldType::ftFixedChar, 4), EvalField("SI", FieldType::ftSmallint),
         EvalField("W", FieldType::ftWord), EvalField("B", FieldType::ftBoolean),
         EvalField("I", FieldType::ftInteger), EvalField("F", FieldType::ftFloat),
         EvalField("C", FieldType::ftCurrency), EvalField("D", FieldType::ftDate),
         EvalField("T", FieldType::ftTime), EvalField("DT", FieldType::ftDateTime),
         EvalField("L", FieldType::ftLargeint), EvalField("M", FieldType::ftMemo)},
        {IndexSchema{"ID", {"ID"}, tiPrimary | tiUnique}}}};
    return schema;
}

class FilterEvalTest : public ::testing::Test {
  protected:
    FilterEvalTest()
        : file_(DatabaseCreator(EveryKindSchema()).BuildImage(), "every.db"), registration_(file_) {
        table_.SetMediumType(ChimDBMediumType::mtMemory);
        table_.SetDatabaseName(registration_.DatabaseName());
        table_.SetTableName("Every");
        table_.SetIndexName("ID");
        table_.SetPassword("Quartzfen47");
        table_.Open();
    }
    ~FilterEvalTest() override {
        table_.Close();
        ChimSessionList::Instance().Shutdown();
    }

    // Appends a record; values by field name as the tool's texts (ISO dates and times).
    int Add(const std::map<std::string, std::string>& values) {
        table_.Append();
        for (const auto& [name, text] : values)
            table_.FieldByName(name).SetAsString(text);
        table_.Post();
        return table_.FieldByName("ID").AsInteger();
    }

    // IDs of the records the filter accepts, in index order.
    std::vector<int> Ids(const std::string& filter, FilterOptions options = {}) {
        table_.SetFiltered(false);
        table_.SetFilterOptions(options);
        table_.SetFilter(filter);
        table_.SetFiltered(true);
        std::vector<int> ids;
        for (table_.First(); !table_.Eof(); table_.Next())
            ids.push_back(table_.FieldByName("ID").AsInteger());
        table_.SetFiltered(false);
        return ids;
    }

    // Whether the filter accepts the one record of a table holding only it.
    bool Accepts(const std::string& filter, FilterOptions options = {}) {
        const std::vector<int> ids = Ids(filter, options);
        return !ids.empty();
    }

    std::string Error(const std::string& filter, FilterOptions options = {}) {
        try {
            Ids(filter, options);
        } catch (const DatabaseError& error) {
            table_.SetFiltered(false);
            return error.what();
        }
        return "no error";
    }

    MemoryFile file_;
    ScopedMemoryStream registration_;
    ChimTable table_;
};

}  // namespace chimdb::testing
