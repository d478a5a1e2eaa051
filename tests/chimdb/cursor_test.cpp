// Moving and editing through a table cursor: navigation, posting in index order, delete,
// filters, key search, and two cursors on one table.

#include <gtest/gtest.h>

#include "chimdb/chim_database.h"
#include "cursor_test_util.h"
#include "filter/filter_parser.h"

namespace chimdb::testing {
namespace {

using CursorNavigationTest = CursorTest;

TEST_F(CursorNavigationTest, MovesKeepEofAndBofAndEmptyTablesReadAsNull) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(table.Bof());
    EXPECT_TRUE(table.FieldByName("NAME").IsNull());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "");
    EXPECT_EQ(Message([&] { table.Delete(); }),
              "Cannot perform this operation on an empty dataset");

    AddPlan(table, "b");
    AddPlan(table, "a");
    AddPlan(table, "c");
    table.First();
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "a");
    table.Prior();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "a");
    table.Last();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "c");
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "c");
    table.Prior();
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "b");

    int scrolls = 0;
    table.AfterScroll = [&](DataSet&) { ++scrolls; };
    table.First();
    table.Next();
    EXPECT_EQ(scrolls, 2);
}

TEST_F(CursorNavigationTest, PostPlacesRecordsInIndexOrderAndEditMovesThem) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    AddPlan(table, "m");
    AddPlan(table, "d");
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "d");  // the posted record is current
    AddPlan(table, "x");
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 3);

    ASSERT_TRUE(table.FindKeyExact({"d"}));
    table.Edit();
    table.FieldByName("NAME").SetAsString("z");
    table.Post();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "z");
    table.Prior();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "x");
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"m", "x", "z"}));

    // An edit that keeps the key leaves the cursor where it is.
    ASSERT_TRUE(table.FindKeyExact({"m"}));
    table.Edit();
    table.FieldByName("N").SetAsInteger(9);
    table.Post();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "m");
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 9);

    // Insert in the middle and Append both end up in key order.
    table.Insert();
    table.FieldByName("NAME").SetAsString("n");
    table.Post();
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"m", "n", "x", "z"}));
}

TEST_F(CursorNavigationTest, CancelAndUnchangedRecordsLeaveTheTableAsItWas) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    AddPlan(table, "a");
    AddPlan(table, "b");
    table.First();
    table.Append();
    table.FieldByName("NAME").SetAsString("q");
    table.Cancel();
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "a");

    table.Edit();
    table.FieldByName("NAME").SetAsString("zz");
    table.Cancel();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "a");

    // A move posts a changed record and drops an unchanged new one.
    table.Edit();
    table.FieldByName("N").SetAsInteger(5);
    table.Next();
    table.First();
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 5);
    table.Append();
    table.First();
    EXPECT_EQ(table.RecordCount(), 2);

    EXPECT_EQ(Message([&] { table.FieldByName("N").SetAsInteger(1); }),
              "Dataset not in edit or insert mode");
}

TEST_F(CursorNavigationTest, DeleteLastLeavesPreviousAndDeleteOnlyLeavesEof) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    AddPlan(table, "a");
    AddPlan(table, "b");
    AddPlan(table, "c");
    table.Last();
    table.Delete();
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "b");
    table.First();
    table.Delete();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "b");
    table.Delete();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(table.IsEmpty());

    // Edit of an empty table starts a new record.
    table.Edit();
    EXPECT_EQ(table.State(), DataSetState::dsInsert);
    table.Cancel();

    table.Close();
    OpenTable(table);
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST_F(CursorNavigationTest, UniqueViolationKeepsTheInsertOpen) {
    ChimTable table;
    OpenTable(table);
    AddPlan(table, "a");
    const int id = table.FieldByName("ID").AsInteger();
    table.Append();
    table.FieldByName("ID").SetAsInteger(id);
    EXPECT_EQ(Message([&] { table.Post(); }),
              "Invalid unique field value '" + std::to_string(id) + "'");
    EXPECT_EQ(table.State(), DataSetState::dsInsert);
    int errors = 0;
    table.OnPostError = [&](DataSet& data, const DatabaseError&, DataAction& action) {
        ++errors;
        data.FieldByName("ID").SetAsInteger(0);  // let the counter choose
        action = DataAction::daRetry;
    };
    table.Post();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(table.RecordCount(), 2);
}

using CursorFilterTest = CursorTest;

TEST_F(CursorFilterTest, FilterCutsTheListAndAnAppendStaysVisibleUntilRefresh) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    for (int i = 0; i < 6; ++i)
        AddPlan(table, std::string(1, static_cast<char>('a' + i)), i);
    std::vector<int> progress;
    table.OnFilterProgress = [&](DataSet&, int percent) { progress.push_back(percent); };
    table.OnFilterRecord = [](DataSet& data, bool& accept) {
        accept = data.FieldByName("N").AsInteger() % 2 == 0;
    };
    table.SetFiltered(true);
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"a", "c", "e"}));
    EXPECT_EQ(progress, (std::vector<int>{0, 16, 33, 50, 66, 83}));

    // The appended record fails the filter but is shown, in key order, until Refresh.
    AddPlan(table, "d", 7);
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "d");
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"a", "c", "d", "e"}));
    // An edit under a filter finds its new place by key search.
    ASSERT_TRUE(table.FindKeyExact({"a"}));
    table.Edit();
    table.FieldByName("NAME").SetAsString("f");
    table.Post();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "f");
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"c", "d", "e", "f"}));
    table.Refresh();
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"c", "e", "f"}));

    table.SetFiltered(false);
    EXPECT_EQ(table.RecordCount(), 7);
}

TEST_F(CursorFilterTest, EmptyFilterKeepsAllAndATextThatFailsToParseChangesNothing) {
    ChimTable table;
    OpenTable(table);
    AddPlan(table, "a");
    AddPlan(table, "b");
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(Message([&] { table.SetFilter("NAME=1"); }), "Type mismatch in expression");
    EXPECT_EQ(table.Filter(), "");
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.State(), DataSetState::dsBrowse);
}

// A stand-in for the expression language: "N=<number>".
class NumberFilter : public FilterParser {
  public:
    explicit NumberFilter(FilterRecordSource& source) : FilterParser(source), source_(source) {}
    void Parse(std::string_view text) override {
        if (text.substr(0, 2) != "N=")
            RaiseError("Syntax error");
        wanted_ = std::stoi(std::string(text.substr(2)));
    }
    bool Evaluate(const FilterOptions&) override {
        return source_.FindFilterField("N")->AsInteger() == wanted_;
    }

  private:
    FilterRecordSource& source_;
    int wanted_ = 0;
};

TEST_F(CursorFilterTest, PluggedParserFiltersAndABadTextChangesNothing) {
    SetFilterParserFactory(
        [](FilterRecordSource& source) { return std::make_unique<NumberFilter>(source); });
    ChimTable table;
    SetFilterParserFactory(nullptr);
    OpenTable(table);
    for (int i = 0; i < 4; ++i)
        AddPlan(table, "p" + std::to_string(i), i % 2);
    table.SetFilter("N=1");
    table.SetFiltered(true);
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"p1", "p3"}));
    EXPECT_EQ(Message([&] { table.SetFilter("bad"); }), "Syntax error");
    EXPECT_EQ(table.Filter(), "N=1");
    table.SetFilter("N=0");
    EXPECT_EQ(Column(table, "NAME"), (std::vector<std::string>{"p0", "p2"}));
    // A new index order keeps the filter in force.
    table.SetIndexName("NAME");
    EXPECT_EQ(table.RecordCount(), 2);
}

using CursorKeyTest = CursorTest;

TEST_F(CursorKeyTest, FindKeyMatchesPrefixesAndFindKeyExactWholeValues) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    AddPlan(table, "AB", 1);
    AddPlan(table, "ABC", 2);
    EXPECT_TRUE(table.FindKey({"A"}));  // lands on a value that starts with A
    EXPECT_EQ(table.FieldByName("NAME").AsString().substr(0, 1), "A");
    EXPECT_FALSE(table.FindKeyExact({"A"}));
    EXPECT_EQ(table.FieldByName("NAME").AsString().substr(0, 2), "AB");  // did not move

    AddPlan(table, "A", 3);
    AddPlan(table, "a", 4);
    table.Last();
    ASSERT_TRUE(table.FindKeyExact({"A"}));
    // Case-insensitive index: the first of the equal records in index order.
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 3);
    EXPECT_TRUE(table.FindKeyExact({"ab"}));
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "AB");
    EXPECT_FALSE(table.FindKey({"B"}));

    // Fewer values than index fields compare the leading fields only.
    table.SetIndexName("NAMEN");
    EXPECT_TRUE(table.FindKey({"ABC"}));
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 2);
    EXPECT_TRUE(table.FindKeyExact({"AB", 1}));
    EXPECT_FALSE(table.FindKeyExact({"AB", 2}));
    EXPECT_TRUE(table.FindKey({"AB", "1"}));  // the text converts to the integer field

    table.SetKey();
    table.FieldByName("NAME").SetAsString("ABC");
    table.FieldByName("N").SetAsInteger(2);
    EXPECT_TRUE(table.GotoKey());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "ABC");
    EXPECT_EQ(table.State(), DataSetState::dsBrowse);
}

using TwoCursorTest = CursorTest;

TEST_F(TwoCursorTest, OneSeesTheOthersAppendOnlyAfterRefresh) {
    ChimTable first;
    ChimTable second;
    OpenTable(first, "Plans", "NAME");
    OpenTable(second, "Plans", "NAME");
    EXPECT_EQ(first.Database(), second.Database());
    AddPlan(first, "m");
    AddPlan(first, "c");
    EXPECT_EQ(second.RecordCount(), 0);
    second.Refresh();
    EXPECT_EQ(Column(second, "NAME"), (std::vector<std::string>{"c", "m"}));

    // Changes read fresh: the contents of a shown record follow the other cursor's edit.
    ASSERT_TRUE(first.FindKeyExact({"m"}));
    first.Edit();
    first.FieldByName("N").SetAsInteger(42);
    first.Post();
    second.Last();
    EXPECT_EQ(second.FieldByName("N").AsInteger(), 42);

    // A post through a cursor whose list is stale still lands in key order in its own list.
    AddPlan(first, "e");
    AddPlan(second, "d");
    EXPECT_EQ(Column(second, "NAME"), (std::vector<std::string>{"c", "d", "m"}));
    second.Refresh();
    EXPECT_EQ(Column(second, "NAME"), (std::vector<std::string>{"c", "d", "e", "m"}));

    // Deleted through one cursor, the record is gone for the other's edit: nothing else
    // changes.
    ASSERT_TRUE(first.FindKeyExact({"c"}));
    ASSERT_TRUE(second.FindKeyExact({"c"}));
    first.Delete();
    second.Edit();
    second.FieldByName("NAME").SetAsString("q");
    EXPECT_EQ(Message([&] { second.Post(); }), "Record not found");
    second.Cancel();
    EXPECT_EQ(Message([&] { second.Delete(); }), "Record not found");
    second.Refresh();
    EXPECT_EQ(Column(second, "NAME"), (std::vector<std::string>{"d", "e", "m"}));
    EXPECT_EQ(Column(first, "NAME"), (std::vector<std::string>{"e", "m"}));  // not refreshed
    first.Refresh();
    EXPECT_EQ(Column(first, "NAME"), (std::vector<std::string>{"d", "e", "m"}));
}

}  // namespace
}  // namespace chimdb::testing
