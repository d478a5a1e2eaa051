// Opening and closing a table cursor: the database by name, the index it orders by, the
// definitions, the property rules and read-only tables.

#include <gtest/gtest.h>

#include "chimdb/chim_database.h"
#include "chimdb/chim_session.h"
#include "cursor_test_util.h"

namespace chimdb::testing {
namespace {

using ChimTableOpenTest = CursorTest;

TEST_F(ChimTableOpenTest, IndexChoiceFallsBackToPrimaryThenRecordNumberOrder) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    AddPlan(table, "b");
    AddPlan(table, "C");
    AddPlan(table, "a");
    EXPECT_EQ(table.ActiveIndex(), 1);
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"a", "b", "C"}));

    // Unknown and empty names are no error: the primary index orders.
    table.SetIndexName("NoSuchIndex");
    EXPECT_EQ(table.ActiveIndex(), 0);
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"b", "C", "a"}));
    table.SetIndexName("namen");  // any case
    EXPECT_EQ(table.ActiveIndex(), 2);
    table.Close();
    table.SetIndexName("");
    EXPECT_EQ(table.ActiveIndex(), -1);
    table.SetPassword(kCursorPassword);  // the last close closed the file
    table.Open();
    EXPECT_EQ(table.ActiveIndex(), 0);

    // A table without a primary index is in record-number order.
    ChimTable log;
    OpenTable(log, "Log", "Whatever");
    EXPECT_EQ(log.ActiveIndex(), -1);
    for (const char* text : {"z", "y", "x"}) {
        log.Append();
        log.FieldByName("TEXT").SetAsString(text);
        log.Post();
    }
    EXPECT_EQ(Column(log, "TEXT"), (std::vector<std::string>{"z", "y", "x"}));
    EXPECT_EQ(Message([&] { log.FindKey({"x"}); }), "No index currently active");
}

TEST_F(ChimTableOpenTest, DefinitionsComeFromTheStoredTable) {
    ChimTable table;
    OpenTable(table);
    ASSERT_EQ(table.FieldDefs().Count(), 7u);
    EXPECT_EQ(table.FieldDefs()[1].name, "NAME");
    EXPECT_EQ(table.FieldDefs()[1].size, 10);
    EXPECT_EQ(table.FieldDefs()[2].size, 0);
    ASSERT_EQ(table.IndexDefs().Count(), 3u);
    EXPECT_EQ(table.IndexDefs()[2].fields, "NAME,N");
    EXPECT_EQ(table.IndexDefs()[0].options, tiPrimary | tiUnique);
    EXPECT_EQ(table.IndexDefs()[1].options, tiCaseInsensitive);
    EXPECT_EQ(table.FieldCount(), 7u);
    EXPECT_EQ(Message([&] { table.FieldByName("Nope"); }), "Field 'Nope' not found");
    EXPECT_EQ(&table.FieldByName("name"), &table.FieldByName("NAME"));
    // Default fields go with the close; declared ones would stay.
    table.Close();
    EXPECT_EQ(table.FieldCount(), 0u);
}

TEST_F(ChimTableOpenTest, PropertyRulesAndFailuresLeaveTheTableClosed) {
    ChimTable table;
    table.SetMediumType(ChimDBMediumType::mtMemory);
    table.SetDatabaseName(DatabaseName());
    table.SetTableName("NoSuchTable");
    table.SetPassword(kCursorPassword);
    EXPECT_EQ(Message([&] { table.Open(); }), "Table 'NoSuchTable' not found");
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.Database(), nullptr);

    OpenTable(table);
    EXPECT_EQ(Message([&] { table.SetTableName("Log"); }),
              "Cannot perform this operation on an open dataset");
    EXPECT_EQ(Message([&] { table.SetDatabaseName("x"); }),
              "Cannot perform this operation on an open dataset");
    EXPECT_EQ(table.TableName(), "Plans");

    // Setting the database name, even to the same one, empties table and index names.
    table.Close();
    table.SetIndexName("NAME");
    table.SetDatabaseName(DatabaseName());
    EXPECT_EQ(table.TableName(), "");
    EXPECT_EQ(table.IndexName(), "");
}

TEST_F(ChimTableOpenTest, WrongPasswordIsRefusedAndTheLastCloseClosesTheFile) {
    ChimTable table;
    table.SetMediumType(ChimDBMediumType::mtMemory);
    table.SetDatabaseName(DatabaseName());
    table.SetTableName("Plans");
    table.SetPassword("wrong");
    EXPECT_EQ(Message([&] { table.Open(); }), "Access denied");
    EXPECT_FALSE(table.Active());

    OpenTable(table);
    ChimDatabase* database = table.Database();
    ASSERT_NE(database, nullptr);
    EXPECT_EQ(database->RefCount(), 1);
    table.Close();
    EXPECT_EQ(ChimSessionList::Instance().Default().FindDatabase(DatabaseName()), nullptr);
}

TEST_F(ChimTableOpenTest, ReadOnlyTableAndReadOnlyFileCannotBeModified) {
    ChimTable table;
    OpenTable(table);
    AddPlan(table, "a");
    EXPECT_TRUE(table.CanModify());
    table.SetReadOnly(true);
    EXPECT_FALSE(table.CanModify());
    for (auto change : {&DataSet::Append, &DataSet::Insert, &DataSet::Edit, &DataSet::Delete})
        EXPECT_EQ(Message([&] { (table.*change)(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(table.RecordCount(), 1);
    table.Close();

    file_.readOnly = true;
    ChimTable plans;
    ChimTable log;
    OpenTable(plans);
    OpenTable(log, "Log");
    EXPECT_FALSE(plans.CanModify());
    EXPECT_FALSE(log.CanModify());
    EXPECT_EQ(Message([&] { plans.Edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(plans.FieldByName("NAME").AsString(), "a");
}

TEST_F(ChimTableOpenTest, AFilterSetBeforeOpenIsAppliedAtOpen) {
    {
        ChimTable table;
        OpenTable(table);
        AddPlan(table, "a", 1);
        AddPlan(table, "b", 2);
        AddPlan(table, "c", 3);
    }
    ChimTable table;
    table.SetFiltered(true);
    table.OnFilterRecord = [](DataSet& data, bool& accept) {
        accept = data.FieldByName("N").AsInteger() != 2;
    };
    int opened = 0;
    table.AfterOpen = [&](DataSet& data) {
        ++opened;
        EXPECT_EQ(data.RecordCount(), 2);
    };
    OpenTable(table);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"a", "c"}));
}

}  // namespace
}  // namespace chimdb::testing
