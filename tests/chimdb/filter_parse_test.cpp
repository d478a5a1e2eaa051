// The filter grammar: precedence and the shape of the tree, functions and IN lists, numbers,
// the messages with their token texts, and hostile texts.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/date_time_codec.h"
#include "filter_parse_test_util.h"
#include "values/locale_formats.h"

namespace chimdb::testing {
namespace {

using FilterPrecedenceTest = FilterParseTest;

TEST_F(FilterPrecedenceTest, OrBindsLoosestThenAndThenNotThenComparison) {
    EXPECT_EQ(Tree("N=1 OR N=2 AND N=3"), "OR(=(N,1),AND(=(N,2),=(N,3)))");
    EXPECT_EQ(Tree("NOT N=1 AND B"), "AND(NOT(=(N,1)),B)");
    EXPECT_EQ(Tree("(N=1 OR N=2) AND B"), "AND(OR(=(N,1),=(N,2)),B)");
    // Keywords in any case.
    EXPECT_EQ(Tree("n=1 or not b and B"), "OR(=(n,1),AND(NOT(b),B))");
}

TEST_F(FilterPrecedenceTest, ProductsBeforeSumsAndBothToTheLeft) {
    EXPECT_EQ(Tree("N+2*3=7"), "=(+(N,*(2,3)),7)");
    EXPECT_EQ(Tree("N-1-1=0"), "=(-(-(N,1),1),0)");
    EXPECT_EQ(Tree("N/2*3>1"), ">(*(/(N,2),3),1)");
    EXPECT_EQ(Tree("(N-1)*2<=4"), "<=(*(-(N,1),2),4)");
}

TEST_F(FilterPrecedenceTest, TheProgramsOwnFilters) {
    // No blank between the string and AND.
    EXPECT_EQ(Tree("RINGPROJECT='Plan A'AND WEEK3='1'"),
              "AND(=(RINGPROJECT,'Plan A'),=(WEEK3,'1'))");
    EXPECT_EQ(Tree("[WEEK3] = '1'"), "=(WEEK3,'1')");
}

TEST_F(FilterPrecedenceTest, OneComparisonOnly) {
    EXPECT_EQ(Error("N = N = N"), "Filter expression incorrectly terminated");
    EXPECT_EQ(Error("NOT NOT B"), "Field 'NOT' not found");
    EXPECT_EQ(Error("B B"), "Filter expression incorrectly terminated");
}

TEST_F(FilterParseTest, FunctionsAndTheirCalls) {
    EXPECT_EQ(Tree("UPPER(NAME)='A'"), "=(UPPER(NAME),'A')");
    EXPECT_EQ(Tree("upper (NAME)='A'"), "=(upper(NAME),'A')");
    EXPECT_EQ(Tree("SUBSTRING(NAME, 2, 3) = 'bc'"), "=(SUBSTRING(NAME,2,3),'bc')");
    // Cut off by the end of the text: closed there.
    EXPECT_EQ(Tree("NAME LIKE UPPER(NAME"), "LIKE(NAME,UPPER(NAME))");
    EXPECT_EQ(Error("NAME LIKE TRIM("), "Type mismatch in expression");  // no argument
    EXPECT_EQ(Error("UPPER(NAME"), "Type mismatch in expression");       // a string root
    EXPECT_EQ(Error("UPPER(NAME X)"), "')' or ',' expected but 'X' found");
    // A function name without "(" is a field name.
    EXPECT_EQ(Error("UPPER = 'A'"), "Field 'UPPER' not found");
    EXPECT_EQ(Error("FOO(1)"), "Field 'FOO' not found");
}

TEST_F(FilterParseTest, GetDateTakesItsValueWhenParsed) {
    const double before = DateTimeValue(TodayDayNumber(), NowMsOfDay());
    const ExprNode& root = Root("DT < GETDATE()");
    const double after = DateTimeValue(TodayDayNumber(), NowMsOfDay());
    ASSERT_EQ(root.right->function, FunctionNumber::fnGetDate);
    EXPECT_EQ(root.right->dataType, FieldType::ftDateTime);
    const double value = root.right->DateTimeValue();
    if (after >= before) {  // not across midnight
        EXPECT_GE(value, before);
        EXPECT_LE(value, after);
    }
}

TEST_F(FilterParseTest, TrueFalseAndBooleanFields) {
    EXPECT_EQ(Tree("B = true"), "=(B,True)");
    EXPECT_EQ(Tree("FALSE"), "False");
    EXPECT_EQ(Tree("B"), "B");
}

TEST_F(FilterParseTest, InLists) {
    EXPECT_EQ(Tree("N IN (1, 2, 3)"), "IN(N,1,2,3)");
    EXPECT_EQ(Tree("N in (1) AND NAME IN ('a','b')"), "AND(IN(N,1),IN(NAME,'a','b'))");
    EXPECT_EQ(Error("N IN ()"), "IN predicate list may not be empty");
    EXPECT_EQ(Error("N IN 1"), "'(' expected but '1' found");
    EXPECT_EQ(Error("N IN"), "'(' expected but nothing found");
    EXPECT_EQ(Error("N IN (1 2)"), "')' or ',' expected but '2' found");
    EXPECT_EQ(Error("N IN (1"), "')' expected but nothing found");
    EXPECT_EQ(Error("N IN (1,"), "Expression expected but nothing found");
}

TEST_F(FilterParseTest, InListsWithADecimalComma) {
    LocaleFormats formats;
    formats.decimalSeparator = ',';
    SetLocaleFormats(formats);
    EXPECT_EQ(Tree("N IN (1, 2, 3)"), "IN(N,1,2,3)");
    EXPECT_EQ(Root("F = 1,5").right->NumericValue(), 1.5);
    // Without a blank, "1,2" is one number.
    EXPECT_EQ(Root("F IN (1,2)").args.size(), 1u);
    EXPECT_EQ(Root("F IN (1,2)").args[0]->NumericValue(), 1.2);
    EXPECT_EQ(Error("N IN (1,2,3)"), "'1,2,3' is not a valid floating point value");
    ResetLocaleFormats();
}

TEST_F(FilterParseTest, NumbersAreIntegersWhenTheyFitElseFloats) {
    const ExprNode& small = *Root("L = 2147483647").right;
    EXPECT_EQ(small.dataType, FieldType::ftInteger);
    const ExprNode& big = *Root("L = 2147483648").right;
    EXPECT_EQ(big.dataType, FieldType::ftFloat);
    EXPECT_EQ(big.NumericValue(), 2147483648.0);
    EXPECT_EQ(Root("N = -2147483648").right->IntegerValue(), -2147483648LL);
    EXPECT_EQ(Root("F > 1.5e3").right->NumericValue(), 1500.0);
    EXPECT_EQ(Root("F > " + std::string(300, '9')).right->dataType, FieldType::ftFloat);
    EXPECT_EQ(Error("F > " + std::string(400, '9')),
              "'" + std::string(400, '9') + "' is not a valid floating point value");
    EXPECT_EQ(Error("F > 1e999"), "'1e999' is not a valid floating point value");
    EXPECT_EQ(Error("F > 1e"), "'1e' is not a valid floating point value");
    EXPECT_EQ(Error("F > 1.2.3"), "'1.2.3' is not a valid floating point value");
    EXPECT_EQ(Error("F = -"), "'-' is not a valid floating point value");
}

TEST_F(FilterParseTest, StringConstantsKnowWhereTheirStarIs) {
    EXPECT_EQ(Root("NAME = 'AB*'").right->partialLength, 2);
    EXPECT_EQ(Root("NAME = '*'").right->partialLength, 0);
    EXPECT_EQ(Root("NAME = 'AB'").right->partialLength, -1);
    EXPECT_EQ(Root("'A*' = NAME").left->partialLength, 1);
}

TEST_F(FilterParseTest, FieldNodesCarryTheirField) {
    const ExprNode& root = Root("NOTE LIKE 'a%' AND [N] > 0");
    const ExprNode& memo = *root.left->left;
    EXPECT_EQ(memo.kind, NodeKind::nkField);
    EXPECT_EQ(memo.field, &table_.FieldByName("NOTE"));
    EXPECT_EQ(memo.fieldIndex, table_.FieldByName("NOTE").Index());
    EXPECT_TRUE(memo.isBlobField);
    EXPECT_EQ(memo.dataType, FieldType::ftMemo);
    const ExprNode& n = *root.right->left;
    EXPECT_FALSE(n.isBlobField);
    EXPECT_EQ(n.dataType, FieldType::ftInteger);
    // Field names are matched without regard to case.
    EXPECT_EQ(Tree("name='x'"), "=(name,'x')");
}

TEST_F(FilterParseTest, CommentsAndBracketedNames) {
    Add("WEEK 1", FieldType::ftString, 1);
    EXPECT_EQ(Tree("/* note */ [WEEK 1]='1'"), "=(WEEK 1,'1')");
    EXPECT_EQ(Error("/* a*b */ [WEEK 1]='1'"), "Invalid filter expression character: 'b'");
}

TEST_F(FilterParseTest, DoubleByteFieldNames) {
    Add("名称", FieldType::ftString, 20);
    Add("周 一", FieldType::ftString, 1);
    EXPECT_EQ(Tree("名称='铃声' AND [周 一]='1'"),
              "AND(=(名称,'" + ToCodePage("铃声") + "'),=(周 一,'1'))");
}

using FilterMessageTest = FilterParseTest;

TEST_F(FilterMessageTest, EveryMessageWithItsTokenText) {
    EXPECT_EQ(Error("(N=1"), "')' expected but nothing found");
    EXPECT_EQ(Error("(N=1 B"), "')' expected but 'B' found");
    EXPECT_EQ(Error("N="), "Expression expected but nothing found");
    EXPECT_EQ(Error("N=)"), "Expression expected but ')' found");
    EXPECT_EQ(Error(""), "Expression expected but nothing found");
    EXPECT_EQ(Error("N=1)"), "Filter expression incorrectly terminated");
    EXPECT_EQ(Error("X=1"), "Field 'X' not found");
    EXPECT_EQ(Error("[N =1"), "Unterminated field name");
    EXPECT_EQ(Error("NAME='a"), "Unterminated string constant");
    EXPECT_EQ(Error("N=1 # 2"), "Invalid filter expression character: '#'");
    EXPECT_EQ(Error("N=1 AND NAME LIKE"), "Expression expected but nothing found");
    EXPECT_EQ(Error("N = 'it''s' + 1"), "Type mismatch in expression");
    EXPECT_EQ(Error("NAME = 'a' AND"), "Expression expected but nothing found");
    EXPECT_EQ(Error("NAME = = 'a'"), "Expression expected but '=' found");
    EXPECT_EQ(Error("NAME IN ('a' 'b')"), "')' or ',' expected but ''b'' found");
}

TEST_F(FilterMessageTest, AFailedParseLeavesNoTreeAndParsingAgainStartsOver) {
    parser_.Parse("N=1");
    const std::size_t nodes = parser_.Nodes().Count();
    parser_.Parse("N=2");
    EXPECT_EQ(parser_.Nodes().Count(), nodes);
    EXPECT_EQ(Error("N=("), "Expression expected but nothing found");
    EXPECT_EQ(parser_.Root(), nullptr);
    EXPECT_EQ(parser_.Nodes().Count(), 0u);
}

using FilterHostileTextTest = FilterParseTest;

TEST_F(FilterHostileTextTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    const std::string manyParens(1 << 20, '(');
    EXPECT_EQ(Error(manyParens), "Filter expression nested too deeply");
    EXPECT_EQ(Error(std::string(100000, '(') + std::string(100000, ')')),
              "Filter expression nested too deeply");
    std::string calls;
    for (int i = 0; i < 1000; ++i)
        calls += "UPPER(";
    EXPECT_EQ(Error(calls + "NAME"), "Filter expression nested too deeply");
    // Moderate nesting is fine.
    EXPECT_EQ(Tree(std::string(200, '(') + "B" + std::string(200, ')')), "B");
}

TEST_F(FilterHostileTextTest, LongChainsStayWithinTheTreeHeight) {
    std::string sum = "N";
    for (int i = 0; i < 100000; ++i)
        sum += "+N";
    EXPECT_EQ(Error(sum + "=1"), "Filter expression nested too deeply");
    std::string ors = "B";
    for (int i = 0; i < 1000; ++i)
        ors += " OR B";
    EXPECT_EQ(Root(ors).op, ExprOperator::toOR);
    // A long IN list is wide, not deep.
    std::string list = "N IN (0";
    for (int i = 1; i < 100000; ++i)
        list += "," + std::to_string(i);
    EXPECT_EQ(Root(list + ")").args.size(), 100000u);
}

TEST_F(FilterHostileTextTest, TextsTheCodePageCannotHold) {
    EXPECT_EQ(Error("NAME='\x81'"), "Invalid filter expression character: '#$81'");
    EXPECT_EQ(Error("NAME='\xC3\x28'"), "Invalid filter expression character: '#$C3'");
    EXPECT_EQ(Error("NAME='😀'"), "Invalid filter expression character: '😀'");
    EXPECT_EQ(Error(std::string("N=1\0 OR N=2", 11)), "Invalid filter expression character: '#0'");
    EXPECT_EQ(Error(std::string("NAME='a\0'", 9)), "Unterminated string constant");
}

// Random texts from the language's pieces: each parses or fails with a database error.
TEST_F(FilterHostileTextTest, RandomTextsParseOrFailCleanly) {
    const std::vector<std::string> pieces = {
        "N",      "NAME", "(",          ")",         "=",     "<>",    "'a'", "'1/2/2020'",
        "'8:00'", "1",    "1.5",        "-",         "+",     "*",     "/",   "AND",
        "OR",     "NOT",  "IN",         "LIKE",      ",",     "D",     "T",   "DT",
        "UPPER(", "[N]",  "B",          "True",      "/*",    "*/",    "'",   "[",
        "\x81",   " ",    "SUBSTRING(", "GETDATE()", "YEAR(", "1e400", "''"};
    std::mt19937 random(20240601);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int count = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i)
            text += pieces[random() % pieces.size()];
        try {
            parser_.Parse(text);
            ASSERT_NE(parser_.Root(), nullptr) << text;
            EXPECT_EQ(parser_.Root()->dataType, FieldType::ftBoolean) << text;
        } catch (const DatabaseError&) {
            EXPECT_EQ(parser_.Root(), nullptr) << text;
        }
    }
}

}  // namespace
}  // namespace chimdb::testing
