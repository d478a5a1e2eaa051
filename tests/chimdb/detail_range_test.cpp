// A detail table that follows its master's current record through a data source.

#include <gtest/gtest.h>

#include <memory>

#include "locate_test_util.h"

namespace chimdb::testing {
namespace {

class DetailRangeTest : public LocateTest {
  protected:
    void SetUp() override {
        OpenTable(master_, "Master", "CODE");
        for (const char* code : {"A", "B", "C"}) {
            master_.Append();
            master_.FieldByName("CODE").SetAsString(code);
            master_.FieldByName("TITLE").SetAsString(std::string("title ") + code);
            master_.Post();
        }
        OpenTable(detail_, "Detail", "CODESEQ");
        // Details of A and B only, appended out of order.
        for (const auto& [code, seq] : std::vector<std::pair<const char*, int>>{
                 {"B", 2}, {"A", 3}, {"A", 1}, {"B", 1}, {"A", 2}, {"a", 9}}) {
            detail_.Append();
            detail_.FieldByName("CODE").SetAsString(code);
            detail_.FieldByName("SEQ").SetAsInteger(seq);
            detail_.Post();
        }
        master_.First();
    }

    // "CODE:SEQ" of every record the detail shows.
    std::vector<std::string> Details() {
        std::vector<std::string> rows;
        for (detail_.First(); !detail_.Eof(); detail_.Next())
            rows.push_back(Current(detail_, "CODE") + ":" + Current(detail_, "SEQ"));
        return rows;
    }

    void Link() {
        detail_.SetMasterSource(&source_);
        detail_.SetMasterFields("CODE");
    }

    using Rows = std::vector<std::string>;

    ChimTable master_;
    ChimTable detail_;
    DataSource source_{&master_};
};

TEST_F(DetailRangeTest, FollowsTheMastersMoves) {
    Link();
    EXPECT_TRUE(detail_.RangeActive());
    EXPECT_EQ(Current(detail_, "SEQ"), "1");  // on the range's first record
    EXPECT_EQ(Details(), (Rows{"A:1", "A:2", "A:3"}));
    master_.Next();
    EXPECT_EQ(Details(), (Rows{"B:1", "B:2"}));
    master_.Next();  // C has no details
    EXPECT_EQ(detail_.RecordCount(), 0);
    EXPECT_TRUE(detail_.Eof());
    master_.Prior();
    EXPECT_EQ(Details(), (Rows{"B:1", "B:2"}));

    // Every kind of move of the master is followed.
    ASSERT_TRUE(master_.Locate("CODE", FieldValue("A")));
    EXPECT_EQ(detail_.RecordCount(), 3);
    master_.Last();
    EXPECT_EQ(detail_.RecordCount(), 0);
    ASSERT_TRUE(master_.FindKeyExact({"B"}));
    EXPECT_EQ(detail_.RecordCount(), 2);
    master_.SetRecNo(1);
    EXPECT_EQ(detail_.RecordCount(), 3);
    master_.SetFilter("CODE = 'B'");
    ASSERT_TRUE(master_.FindFirst());
    EXPECT_EQ(detail_.RecordCount(), 2);

    // A detail opened after the link takes the range at open.
    detail_.Close();
    master_.First();
    detail_.Open();
    EXPECT_EQ(Details(), (Rows{"A:1", "A:2", "A:3"}));
}

TEST_F(DetailRangeTest, DisablingOrClosingTheMasterCancelsTheRange) {
    Link();
    master_.Next();
    EXPECT_EQ(detail_.RecordCount(), 2);
    source_.SetEnabled(false);
    EXPECT_FALSE(detail_.RangeActive());
    EXPECT_EQ(detail_.RecordCount(), 6);
    master_.First();  // not followed while disabled
    EXPECT_EQ(detail_.RecordCount(), 6);
    source_.SetEnabled(true);
    EXPECT_EQ(Details(), (Rows{"A:1", "A:2", "A:3"}));

    master_.Close();
    EXPECT_FALSE(detail_.RangeActive());
    EXPECT_EQ(detail_.RecordCount(), 6);
    master_.Open();
    EXPECT_EQ(detail_.RecordCount(), 3);

    detail_.SetMasterSource(nullptr);
    EXPECT_EQ(detail_.RecordCount(), 6);
    EXPECT_EQ(detail_.MasterSource(), nullptr);

    // Emptying MasterFields cancels it as well.
    Link();
    EXPECT_EQ(detail_.RecordCount(), 3);
    detail_.SetMasterFields("");
    EXPECT_EQ(detail_.RecordCount(), 6);
}

TEST_F(DetailRangeTest, RefreshTakesTheRangeAgainOverNewRecords) {
    Link();
    ChimTable other;
    OpenTable(other, "Detail", "ID");
    for (const auto& [code, seq] : std::vector<std::pair<const char*, int>>{{"A", 0}, {"B", 7}}) {
        other.Append();
        other.FieldByName("CODE").SetAsString(code);
        other.FieldByName("SEQ").SetAsInteger(seq);
        other.Post();
    }
    EXPECT_EQ(detail_.RecordCount(), 3);  // another cursor's records show after Refresh
    detail_.Refresh();
    EXPECT_EQ(Details(), (Rows{"A:0", "A:1", "A:2", "A:3"}));

    // A record appended through the detail stays visible even outside the range.
    detail_.Append();
    detail_.FieldByName("CODE").SetAsString("Z");
    detail_.Post();
    EXPECT_EQ(detail_.RecordCount(), 5);
    detail_.Refresh();
    EXPECT_EQ(detail_.RecordCount(), 4);
}

TEST_F(DetailRangeTest, FilteredIsSwitchedOffByTheRangeAndAFilterOnTopKeepsIt) {
    detail_.SetFilter("SEQ > 1");
    detail_.SetFiltered(true);
    EXPECT_EQ(detail_.RecordCount(), 4);
    Link();
    EXPECT_FALSE(detail_.Filtered());
    EXPECT_EQ(detail_.RecordCount(), 3);

    // A filter taken on top of the range cuts it further; removing the filter brings back
    // the range, not the whole table.
    detail_.SetFiltered(true);
    EXPECT_EQ(Details(), (Rows{"A:2", "A:3"}));
    detail_.SetFilter("SEQ = 3");
    EXPECT_EQ(Details(), (Rows{"A:3"}));
    detail_.Refresh();
    EXPECT_EQ(Details(), (Rows{"A:3"}));
    detail_.SetFiltered(false);
    EXPECT_EQ(Details(), (Rows{"A:1", "A:2", "A:3"}));

    // Locate, Lookup and bookmarks see only the range.
    EXPECT_FALSE(detail_.Locate("CODE;SEQ", {"B", 1}));
    EXPECT_FALSE(detail_.Lookup("SEQ", {1}, "CODE").has_value() &&
                 std::get<std::string>((*detail_.Lookup("SEQ", {1}, "CODE"))[0].Value()) == "B");
    master_.Next();
    ASSERT_TRUE(detail_.Locate("SEQ", FieldValue(2)));
    const Bookmark b2 = detail_.GetBookmark();
    master_.First();
    EXPECT_FALSE(detail_.BookmarkValid(b2));
    EXPECT_EQ(Message([&] { detail_.GotoBookmark(b2); }), "Bookmark not found");
}

TEST_F(DetailRangeTest, IndexChangesAndMastersWithoutRecords) {
    Link();
    // Without an index no range can be taken: the whole table shows.
    detail_.UseRecordNumberOrder();
    EXPECT_FALSE(detail_.RangeActive());
    EXPECT_EQ(detail_.RecordCount(), 6);
    master_.Next();
    EXPECT_EQ(detail_.RecordCount(), 6);
    detail_.Refresh();
    EXPECT_EQ(detail_.RecordCount(), 6);
    // Back on an index whose first field is CODE, the range returns.
    detail_.SetIndexName("CODESEQ");
    EXPECT_EQ(Details(), (Rows{"B:1", "B:2"}));

    // A master without records leaves the detail empty.
    while (!master_.IsEmpty()) {
        master_.First();
        master_.Delete();
    }
    EXPECT_TRUE(detail_.RangeActive());
    EXPECT_EQ(detail_.RecordCount(), 0);
    detail_.Refresh();
    EXPECT_EQ(detail_.RecordCount(), 0);
}

TEST_F(DetailRangeTest, CircularLinksAndBadFieldNamesAreRefused) {
    Link();
    DataSource detailSource(&detail_);
    EXPECT_EQ(Message([&] { master_.SetMasterSource(&detailSource); }),
              "Circular datalinks are not allowed");
    EXPECT_EQ(Message([&] { detail_.SetMasterSource(&detailSource); }),
              "Circular datalinks are not allowed");
    EXPECT_EQ(Message([&] { source_.SetDataSet(&detail_); }), "Circular datalinks are not allowed");
    EXPECT_EQ(source_.GetDataSet(), &master_);

    // A chain of three: the last may not become the first one's master.
    ChimTable third;
    OpenTable(third, "Detail", "CODESEQ");
    third.SetMasterSource(&detailSource);
    DataSource thirdSource(&third);
    EXPECT_EQ(Message([&] { master_.SetMasterSource(&thirdSource); }),
              "Circular datalinks are not allowed");
    EXPECT_EQ(master_.MasterSource(), nullptr);

    EXPECT_EQ(Message([&] { detail_.SetMasterFields("CODE;NOPE"); }), "Field 'NOPE' not found");
    EXPECT_EQ(detail_.MasterFields(), "CODE");
    EXPECT_EQ(detail_.RecordCount(), 3);
}

TEST_F(DetailRangeTest, EitherEndMayGoFirst) {
    auto source = std::make_unique<DataSource>(&master_);
    detail_.SetMasterSource(source.get());
    detail_.SetMasterFields("CODE");
    EXPECT_EQ(detail_.RecordCount(), 3);
    source.reset();  // the link loses its source: the range goes
    EXPECT_EQ(detail_.MasterSource(), nullptr);
    EXPECT_EQ(detail_.RecordCount(), 6);

    auto master = std::make_unique<ChimTable>();
    OpenTable(*master, "Master", "CODE");
    DataSource second(master.get());
    detail_.SetMasterSource(&second);
    EXPECT_EQ(detail_.RecordCount(), 3);
    master.reset();  // the master goes: the range goes, the source is left without dataset
    EXPECT_EQ(second.GetDataSet(), nullptr);
    EXPECT_EQ(detail_.RecordCount(), 6);

    {
        ChimTable shortLived;
        OpenTable(shortLived, "Detail", "CODESEQ");
        shortLived.SetMasterSource(&source_);
        shortLived.SetMasterFields("CODE");
    }
    master_.Next();  // the gone detail's link is no longer told
    EXPECT_EQ(detail_.RecordCount(), 6);
}

}  // namespace
}  // namespace chimdb::testing
