// The type checks of the filter parser: which operands fit each operator and function, the
// result types of arithmetic, and string constants converted where they face dates and times.

#include <gtest/gtest.h>

#include <string>

#include "chimdb/date_time_codec.h"
#include "filter_parse_test_util.h"

namespace chimdb::testing {
namespace {

constexpr std::string_view kMismatch = "Type mismatch in expression";

using TypeCheckTest = FilterParseTest;

TEST_F(TypeCheckTest, LogicalOperatorsTakeBooleans) {
    EXPECT_EQ(Error("NOT N"), kMismatch);
    EXPECT_EQ(Error("N AND B"), kMismatch);
    EXPECT_EQ(Error("B OR NAME"), kMismatch);
    EXPECT_EQ(Tree("NOT B OR (N=1 AND True)"), "OR(NOT(B),AND(=(N,1),True))");
}

TEST_F(TypeCheckTest, ComparisonsPairLikeKinds) {
    EXPECT_EQ(Error("WEEK3 = 1"), kMismatch);
    EXPECT_EQ(Error("N = 'x'"), kMismatch);
    EXPECT_EQ(Error("B = 1"), kMismatch);
    EXPECT_EQ(Error("D = 1"), kMismatch);
    // Numbers of every width compare with one another; strings with fixed strings and memos.
    EXPECT_NO_THROW(parser_.Parse("SI < L AND W >= F AND ID <> C AND N = 1.5"));
    EXPECT_NO_THROW(parser_.Parse("NAME = FIX AND NOTE > NAME"));
    // Booleans only for equality.
    EXPECT_NO_THROW(parser_.Parse("B = True AND B <> False"));
    EXPECT_EQ(Error("B < True"), kMismatch);
    EXPECT_EQ(Error("B >= B"), kMismatch);
    EXPECT_EQ(Error("NAME LIKE 1"), kMismatch);
    EXPECT_EQ(Error("N LIKE 'a'"), kMismatch);
    EXPECT_NO_THROW(parser_.Parse("NOTE LIKE FIX"));
}

TEST_F(TypeCheckTest, ARootThatIsNoBooleanIsRefused) {
    EXPECT_EQ(Error("N"), kMismatch);
    EXPECT_EQ(Error("NAME"), kMismatch);
    EXPECT_EQ(Error("N + 1"), kMismatch);
    EXPECT_EQ(Error("'abc'"), kMismatch);
    EXPECT_EQ(parser_.Root(), nullptr);
}

TEST_F(TypeCheckTest, StringConstantsFacingDatesAndTimesAreConverted) {
    const ExprNode& time = *Root("RINGTIME > '08:00:00'").right;
    EXPECT_EQ(time.kind, NodeKind::nkConst);
    EXPECT_EQ(time.dataType, FieldType::ftTime);
    EXPECT_EQ(time.TimeValue(), 8 * 3600000);
    EXPECT_EQ(time.partialLength, -1);
    const ExprNode& date = *Root("'3/15/2024' <= D").left;
    EXPECT_EQ(date.dataType, FieldType::ftDate);
    EXPECT_EQ(date.DateValue(), DayNumberFromDate({2024, 3, 15}));
    const ExprNode& moment = *Root("DT = ' 3/15/2024 10:30 '").right;
    EXPECT_EQ(moment.dataType, FieldType::ftDateTime);
    EXPECT_EQ(moment.DateTimeValue(), DateTimeValue(DayNumberFromDate({2024, 3, 15}), 37800000));
    // A date constant against a date-time compares by day.
    EXPECT_EQ(Root("DT = '3/15/2024'").right->dataType, FieldType::ftDate);
    EXPECT_EQ(Error("D = 'junk'"), "'junk' is not a valid date");
    EXPECT_EQ(Error("T = '25:00'"), "'25:00' is not a valid time");
    EXPECT_EQ(Error("DT = '2/30/2024 10:00'"), "'2/30/2024 10:00' is not a valid date and time");
    // Not facing a date/time, a string stays a string.
    EXPECT_EQ(Root("NAME = '08:00'").right->dataType, FieldType::ftString);
}

// A time of day against a day (a date or a date-time) has no meaning: refused.
TEST_F(TypeCheckTest, TimesOnlyCompareWithTimes) {
    EXPECT_EQ(Error("T = DT"), kMismatch);
    EXPECT_EQ(Error("D < T"), kMismatch);
    EXPECT_EQ(Error("T = '3/15/2024'"), kMismatch);
    EXPECT_EQ(Error("DT > '10:00'"), kMismatch);
    EXPECT_NO_THROW(parser_.Parse("D = DT AND T <> RINGTIME"));
}

TEST_F(TypeCheckTest, InElementsSuitTheLeftOperand) {
    EXPECT_EQ(Error("N IN (1, 'a')"), kMismatch);
    EXPECT_EQ(Error("B IN (1)"), kMismatch);
    EXPECT_NO_THROW(parser_.Parse("B IN (True, B)"));
    const ExprNode& in = Root("D IN ('1/2/2024', D)");
    EXPECT_EQ(in.args[0]->dataType, FieldType::ftDate);
    EXPECT_EQ(Error("T IN ('1/2/2024')"), kMismatch);
}

TEST_F(TypeCheckTest, ArithmeticResultTypes) {
    const auto typeOfSum = [&](const std::string& sum, const std::string& other) {
        return Root(sum + " = " + other).left->dataType;
    };
    EXPECT_EQ(typeOfSum("SI + SI", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOfSum("W * SI", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOfSum("ID - N", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOfSum("W + L", "1"), FieldType::ftLargeint);
    EXPECT_EQ(typeOfSum("L * F", "1"), FieldType::ftFloat);
    EXPECT_EQ(typeOfSum("F + C", "1"), FieldType::ftCurrency);
    EXPECT_EQ(typeOfSum("N / N", "1"), FieldType::ftFloat);
    EXPECT_EQ(typeOfSum("NAME + FIX", "'x'"), FieldType::ftString);
    EXPECT_EQ(Error("NAME - NAME = 'x'"), kMismatch);
    EXPECT_EQ(Error("NAME * 2 = 1"), kMismatch);
    EXPECT_EQ(Error("B + B = B"), kMismatch);
}

TEST_F(TypeCheckTest, DateAndTimeArithmetic) {
    const auto typeOf = [&](const std::string& expression, const std::string& other) {
        return Root(expression + " = " + other).left->dataType;
    };
    EXPECT_EQ(typeOf("D - D", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOf("D - 1", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOf("T - T", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOf("T - 1.5", "1"), FieldType::ftInteger);
    EXPECT_EQ(typeOf("DT - DT", "1"), FieldType::ftFloat);
    EXPECT_EQ(typeOf("DT - D", "1"), FieldType::ftFloat);
    EXPECT_EQ(typeOf("D - DT", "1"), FieldType::ftFloat);
    EXPECT_EQ(typeOf("DT - 1", "1"), FieldType::ftFloat);
    EXPECT_EQ(typeOf("D + 1", "D"), FieldType::ftDate);
    EXPECT_EQ(typeOf("DT + 1", "DT"), FieldType::ftDateTime);
    EXPECT_EQ(typeOf("D - '1/1/2024'", "1"), FieldType::ftInteger);
    // A date/time constant minus a date/time value: a float.
    const ExprNode& difference = *Root("'1/1/2024 10:00' - DT > 0").left;
    EXPECT_EQ(difference.dataType, FieldType::ftFloat);
    EXPECT_EQ(difference.left->dataType, FieldType::ftDateTime);
    EXPECT_EQ(Error("'abc' - D > 0"), kMismatch);
    EXPECT_EQ(Error("D * 2 = 1"), kMismatch);
    EXPECT_EQ(Error("D + D = D"), kMismatch);
    EXPECT_EQ(Error("1 + D = D"), kMismatch);
    EXPECT_EQ(Error("D + 'x' = D"), kMismatch);
}

TEST_F(TypeCheckTest, FunctionArguments) {
    EXPECT_NO_THROW(parser_.Parse("LOWER(NAME) = TRIM(FIX) AND TRIMLEFT(NOTE) > TRIMRIGHT('a')"));
    EXPECT_EQ(Error("UPPER(N) = 'A'"), kMismatch);
    EXPECT_EQ(Error("UPPER(NAME, NAME) = 'A'"), kMismatch);
    EXPECT_EQ(Error("UPPER() = 'A'"), kMismatch);
    EXPECT_EQ(Root("SUBSTRING(NAME, 1, 2) = 'A'").left->dataType, FieldType::ftString);
    EXPECT_EQ(Error("SUBSTRING(NAME, N, 2) = 'A'"), kMismatch);
    EXPECT_EQ(Error("SUBSTRING(NAME, 1.5, 2) = 'A'"), kMismatch);
    EXPECT_EQ(Error("SUBSTRING(NAME, 1) = 'A'"), kMismatch);
    EXPECT_EQ(Error("SUBSTRING(N, 1, 2) = 'A'"), kMismatch);
    EXPECT_EQ(Root("YEAR(DT) = 2024").left->dataType, FieldType::ftInteger);
    EXPECT_NO_THROW(parser_.Parse("MONTH(D) = 3 AND DAY(D) = 1 AND HOUR(T) = 8"));
    EXPECT_NO_THROW(parser_.Parse("MINUTE(DT) = 0 AND SECOND(RINGTIME) = 0"));
    EXPECT_EQ(Error("YEAR(T) = 1"), kMismatch);
    EXPECT_EQ(Error("HOUR(D) = 1"), kMismatch);
    EXPECT_EQ(Error("YEAR('1/1/2024') = 2024"), kMismatch);
    EXPECT_EQ(Error("GETDATE(1) > DT"), kMismatch);
    EXPECT_EQ(Error("YEAR(DT) = 'x'"), kMismatch);
}

}  // namespace
}  // namespace chimdb::testing
