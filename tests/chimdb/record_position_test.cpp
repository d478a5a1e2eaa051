// Record numbers, bookmarks and the find operations of the table cursor.

#include <gtest/gtest.h>

#include "locate_test_util.h"
#include "table_io/chim_table_io.h"

namespace chimdb::testing {
namespace {

using RecNoTest = LocateTest;

TEST_F(RecNoTest, CountsFromOneAndIgnoresNumbersOutsideTheList) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    EXPECT_EQ(table.RecNo(), 0);
    table.SetRecNo(1);  // nothing to go to
    EXPECT_TRUE(table.IsEmpty());

    AddRows(table, {{"c", 3, 0}, {"a", 1, 0}, {"b", 2, 0}, {"d", 4, 0}});
    table.First();
    EXPECT_EQ(table.RecNo(), 1);
    int before = 0;
    int after = 0;
    table.BeforeScroll = [&](DataSet&) { ++before; };
    table.AfterScroll = [&](DataSet&) { ++after; };

    table.SetRecNo(4);
    EXPECT_EQ(Current(table), "d");
    EXPECT_EQ(table.RecNo(), 4);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);

    // 0 used to leave no record at the position and fall back to the last one.
    table.SetRecNo(2);
    for (int ignored : {0, -1, 5, 2}) {
        table.SetRecNo(ignored);
        EXPECT_EQ(Current(table), "b") << ignored;
        EXPECT_EQ(table.RecNo(), 2);
    }
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 2);

    table.Last();
    EXPECT_EQ(table.RecNo(), 4);
    table.SetRecNo(1);
    EXPECT_EQ(Current(table), "a");
}

TEST_F(RecNoTest, SettingTheNumberPostsAPendingEditAndFollowsAFilter) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    AddRows(table, {{"a", 1, 0}, {"b", 2, 1}, {"c", 3, 0}, {"d", 4, 1}});
    table.First();
    table.Edit();
    table.FieldByName("N").SetAsInteger(10);
    table.SetRecNo(3);
    EXPECT_EQ(table.State(), DataSetState::dsBrowse);
    EXPECT_EQ(Current(table), "c");
    table.SetRecNo(1);
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 10);

    table.SetFilter("K = 1");
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 2);
    table.SetRecNo(2);
    EXPECT_EQ(Current(table), "d");
    table.SetRecNo(3);
    EXPECT_EQ(Current(table), "d");
}

using BookmarkTest = LocateTest;

TEST_F(BookmarkTest, MarksARecordByItsNumberAndGoesBackToIt) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    EXPECT_TRUE(table.GetBookmark().empty());  // nothing to mark
    AddRows(table, {{"b", 0, 0}, {"a", 0, 0}, {"c", 0, 0}});
    ASSERT_TRUE(table.FindKeyExact({"b"}));
    const Bookmark mark = table.GetBookmark();
    ASSERT_EQ(mark.size(), 4u);
    const std::int32_t recNo = mark[0] | mark[1] << 8 | mark[2] << 16 | mark[3] << 24;
    EXPECT_EQ(recNo, table.TableIO()->List(0)[0].recNo);  // the first record appended
    EXPECT_TRUE(table.BookmarkValid(mark));

    table.Last();
    int after = 0;
    table.AfterScroll = [&](DataSet&) { ++after; };
    table.GotoBookmark(mark);
    EXPECT_EQ(Current(table), "b");
    EXPECT_EQ(after, 1);

    // The bookmark outlives a change of order.
    table.SetIndexName("ID");
    table.Last();
    table.GotoBookmark(mark);
    EXPECT_EQ(Current(table), "b");
    EXPECT_EQ(table.RecNo(), 1);

    // No bookmark while a new record is edited.
    table.Append();
    EXPECT_TRUE(table.GetBookmark().empty());
    table.Cancel();
}

TEST_F(BookmarkTest, RecordsOutsideTheCursorListAreNotFound) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    AddRows(table, {{"a", 0, 0}, {"b", 0, 1}, {"c", 0, 0}});
    ASSERT_TRUE(table.FindKeyExact({"b"}));
    const Bookmark filteredOut = table.GetBookmark();
    ASSERT_TRUE(table.FindKeyExact({"c"}));
    const Bookmark deleted = table.GetBookmark();

    table.SetFilter("K = 0");
    table.SetFiltered(true);
    EXPECT_FALSE(table.BookmarkValid(filteredOut));
    table.First();
    EXPECT_EQ(Message([&] { table.GotoBookmark(filteredOut); }), "Bookmark not found");
    EXPECT_EQ(Current(table), "a");  // the cursor stays
    table.SetFiltered(false);
    EXPECT_TRUE(table.BookmarkValid(filteredOut));

    table.GotoBookmark(deleted);
    table.Delete();
    EXPECT_FALSE(table.BookmarkValid(deleted));
    EXPECT_EQ(Message([&] { table.GotoBookmark(deleted); }), "Bookmark not found");

    // Anything that is not a 4-byte mark is refused, never read past its end.
    for (const Bookmark& bad :
         {Bookmark{}, Bookmark{1, 0}, Bookmark{0, 0, 0, 0, 0}, Bookmark{0xff, 0xff, 0xff, 0xff}}) {
        EXPECT_FALSE(table.BookmarkValid(bad));
        EXPECT_EQ(Message([&] { table.GotoBookmark(bad); }), "Bookmark not found");
    }
    table.Close();
    EXPECT_FALSE(table.BookmarkValid(filteredOut));
}

using FindTest = LocateTest;

TEST_F(FindTest, SearchesThroughTheFilterTextWithoutFiltered) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    AddRows(table, {{"a", 0, 0}, {"b", 1, 0}, {"c", 2, 0}, {"d", 3, 0}, {"e", 4, 0}, {"f", 5, 0}});
    table.SetFilter("N >= 2 AND N <= 4");
    EXPECT_FALSE(table.Filtered());
    int before = 0;
    int after = 0;
    table.BeforeScroll = [&](DataSet&) { ++before; };
    table.AfterScroll = [&](DataSet&) { ++after; };

    EXPECT_TRUE(table.FindFirst());
    EXPECT_EQ(Current(table), "c");
    EXPECT_TRUE(table.FindNext());
    EXPECT_EQ(Current(table), "d");
    EXPECT_TRUE(table.FindNext());
    EXPECT_EQ(Current(table), "e");
    EXPECT_EQ(after, 3);
    EXPECT_FALSE(table.FindNext());
    EXPECT_FALSE(table.Found());
    EXPECT_EQ(Current(table), "e");  // the position is restored
    EXPECT_EQ(before, 4);
    EXPECT_EQ(after, 3);  // no AfterScroll without a find
    EXPECT_EQ(table.RecordCount(), 6);

    EXPECT_TRUE(table.FindPrior());
    EXPECT_EQ(Current(table), "d");
    EXPECT_TRUE(table.Found());
    EXPECT_TRUE(table.FindLast());
    EXPECT_EQ(Current(table), "e");

    // From the middle, backward and forward.
    table.SetRecNo(2);  // b
    EXPECT_FALSE(table.FindPrior());
    EXPECT_EQ(Current(table), "b");
    EXPECT_TRUE(table.FindNext());
    EXPECT_EQ(Current(table), "c");
    table.Last();  // f
    EXPECT_TRUE(table.FindPrior());
    EXPECT_EQ(Current(table), "e");
}

TEST_F(FindTest, EmptyTextAcceptsEveryRecordAndErrorsLeaveBrowseState) {
    ChimTable table;
    OpenTable(table, "Idx", "NAME");
    EXPECT_FALSE(table.FindFirst());
    AddRows(table, {{"a", 0, 0}, {"b", 1, 0}, {"c", 2, 0}});
    table.First();
    EXPECT_TRUE(table.FindNext());
    EXPECT_EQ(Current(table), "b");
    EXPECT_TRUE(table.FindLast());
    EXPECT_EQ(Current(table), "c");

    table.OnFilterRecord = [](DataSet& data, bool& accept) {
        accept = data.FieldByName("NAME").AsString() != "b";
    };
    EXPECT_TRUE(table.FindPrior());
    EXPECT_EQ(Current(table), "a");
    table.OnFilterRecord = nullptr;

    // The filter text is parsed again at each find; an evaluation error ends the search.
    table.SetFilter("N / (N - 1) > 0");
    table.First();
    EXPECT_EQ(Message([&] { table.FindNext(); }), "Floating point division by zero");
    EXPECT_EQ(table.State(), DataSetState::dsBrowse);
    EXPECT_EQ(Current(table), "a");
    // With Filtered on, the find walks the list the filter cut.
    table.SetFilter("NAME <> 'a'");
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_TRUE(table.FindFirst());
    EXPECT_EQ(Current(table), "b");
    EXPECT_EQ(table.RecNo(), 1);
}

}  // namespace
}  // namespace chimdb::testing
