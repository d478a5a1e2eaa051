// The filter language on the table cursor: an assignment that fails to parse keeps the old
// text, an application that fails at evaluation restores it, the filter is parsed once per
// application and again on Refresh, OnFilterRecord takes part, and the program's own plan and
// day filters select exactly their entries (plan names with quotes and with "*").

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "chimdb/code_page.h"
#include "chimdb/date_time_codec.h"
#include "cursor_test_util.h"
#include "filter/filter_parser.h"

namespace chimdb::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using FilterCursorTest = CursorTest;

TEST_F(FilterCursorTest, AParseErrorKeepsTheOldTextAndItsRecords) {
    ChimTable table;
    OpenTable(table);
    AddPlan(table, "A", 1);
    AddPlan(table, "B", 2);
    table.SetFilter("NAME = 'A'");
    table.SetFiltered(true);
    ASSERT_THAT(Column(table, "NAME"), ElementsAre("A"));
    for (const char* bad : {"NAME = 'B", "NAME = = 'B'", "NAME = 1", "NOPE = 'B'", "(NAME='B'",
                            "NAME = 'B' junk", "[NAME = 'B'", "NAME ? 'B'"}) {
        SCOPED_TRACE(bad);
        EXPECT_NE(Message([&] { table.SetFilter(bad); }), "no error");
        EXPECT_EQ(table.Filter(), "NAME = 'A'");
        EXPECT_THAT(Column(table, "NAME"), ElementsAre("A"));
    }
    // The old text still applies afresh.
    table.Refresh();
    EXPECT_THAT(Column(table, "NAME"), ElementsAre("A"));
    EXPECT_EQ(Message([&] { table.SetFilter("NAME = 'B"); }), "Unterminated string constant");
    EXPECT_EQ(Message([&] { table.SetFilter("NAME = 'B' NAME"); }),
              "Filter expression incorrectly terminated");
}

TEST_F(FilterCursorTest, AnErrorWhileApplyingRestoresTheOldText) {
    ChimTable table;
    OpenTable(table);
    AddPlan(table, "A", 0);
    AddPlan(table, "B", 2);
    table.SetFilter("N = 2");
    table.SetFiltered(true);
    EXPECT_EQ(Message([&] { table.SetFilter("10 / N > 1"); }), "Floating point division by zero");
    EXPECT_EQ(table.Filter(), "N = 2");
    // A text that parses is taken when the table is not filtered, and fails only when applied.
    table.SetFiltered(false);
    table.SetFilter("10 / N > 1");
    EXPECT_EQ(Message([&] { table.SetFiltered(true); }), "Floating point division by zero");
    EXPECT_FALSE(table.Filtered());
    EXPECT_THAT(Column(table, "NAME"), ElementsAre("A", "B"));
}

TEST_F(FilterCursorTest, RefreshAppliesTheFilterAgainAndOptionsReapplyAtOnce) {
    ChimTable table;
    OpenTable(table, "Plans", "ID");
    AddPlan(table, "ab", 1);
    AddPlan(table, "AB", 2);
    table.SetFilter("NAME = 'ab'");
    table.SetFiltered(true);
    EXPECT_THAT(Column(table, "N"), ElementsAre("1"));
    AddPlan(table, "zz", 3);  // stays visible until the list is rebuilt
    EXPECT_THAT(Column(table, "N"), ElementsAre("1", "3"));
    table.Refresh();
    EXPECT_THAT(Column(table, "N"), ElementsAre("1"));
    table.SetFilterOptions({true, false});
    EXPECT_THAT(Column(table, "N"), ElementsAre("1", "2"));
    table.SetFilterOptions({});
    EXPECT_THAT(Column(table, "N"), ElementsAre("1"));
    // Another cursor's change shows after Refresh.
    ChimTable other;
    OpenTable(other, "Plans", "ID");
    AddPlan(other, "ab", 4);
    table.Refresh();
    EXPECT_THAT(Column(table, "N"), ElementsAre("1", "4"));
}

TEST_F(FilterCursorTest, OnFilterRecordRejectsBeforeTheExpression) {
    ChimTable table;
    OpenTable(table, "Plans", "ID");
    for (int n = 1; n <= 6; ++n)
        AddPlan(table, n % 2 ? "odd" : "even", n);
    int calls = 0;
    table.OnFilterRecord = [&](DataSet& data, bool& accept) {
        ++calls;
        accept = data.FieldByName("N").AsInteger() > 2;
    };
    table.SetFilter("NAME = 'odd'");
    table.SetFiltered(true);
    EXPECT_THAT(Column(table, "N"), ElementsAre("3", "5"));
    EXPECT_EQ(calls, 6);
    table.OnFilterRecord = nullptr;
    table.Refresh();
    EXPECT_THAT(Column(table, "N"), ElementsAre("1", "3", "5"));
}

// Counts the parses of the filter language that every dataset gets.
class CountingParser : public FilterParser {
  public:
    CountingParser(FilterRecordSource& source, int& parses, int& evaluations)
        : FilterParser(source), parses_(parses), evaluations_(evaluations) {}
    void Parse(std::string_view text) override {
        ++parses_;
        FilterParser::Parse(text);
    }
    bool Evaluate(const FilterOptions& options) override {
        ++evaluations_;
        return FilterParser::Evaluate(options);
    }

  private:
    int& parses_;
    int& evaluations_;
};

TEST_F(FilterCursorTest, ParsedOncePerApplicationNotPerRecord) {
    int parses = 0;
    int evaluations = 0;
    SetFilterParserFactory([&](FilterRecordSource& source) {
        return std::make_unique<CountingParser>(source, parses, evaluations);
    });
    ChimTable table;
    SetFilterParserFactory(nullptr);
    OpenTable(table);
    for (int n = 0; n < 50; ++n)
        AddPlan(table, "P" + std::to_string(n % 5), n);
    table.SetFilter("NAME = 'P3'");  // the syntax check
    EXPECT_EQ(parses, 1);
    table.SetFiltered(true);  // applying parses again
    EXPECT_EQ(parses, 2);
    EXPECT_EQ(evaluations, 50);
    EXPECT_EQ(table.RecordCount(), 10);
    table.Refresh();
    EXPECT_EQ(parses, 3);
    EXPECT_EQ(evaluations, 100);
}

TEST_F(FilterCursorTest, GetDateTakesTheMomentOfParsing) {
    ChimTable table;
    OpenTable(table, "Plans", "ID");
    const double now = DateTimeValue(TodayDayNumber(), NowMsOfDay());
    auto add = [&](const std::string& name, double when) {
        table.Append();
        table.FieldByName("NAME").SetAsString(name);
        table.FieldByName("DT").SetAsString(FormatIsoDateTime(when));
        table.Post();
    };
    add("past", now - 3600000.0);
    add("future", now + 3600000.0);
    table.SetFilter("DT < GETDATE()");
    table.SetFiltered(true);
    EXPECT_THAT(Column(table, "NAME"), ElementsAre("past"));
    table.SetFilter("GETDATE() - DT > 0 AND GETDATE() - DT < 7200000");
    EXPECT_THAT(Column(table, "NAME"), ElementsAre("past"));
}

// The program's ring entries: weekday flags, a time and the plan's name.
DatabaseSchema ProgramRingSchema() {
    DatabaseSchema schema;
    schema.password = kCursorPassword;
    schema.cipher = "Blowfish";
    TableSchema ring{"Ring1_7", {CursorField("ID", FieldType::ftAutoInc)}, {}};
    for (int d = 1; d <= 8; ++d)
        ring.fields.push_back(
            CursorField(("WEEK" + std::to_string(d)).c_str(), FieldType::ftString, 1));
    ring.fields.push_back(CursorField("RINGDESC", FieldType::ftString, 32));
    ring.fields.push_back(CursorField("RINGTIME", FieldType::ftTime));
    ring.fields.push_back(CursorField("RINGPROJECT", FieldType::ftString, 20));
    ring.indexes = {IndexSchema{"ID", {"ID"}, tiPrimary | tiUnique},
                    IndexSchema{"RINGTIME", {"RINGTIME"}, 0}};
    schema.tables = {ring};
    return schema;
}

class ProgramFilterTest : public ::testing::Test {
  protected:
    ProgramFilterTest()
        : file_(DatabaseCreator(ProgramRingSchema()).BuildImage(), "db.dll"), registration_(file_) {
        table_.SetMediumType(ChimDBMediumType::mtMemory);
        table_.SetDatabaseName(registration_.DatabaseName());
        table_.SetTableName("Ring1_7");
        table_.SetIndexName("RINGTIME");
        table_.SetPassword(kCursorPassword);
        table_.Open();
    }
    ~ProgramFilterTest() override {
        table_.Close();
        ChimSessionList::Instance().Shutdown();
    }

    void AddEntry(const std::string& plan, const std::string& weeks, const std::string& desc,
                  const std::string& time) {
        table_.Append();
        for (int d = 1; d <= 8; ++d)
            table_.FieldByName("WEEK" + std::to_string(d))
                .SetAsString(weeks.substr(static_cast<std::size_t>(d - 1), 1));
        table_.FieldByName("RINGDESC").SetAsString(desc);
        table_.FieldByName("RINGTIME").SetAsString(time);
        table_.FieldByName("RINGPROJECT").SetAsString(plan);
        table_.Post();
    }

    // The plan filter as the program writes it: the name between quotes as it stands, or with
    // its quotes doubled.
    static std::string PlanFilter(const std::string& plan) { return "RINGPROJECT='" + plan + "'"; }
    static std::string Escaped(const std::string& plan) {
        std::string out;
        for (char c : plan)
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out;
    }
    static std::string DayFilter(const std::string& plan, int day) {
        return PlanFilter(plan) + "AND WEEK" + std::to_string(day) + "='1'";
    }

    std::vector<std::string> Descriptions(const std::string& filter, FilterOptions options = {}) {
        table_.SetFilterOptions(options);
        table_.SetFilter(filter);
        table_.SetFiltered(true);
        std::vector<std::string> out;
        for (table_.First(); !table_.Eof(); table_.Next())
            out.push_back(table_.FieldByName("RINGDESC").AsString());
        return out;
    }

    MemoryFile file_;
    ScopedMemoryStream registration_;
    ChimTable table_;
};

TEST_F(ProgramFilterTest, PlanAndDayFiltersWithoutABlankBeforeAnd) {
    AddEntry("Plan A", "10100000", "早操", "07:30:00");
    AddEntry("Plan A", "00100000", "上课", "08:00:00");
    AddEntry("Plan A", "01000000", "午休", "12:00:00");
    AddEntry("Plan B", "00100000", "other plan", "07:00:00");
    AddEntry("Plan A", "00000001", "临时", "00:00:00");
    EXPECT_THAT(Descriptions("RINGPROJECT='Plan A'AND WEEK3='1'"), ElementsAre("早操", "上课"));
    EXPECT_THAT(Descriptions(DayFilter("Plan A", 2)), ElementsAre("午休"));
    EXPECT_THAT(Descriptions(DayFilter("Plan A", 8)), ElementsAre("临时"));
    EXPECT_THAT(Descriptions(PlanFilter("Plan A")), ElementsAre("临时", "早操", "上课", "午休"));
    EXPECT_THAT(Descriptions(PlanFilter("")), IsEmpty());  // no active plan
    EXPECT_THAT(Descriptions(DayFilter("Plan B", 3)), ElementsAre("other plan"));
}

TEST_F(ProgramFilterTest, PlanNamesWithQuotesStarsAndChineseText) {
    AddEntry("Bob's plan", "00100000", "quote", "08:00:00");
    AddEntry("A*", "00100000", "star", "08:00:00");
    AddEntry("AB", "00100000", "other", "09:00:00");
    AddEntry("夏季作息", "00100000", "summer", "10:00:00");
    AddEntry("夏季作息二", "00100000", "summer two", "11:00:00");
    // Quotes doubled inside the constant.
    EXPECT_THAT(Descriptions(DayFilter(Escaped("Bob's plan"), 3)), ElementsAre("quote"));
    // Unescaped, the name makes the text invalid and the old filter stays.
    try {
        table_.SetFilter(DayFilter("Bob's plan", 3));
        ADD_FAILURE() << "the filter was taken";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Filter expression incorrectly terminated");
    }
    EXPECT_EQ(table_.Filter(), DayFilter(Escaped("Bob's plan"), 3));
    // A "*" in a name reaches other plans unless partial compare is off.
    EXPECT_THAT(Descriptions(PlanFilter("A*")), ElementsAre("star", "other"));
    EXPECT_THAT(Descriptions(PlanFilter("A*"), {false, true}), ElementsAre("star"));
    EXPECT_THAT(Descriptions(DayFilter("A*", 3), {false, true}), ElementsAre("star"));
    EXPECT_THAT(Descriptions(DayFilter("夏季作息", 3)), ElementsAre("summer"));
}

}  // namespace
}  // namespace chimdb::testing

namespace chimdb::testing {
namespace {

// A filter pass deciphers only the fields that the filter reads; every other field must
// still read right afterwards, and a filter event (which may read any field) still sees all.
TEST_F(FilterCursorTest, AFilterPassReadingFewFieldsLeavesEveryFieldReadable) {
    ChimTable table;
    OpenTable(table, "Plans", "NAME");
    AddPlan(table, "A", 1);
    AddPlan(table, "B", 2);
    AddPlan(table, "C", 3);
    table.SetFilter("N >= 2");
    table.SetFiltered(true);
    EXPECT_THAT(Column(table, "NAME"), ElementsAre("B", "C"));
    table.First();
    ASSERT_TRUE(table.FindNext());
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "C");
    EXPECT_TRUE(table.Locate("NAME", FieldValue("B")));
    EXPECT_EQ(table.FieldByName("N").AsString(), "2");

    table.OnFilterRecord = [](DataSet& set, bool& accept) {
        accept = set.FieldByName("NAME").AsString() != "C";
    };
    table.Refresh();
    EXPECT_THAT(Column(table, "NAME"), ElementsAre("B"));
}

}  // namespace
}  // namespace chimdb::testing
