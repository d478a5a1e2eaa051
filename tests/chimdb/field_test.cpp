// Field access through a table cursor: new-record defaults, clearing, conversions, texts in
// the code page, blobs and calculated fields.

#include <gtest/gtest.h>

#include <cmath>

#include "chimdb/code_page.h"
#include "chimdb/date_time_codec.h"
#include "cursor_test_util.h"

namespace chimdb::testing {
namespace {

using FieldTest = CursorTest;

TEST_F(FieldTest, NewRecordHoldsTodayNowAndTheZeroDateTime) {
    ChimTable table;
    OpenTable(table);
    const double before = NowMsOfDay();
    table.Append();
    const double after = NowMsOfDay();
    const double today = TodayDayNumber() - kDayNumberOf18991230;
    EXPECT_EQ(table.FieldByName("D").AsDateTime(), today);
    const double time = table.FieldByName("T").AsDateTime() * kMsPerDay;
    if (after >= before) {  // not across midnight
        EXPECT_GE(time, before - 1);
        EXPECT_LE(time, after + 1);
    }
    EXPECT_EQ(table.FieldByName("DT").AsDateTime(), 0.0);
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 0);
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "");
    EXPECT_FALSE(table.FieldByName("NAME").IsNull());
    table.FieldByName("NAME").SetAsString("x");
    table.Post();
    table.First();
    EXPECT_EQ(table.FieldByName("D").AsDateTime(), today);
}

TEST_F(FieldTest, ClearingADataFieldKeepsItsContent) {
    ChimTable table;
    OpenTable(table);
    AddPlan(table, "keep", 7);
    table.Edit();
    table.FieldByName("NAME").Clear();
    table.FieldByName("N").Assign(FieldValue());
    table.Post();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "keep");
    EXPECT_EQ(table.FieldByName("N").AsInteger(), 7);
}

TEST_F(FieldTest, ConversionsBetweenTypes) {
    ChimTable table;
    OpenTable(table);
    table.Append();
    Field& n = table.FieldByName("N");
    n.SetAsString(" 42 ");
    EXPECT_EQ(n.AsInteger(), 42);
    EXPECT_EQ(n.AsString(), "42");
    EXPECT_EQ(n.AsFloat(), 42.0);
    EXPECT_TRUE(n.AsBoolean());
    n.SetAsFloat(2.6);
    EXPECT_EQ(n.AsLargeInt(), 3);
    EXPECT_EQ(Message([&] { n.SetAsString("4x"); }), "'4x' is not a valid integer value");
    EXPECT_EQ(Message([&] { n.SetAsLargeInt(1LL << 40); }),
              "1099511627776 is not a valid value for field 'N'");

    Field& dt = table.FieldByName("DT");
    dt.SetAsDateTime(45000.75);  // 2023-03-15 18:00
    EXPECT_DOUBLE_EQ(dt.AsDateTime(), 45000.75);
    dt.SetAsString("2024-03-05 08:05:00");
    EXPECT_NEAR(dt.AsDateTime(), 45356 + (8 * 60 + 5) / 1440.0, 1e-9);
    dt.SetAsDateTime(-1.25);  // 29 December 1899, 06:00
    EXPECT_DOUBLE_EQ(dt.AsDateTime(), -1.25);
    Field& t = table.FieldByName("T");
    t.SetAsString("08:00:00");
    EXPECT_DOUBLE_EQ(t.AsDateTime(), 8.0 / 24);
    t.SetAsDateTime(45000.5);  // a time field keeps only the time of day
    EXPECT_DOUBLE_EQ(t.AsDateTime(), 0.5);
    EXPECT_EQ(Message([&] { t.SetAsBoolean(true); }), "Cannot access field 'T' as type Boolean");

    Field& name = table.FieldByName("NAME");
    name.SetAsInteger(-17);
    EXPECT_EQ(name.AsInteger(), -17);
    name.SetAsBoolean(true);
    EXPECT_TRUE(name.AsBoolean());
    EXPECT_EQ(name.AsString(), "True");
}

TEST_F(FieldTest, TextsAreCutAtCharacterBoundariesAndUnstorableTextIsRefused) {
    ChimTable table;
    OpenTable(table);
    table.Append();
    Field& name = table.FieldByName("NAME");  // 10 bytes
    name.SetAsString("早操铃声响起来");       // 14 bytes in GBK: 5 characters fit
    EXPECT_EQ(name.AsString(), "早操铃声响");
    name.SetAsString("abcdefghijklmnop");
    EXPECT_EQ(name.AsString(), "abcdefghij");
    EXPECT_EQ(Message([&] { name.SetAsString("🔔"); }),
              "Text '🔔' cannot be stored in the database code page");
    EXPECT_EQ(name.AsString(), "abcdefghij");
    table.Post();
    table.First();
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "abcdefghij");
}

TEST_F(FieldTest, MemoThroughFieldAndBlobStreams) {
    ChimTable table;
    OpenTable(table);
    table.Append();
    table.FieldByName("NAME").SetAsString("m");
    table.FieldByName("NOTE").SetAsString("第一节课");
    table.Post();
    table.Append();
    table.FieldByName("NAME").SetAsString("n");
    {
        auto stream = table.CreateBlobStream(table.FieldByName("NOTE"), ChimBlobStream::kModeWrite);
        stream->Write("plain", 5);
    }
    EXPECT_TRUE(table.Modified());
    table.Post();

    table.First();
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), "第一节课");
    table.Next();
    auto reader = table.CreateBlobStream(table.FieldByName("NOTE"), ChimBlobStream::kModeRead);
    std::string text(reader->Size(), '\0');
    reader->Read(text.data(), text.size());
    EXPECT_EQ(text, "plain");
    EXPECT_EQ(Message([&] {
                  table.CreateBlobStream(table.FieldByName("NOTE"), ChimBlobStream::kModeWrite);
              }),
              "Dataset not in edit or insert mode");
    std::uint8_t bytes[8];
    EXPECT_EQ(Message([&] { table.GetFieldData(table.FieldByName("NOTE"), bytes); }),
              "General error");
}

TEST_F(FieldTest, CalculatedFieldsHaveAValueOnlyWhenComputed) {
    ChimTable table;
    Field& twice = table.AddField("TWICE", static_cast<std::uint8_t>(FieldType::ftInteger), 0,
                                  FieldKind::fkCalculated);
    table.OnCalcFields = [](DataSet& data) {
        if (data.FieldByName("N").AsInteger() > 0)
            data.FieldByName("TWICE").SetAsInteger(2 * data.FieldByName("N").AsInteger());
    };
    OpenTable(table);
    // Declared calculated fields only: the stored fields get default fields beside them.
    EXPECT_EQ(table.FieldCount(), 8u);
    AddPlan(table, "a", 0);
    AddPlan(table, "b", 21);
    table.First();
    EXPECT_TRUE(twice.IsNull());
    table.Next();
    EXPECT_FALSE(twice.IsNull());
    EXPECT_EQ(twice.AsInteger(), 42);
    EXPECT_EQ(Message([&] { twice.SetAsInteger(1); }), "Dataset not in edit or insert mode");
    table.Edit();
    table.FieldByName("N").SetAsInteger(5);  // recomputed as the record changes
    EXPECT_EQ(twice.AsInteger(), 10);
    table.Cancel();
    table.Close();
    EXPECT_EQ(table.FieldCount(), 1u);
}

TEST_F(FieldTest, DeclaredFieldsBindByNameAndLeaveTheOthersUntouched) {
    {
        ChimTable table;
        OpenTable(table);
        AddPlan(table, "a", 5);
    }
    ChimTable table;
    table.AddField("NAME", static_cast<std::uint8_t>(FieldType::ftString), 10);
    OpenTable(table);
    EXPECT_EQ(table.FieldCount(), 1u);
    EXPECT_EQ(table.FindField("N"), nullptr);
    table.Edit();
    table.FieldByName("NAME").SetAsString("b");
    table.Post();
    table.Close();

    ChimTable check;
    OpenTable(check);
    EXPECT_EQ(check.FieldByName("NAME").AsString(), "b");
    EXPECT_EQ(check.FieldByName("N").AsInteger(), 5);

    ChimTable wrong;
    wrong.AddField("NAME", static_cast<std::uint8_t>(FieldType::ftInteger));
    EXPECT_EQ(Message([&] { OpenTable(wrong); }), "Type mismatch for field 'NAME'");
    EXPECT_FALSE(wrong.Active());
}

}  // namespace
}  // namespace chimdb::testing
