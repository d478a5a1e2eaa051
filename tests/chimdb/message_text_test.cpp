// Names, values and filter texts that reach a store message are shown with their control
// characters escaped, whichever way they arrive: from the user (a table name to open, a filter
// text, a schema to create) or from the file (a stored value in a unique-key message).

#include <gtest/gtest.h>

#include "chimdb/database_creator.h"
#include "cursor_test_util.h"
#include "values/printable_text.h"

namespace chimdb::testing {
namespace {

TEST(PrintableTextTest, EscapesWhatBreaksALineAndKeepsEveryOtherCharacter) {
    EXPECT_EQ(PrintableText("Ring1_7"), "Ring1_7");
    EXPECT_EQ(PrintableText("默认方案 'A*' \\ sub"), "默认方案 'A*' \\ sub");
    EXPECT_EQ(PrintableText("a\nb\rc\td"), "a\\nb\\rc\\td");
    EXPECT_EQ(PrintableText(std::string("x\0y", 3)), "x\\x00y");
    EXPECT_EQ(PrintableText("\x1b[2J\x7f"), "\\x1B[2J\\x7F");
    // C1 controls, a line separator and a right-to-left override, as UTF-8.
    EXPECT_EQ(PrintableText("\xc2\x85|\xe2\x80\xa8|\xe2\x80\xae"), "\\u0085|\\u2028|\\u202E");
    // Bytes that are no UTF-8 are shown one by one.
    EXPECT_EQ(PrintableText("a\xff\xc3"), "a\\xFF\\xC3");
}

using MessageTextTest = CursorTest;

TEST_F(MessageTextTest, NamesAndFilterTextsFromTheUser) {
    ChimTable table;
    EXPECT_EQ(Message([&] { OpenTable(table, "Plans\nOK"); }), "Table 'Plans\\nOK' not found");
    OpenTable(table);
    AddPlan(table, "A", 1);
    EXPECT_EQ(Message([&] { table.SetFilter("[NA\x1b[0mME] = 'A'"); }),
              "Field 'NA\\x1B[0mME' not found");
    EXPECT_EQ(Message([&] { table.SetFilter("NAME = 'A' \x7f"); }),
              "Invalid filter expression character: '\\x7F'");
    EXPECT_EQ(Message([&] { table.SetFilter("NAME = ('A'\n\n 'B')"); }),
              "')' expected but ''B'' found");
}

TEST_F(MessageTextTest, AStoredValueInAUniqueKeyMessage) {
    DatabaseSchema schema = CursorSchema(false);
    schema.tables[1].fields[0].fieldSize = 8;
    schema.tables[1].indexes = {IndexSchema{"TEXT", {"TEXT"}, tiUnique}};
    MemoryFile file(DatabaseCreator(schema).BuildImage(), "unique.db");
    ScopedMemoryStream registration(file);
    ChimTable table;
    table.SetMediumType(ChimDBMediumType::mtMemory);
    table.SetDatabaseName(registration.DatabaseName());
    table.SetTableName("Log");
    table.SetPassword(kCursorPassword);
    table.Open();
    auto add = [&] {
        table.Append();
        table.FieldByName("TEXT").SetAsString("a\nb");
        table.Post();
    };
    add();
    EXPECT_EQ(Message(add), "Invalid unique field value 'a\\nb'");
    table.Cancel();
}

TEST(MessageTextSchemaTest, NamesInASchemaToCreate) {
    DatabaseSchema schema = CursorSchema(false);
    schema.tables[0].name = "Plans\x1b]0;owned\x07";
    schema.tables[0].fields.clear();
    try {
        DatabaseCreator(schema).BuildImage();
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Table 'Plans\\x1B]0;owned\\x07' has no fields");
    }
}

}  // namespace
}  // namespace chimdb::testing
