// Locate and Lookup: through a matching index and by a walk of the cursor list, with the
// same answers, and records outside the cursor list counting as not found.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "chimdb/date_time_codec.h"
#include "locate_test_util.h"

namespace chimdb::testing {
namespace {

using LocateRouteTest = LocateTest;

const std::vector<LocateTest::Row> kRows = {
    {"Bob", 1, 0}, {"bob", 2, 1},  {"alice", 3, 0}, {"Alice", 3, 1}, {"dup", 5, 1}, {"dup", 4, 0},
    {"dup", 5, 0}, {"Anna", 7, 0}, {"ann", 8, 1},   {"zed", 9, 0},   {"dup", 5, 0}, {"Dup", 5, 0}};

struct Query {
    std::string fields;
    std::vector<FieldValue> values;
    LocateOptions options;
    std::optional<std::string> name;  // what the record's NAME must be
    std::optional<int> n;             // and its N
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The plain meaning of a query on ASCII names, to check the cursor's answer against.
bool Matches(ChimTable& table, const Query& query) {
    if (query.name) {
        std::string stored = table.FieldByName("NAME").AsString();
        std::string wanted = *query.name;
        if (query.options.caseInsensitive) {
            stored = Lower(stored);
            wanted = Lower(wanted);
        }
        if (query.options.partialKey ? stored.rfind(wanted, 0) != 0 : stored != wanted)
            return false;
    }
    return !query.n || table.FieldByName("N").AsInteger() == *query.n;
}

// ID of the first record of the cursor list that matches, 0 when none.
int FirstMatch(ChimTable& table, const Query& query) {
    for (table.First(); !table.Eof(); table.Next()) {
        if (Matches(table, query))
            return table.FieldByName("ID").AsInteger();
    }
    return 0;
}

int Located(ChimTable& table, const Query& query) {
    table.First();
    if (!table.Locate(query.fields, query.values, query.options))
        return 0;
    return table.FieldByName("ID").AsInteger();
}

std::vector<Query> Queries() {
    const LocateOptions plain;
    const LocateOptions ci{true, false};
    const LocateOptions partial{false, true};
    const LocateOptions both{true, true};
    return {
        {"NAME", {"bob"}, plain, "bob", {}},
        {"NAME", {"bob"}, ci, "bob", {}},
        {"NAME", {"BOB"}, ci, "BOB", {}},
        {"NAME", {"bo"}, partial, "bo", {}},
        {"NAME", {"BO"}, both, "BO", {}},
        {"NAME", {"dup"}, plain, "dup", {}},
        {"NAME", {"DUP"}, ci, "DUP", {}},
        {"NAME", {"an"}, both, "an", {}},
        {"NAME", {"a"}, partial, "a", {}},
        {"NAME", {"nobody"}, ci, "nobody", {}},
        {"NAME", {"Bobby"}, partial, "Bobby", {}},
        {"NAME;N", {"dup", 5}, plain, "dup", 5},
        {"NAME;N", {"dup", 4}, plain, "dup", 4},
        {"NAME; N", {"DUP", 5}, ci, "DUP", 5},
        {"NAME;N", {"du", 5}, partial, "du", 5},
        {"NAME;N", {"alice", 4}, plain, "alice", 4},
        {"N", {3}, plain, {}, 3},
        {"N", {"5"}, plain, {}, 5},
        {"N", {99}, plain, {}, 99},
        {"N;NAME", {3, "Alice"}, plain, "Alice", 3},
    };
}

TEST_F(LocateRouteTest, IndexAndWalkGiveTheFirstMatchOfTheCursorList) {
    ChimTable indexed;
    ChimTable walked;
    OpenTable(indexed, "Idx", "ID");
    OpenTable(walked, "Walk", "ID");
    AddRows(indexed, kRows);
    AddRows(walked, kRows);
    for (const char* filter : {"", "K = 0", "K = 1"}) {
        for (ChimTable* table : {&indexed, &walked}) {
            table->SetFilter(filter);
            table->SetFiltered(*filter != '\0');
        }
        for (const std::string order : {"ID", "NAME", "NAMECI", "NAMEN", "N", ""}) {
            if (order.empty())
                indexed.UseRecordNumberOrder();
            else
                indexed.SetIndexName(order);
            indexed.SetFiltered(*filter != '\0');
            for (const Query& query : Queries()) {
                SCOPED_TRACE(query.fields + " filter '" + filter + "' order " + order + " case " +
                             std::to_string(query.options.caseInsensitive) + " partial " +
                             std::to_string(query.options.partialKey) +
                             (query.name ? " name " + *query.name : ""));
                const int expected = FirstMatch(indexed, query);
                EXPECT_EQ(Located(indexed, query), expected);
                if (order == "ID") {
                    EXPECT_EQ(Located(walked, query), expected);
                }
            }
        }
    }
}

TEST_F(LocateRouteTest, ManyEqualKeysAndAStaleCursorListStillGiveTheWalksAnswer) {
    ChimTable table;
    OpenTable(table, "Idx", "ID");
    std::vector<LocateRow> rows = kRows;
    for (int i = 0; i < 12; ++i)
        rows.push_back({"dup", 20 + i, i % 3 == 0 ? 1 : 0});
    AddRows(table, rows);
    for (const char* filter : {"", "K = 1", "K = 1 AND N > 20"}) {
        table.SetFilter(filter);
        table.SetFiltered(*filter != '\0');
        for (const Query& query : {Query{"NAME", {"dup"}, {}, "dup", {}},
                                   Query{"NAME", {"DUP"}, {true, false}, "DUP", {}}}) {
            SCOPED_TRACE(std::string(filter) + " " + *query.name);
            EXPECT_EQ(Located(table, query), FirstMatch(table, query));
        }
    }

    // Another cursor changes a record's key: this cursor's list keeps the old order until
    // Refresh, and the record is still found where the list holds it.
    table.SetFiltered(false);
    table.SetIndexName("NAME");
    ChimTable other;
    OpenTable(other, "Idx", "ID");
    ASSERT_TRUE(other.Locate("NAME", FieldValue("Bob")));
    other.Edit();
    other.FieldByName("NAME").SetAsString("zz");
    other.FieldByName("N").SetAsInteger(77);
    other.Post();
    const Query changed{"N", {77}, {}, {}, 77};
    const int expected = FirstMatch(table, changed);
    ASSERT_NE(expected, 0);
    EXPECT_EQ(Located(table, changed), expected);
    EXPECT_EQ(Current(table), "zz");
}

TEST_F(LocateRouteTest, MovesWithScrollEventsOrStays) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    AddRows(table, kRows);
    table.First();
    int before = 0;
    int after = 0;
    table.BeforeScroll = [&](DataSet&) { ++before; };
    table.AfterScroll = [&](DataSet&) { ++after; };
    EXPECT_TRUE(table.Locate("NAME", FieldValue("zed")));
    EXPECT_EQ(Current(table), "zed");
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(table.Locate("NAME", FieldValue("nobody")));
    EXPECT_EQ(Current(table), "zed");
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 1);

    // One field takes the first element of an array; extra elements are not looked at.
    EXPECT_TRUE(table.Locate("NAME", std::vector<FieldValue>{"Anna", "ignored"}));
    EXPECT_EQ(Current(table), "Anna");

    // A pending edit is posted first.
    table.Edit();
    table.FieldByName("K").SetAsInteger(42);
    EXPECT_TRUE(table.Locate("K", FieldValue(42)));
    EXPECT_EQ(table.State(), DataSetState::dsBrowse);
    EXPECT_EQ(Current(table), "Anna");
}

// Days since 30 December 1899, as date fields take them.
double Days(int year, int month, int day) {
    return DayNumberFromDate({year, month, day}) - kDayNumberOf18991230;
}

TEST_F(LocateRouteTest, DatesAndMemosAreComparedAsStored) {
    ChimTable indexed;
    ChimTable walked;
    OpenTable(indexed, "Idx", "ID");
    OpenTable(walked, "Walk", "ID");
    for (ChimTable* table : {&indexed, &walked}) {
        AddRows(*table, kRows);
        table->First();
        table->Next();
        table->Edit();
        table->FieldByName("D").SetAsDateTime(Days(2024, 3, 5));
        table->Post();
    }
    for (ChimTable* table : {&indexed, &walked}) {
        SCOPED_TRACE(table->TableName());
        EXPECT_TRUE(table->Locate("D", FieldValue(Days(2024, 3, 5))));
        EXPECT_EQ(Current(*table), "bob");
        EXPECT_FALSE(table->Locate("D", FieldValue(Days(2024, 3, 6))));
        EXPECT_TRUE(table->Locate("NOTE", FieldValue("note ann")));
        EXPECT_EQ(Current(*table), "ann");
        EXPECT_TRUE(table->Locate("NOTE", FieldValue("NOTE A"), {true, true}));
        EXPECT_EQ(Current(*table), "alice");
    }
}

TEST_F(LocateRouteTest, BadNamesAndMissingValuesAreRefused) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    AddRows(table, kRows);
    table.First();
    EXPECT_EQ(Message([&] { table.Locate("NAME;NOPE", {"a", "b"}); }), "Field 'NOPE' not found");
    EXPECT_EQ(Message([&] { table.Locate("", FieldValue("a")); }), "Field '' not found");
    EXPECT_EQ(Message([&] { table.Locate("NAME;N", std::vector<FieldValue>{"dup"}); }),
              "Too few values to locate the fields 'NAME;N'");
    EXPECT_EQ(Message([&] { table.Locate("N", FieldValue("many")); }),
              "'many' is not a valid integer value");
    EXPECT_EQ(table.State(), DataSetState::dsBrowse);
    EXPECT_EQ(Current(table), "alice");
    // Blanks around names and a trailing separator are allowed.
    EXPECT_TRUE(table.Locate(" name ; n ;", {"dup", 4}));
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 4);
}

using LookupTest = LocateTest;

TEST_F(LookupTest, ReturnsResultFieldsWithoutMoving) {
    ChimTable table;
    table.AddField("ID", static_cast<std::uint8_t>(FieldType::ftAutoInc));
    table.AddField("NAME", static_cast<std::uint8_t>(FieldType::ftString), 10);
    table.AddField("N", static_cast<std::uint8_t>(FieldType::ftInteger));
    table.AddField("K", static_cast<std::uint8_t>(FieldType::ftInteger));
    table.AddField("NOTE", static_cast<std::uint8_t>(FieldType::ftMemo));
    table.AddField("TWICE", static_cast<std::uint8_t>(FieldType::ftInteger), 0,
                   FieldKind::fkCalculated);
    table.OnCalcFields = [](DataSet& data) {
        data.FieldByName("TWICE").SetAsInteger(2 * data.FieldByName("N").AsInteger());
    };
    OpenTable(table, "Idx", "NAME");
    AddRows(table, kRows);
    table.First();
    int scrolls = 0;
    table.BeforeScroll = [&](DataSet&) { ++scrolls; };
    table.AfterScroll = [&](DataSet&) { ++scrolls; };

    auto found = table.Lookup("NAME;N", {"dup", 4}, "ID;TWICE;NOTE");
    ASSERT_TRUE(found.has_value());
    ASSERT_EQ(found->size(), 3u);
    EXPECT_EQ(std::get<std::int64_t>((*found)[0].Value()), 6);
    EXPECT_EQ(std::get<std::int64_t>((*found)[1].Value()), 8);
    EXPECT_EQ(std::get<std::string>((*found)[2].Value()), "note dup");
    EXPECT_EQ(Current(table), "alice");
    EXPECT_EQ(table.FieldByName("TWICE").AsInteger(), 6);  // the shown record's own value
    EXPECT_EQ(scrolls, 0);

    // Case-sensitive and whole values, even where a case-insensitive index exists.
    EXPECT_FALSE(table.Lookup("NAME", {"BOB"}, "ID").has_value());
    EXPECT_FALSE(table.Lookup("NAME", {"bo"}, "ID").has_value());
    EXPECT_TRUE(table.Lookup("NAME", {"Bob"}, "ID").has_value());
    EXPECT_EQ(Message([&] { table.Lookup("NAME", {"Bob"}, "NOPE"); }), "Field 'NOPE' not found");

    // A filtered-out record is not found.
    table.SetFilter("K = 0");
    table.SetFiltered(true);
    EXPECT_FALSE(table.Lookup("NAME", {"bob"}, "ID").has_value());
    EXPECT_TRUE(table.Lookup("NAME", {"Bob"}, "ID").has_value());
}

}  // namespace
}  // namespace chimdb::testing
