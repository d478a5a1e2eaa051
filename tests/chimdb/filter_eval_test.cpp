// Filter evaluation through the table cursor: each kind of comparison, the partial compare of
// a constant with "*", LIKE and IN on records, arithmetic with its result types and its
// errors, the functions, short-circuit logic, and memo fields by their text.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <span>

#include "chimdb/code_page.h"
#include "chimdb/date_time_codec.h"
#include "filter_eval_test_util.h"

namespace chimdb::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr FilterOptions kCaseInsensitive{true, false};
constexpr FilterOptions kNoPartial{false, true};

TEST_F(FilterEvalTest, StringsCompareByCollationCaseAndBlanks) {
    const int lower = Add({{"S", "abc"}});
    const int upper = Add({{"S", "ABC"}});
    const int blank = Add({{"S", "abc "}});
    const int b = Add({{"S", "b"}});
    EXPECT_THAT(Ids("S = 'abc'"), ElementsAre(lower));
    EXPECT_THAT(Ids("S = 'abc'", kCaseInsensitive), ElementsAre(lower, upper));
    EXPECT_THAT(Ids("S = 'abc '"), ElementsAre(blank));  // trailing blanks count
    // Collation, not byte order: "ABC" sorts before "b" although 'b' (0x62) > 'A' (0x41) and
    // "abc" before "b" too; byte order would put "b" above "ABC" but below nothing else.
    EXPECT_THAT(Ids("S < 'b'"), ElementsAre(lower, upper, blank));
    EXPECT_THAT(Ids("S > 'B'"), IsEmpty());
    EXPECT_THAT(Ids("S >= 'B'", kCaseInsensitive), ElementsAre(b));
    EXPECT_THAT(Ids("S <> 'abc'"), ElementsAre(upper, blank, b));
    // Fixed-length strings and string against string field.
    Add({{"S", "ab"}, {"FC", "ab"}});
    EXPECT_EQ(Ids("FC = S").size(), 1u);
}

TEST_F(FilterEvalTest, PartialCompareOfARightHandConstantWithStar) {
    const int abc = Add({{"S", "ABC"}});
    const int ab = Add({{"S", "AB"}});
    const int a = Add({{"S", "A"}});
    const int star = Add({{"S", "AB*"}});
    EXPECT_THAT(Ids("S = 'AB*'"), ElementsAre(abc, ab, star));
    EXPECT_THAT(Ids("S = 'AB*'", kNoPartial), ElementsAre(star));
    EXPECT_THAT(Ids("S = '*'"), ElementsAre(abc, ab, a, star));
    EXPECT_THAT(Ids("S <> 'AB*'"), ElementsAre(a));
    EXPECT_THAT(Ids("S < 'AB*'"), ElementsAre(a));
    EXPECT_THAT(Ids("S = 'ab*'", kCaseInsensitive), ElementsAre(abc, ab, star));
    // A "*" on the left has no such effect.
    EXPECT_THAT(Ids("'AB*' = S"), ElementsAre(star));
    // The text after the "*" takes no part.
    EXPECT_THAT(Ids("S = 'A*ZZZ'"), ElementsAre(abc, ab, a, star));
    // IN elements are compared by the rules of "=".
    EXPECT_THAT(Ids("S IN ('X', 'AB*')"), ElementsAre(abc, ab, star));
    EXPECT_THAT(Ids("S IN ('X', 'AB*')", kNoPartial), ElementsAre(star));
    // Double-byte characters before the "*" are compared whole.
    const int plan = Add({{"S", "方案一"}});
    EXPECT_THAT(Ids("S = '方案*'"), ElementsAre(plan));
    EXPECT_THAT(Ids("S = '方*'"), ElementsAre(plan));
    EXPECT_THAT(Ids("S = '方一*'"), IsEmpty());
}

TEST_F(FilterEvalTest, NumbersCompareByValueAcrossTypes) {
    const int first = Add({{"SI", "-7"},
                           {"W", "65535"},
                           {"I", "7"},
                           {"F", "7.5"},
                           {"C", "12.25"},
                           {"L", "9000000000"}});
    const int second = Add(
        {{"SI", "7"}, {"W", "0"}, {"I", "-2147483648"}, {"F", "-0.5"}, {"C", "0"}, {"L", "-1"}});
    EXPECT_THAT(Ids("SI = 7.0"), ElementsAre(second));
    EXPECT_THAT(Ids("W = 65535"), ElementsAre(first));
    EXPECT_THAT(Ids("I < F"), ElementsAre(first, second));
    EXPECT_THAT(Ids("L > 2147483647"), ElementsAre(first));  // large integer against integer
    EXPECT_THAT(Ids("L > 8999999999.5"), ElementsAre(first));
    EXPECT_THAT(Ids("C = 12.25"), ElementsAre(first));
    EXPECT_THAT(Ids("SI < W"), ElementsAre(first));
    EXPECT_THAT(Ids("I <= -2147483648"), ElementsAre(second));
    EXPECT_THAT(Ids("F >= -0.5"), ElementsAre(first, second));
}

TEST_F(FilterEvalTest, BooleansAreEqualOrNot) {
    const int yes = Add({{"B", "True"}});
    const int no = Add({{"B", "False"}});
    EXPECT_THAT(Ids("B = True"), ElementsAre(yes));
    EXPECT_THAT(Ids("B <> True"), ElementsAre(no));
    EXPECT_THAT(Ids("B"), ElementsAre(yes));
    EXPECT_THAT(Ids("NOT B"), ElementsAre(no));
    EXPECT_THAT(Ids("B = (1 = 1)"), ElementsAre(yes));
}

TEST_F(FilterEvalTest, DatesByDayTimesWithinASecond) {
    const int morning =
        Add({{"D", "2024-03-05"}, {"T", "08:00:00.000"}, {"DT", "2024-03-05T08:00:00.999"}});
    const int evening =
        Add({{"D", "2024-03-06"}, {"T", "20:00:00.500"}, {"DT", "2024-03-05T20:00:01.000"}});
    // Date against date, and against a date-time by its day (either side).
    EXPECT_THAT(Ids("D = '3/5/2024'"), ElementsAre(morning));
    EXPECT_THAT(Ids("D = DT"), ElementsAre(morning));
    EXPECT_THAT(Ids("DT = D"), ElementsAre(morning));
    EXPECT_THAT(Ids("D > DT"), ElementsAre(evening));
    // Times 999 ms apart are equal; 1000 ms apart they are not.
    EXPECT_THAT(Ids("T = '08:00:00'"), ElementsAre(morning));
    EXPECT_THAT(Ids("T = '20:00:01'"), ElementsAre(evening));
    EXPECT_THAT(Ids("T = '20:00:01.500'"), IsEmpty());
    EXPECT_THAT(Ids("T > '08:00:00'"), ElementsAre(evening));
    EXPECT_THAT(Ids("DT = '3/5/2024 08:00:00'"), ElementsAre(morning));
    EXPECT_THAT(Ids("DT = '3/5/2024 20:00:00'"), IsEmpty());
    EXPECT_THAT(Ids("DT > '3/5/2024 08:00:00'"), ElementsAre(evening));
    // A time has no day: it is not compared with a date or a date-time.
    EXPECT_EQ(Error("T = DT"), "Type mismatch in expression");
    EXPECT_EQ(Error("D < T"), "Type mismatch in expression");
}

TEST_F(FilterEvalTest, LikeAndInOnRecords) {
    const int a = Add({{"S", "A"}, {"I", "1"}});
    const int abc = Add({{"S", "ABC"}, {"I", "2"}});
    const int ac = Add({{"S", "AC"}, {"I", "3"}});
    const int chinese = Add({{"S", "早操铃声"}, {"I", "4"}});
    EXPECT_THAT(Ids("S LIKE 'A%'"), ElementsAre(a, abc, ac));
    EXPECT_THAT(Ids("S LIKE 'A_C'"), ElementsAre(abc));
    EXPECT_THAT(Ids("S LIKE 'A%%'"), ElementsAre(abc, ac));
    EXPECT_THAT(Ids("S LIKE 'a%'"), IsEmpty());
    EXPECT_THAT(Ids("S LIKE 'a%'", kCaseInsensitive), ElementsAre(a, abc, ac));
    EXPECT_THAT(Ids("S LIKE '早_铃%'"), ElementsAre(chinese));
    // The partial-compare rule does not apply to LIKE.
    EXPECT_THAT(Ids("S LIKE 'A*'"), IsEmpty());
    EXPECT_THAT(Ids("NOT S LIKE '%C'"), ElementsAre(a, chinese));
    EXPECT_THAT(Ids("I IN (1, 3, 3.0)"), ElementsAre(a, ac));
    EXPECT_THAT(Ids("S IN ('ABC', 'AC')"), ElementsAre(abc, ac));
    EXPECT_THAT(Ids("NOT I IN (1, 2)"), ElementsAre(ac, chinese));
    EXPECT_THAT(Ids("I + 1 IN (I * 2)"), ElementsAre(a));
}

TEST_F(FilterEvalTest, ArithmeticWithResultTypes) {
    const int id = Add({{"SI", "3"},
                        {"W", "4"},
                        {"I", "7"},
                        {"F", "2.5"},
                        {"L", "5000000000"},
                        {"S", "ab"},
                        {"FC", "cd"}});
    EXPECT_THAT(Ids("I + 1 = 8"), ElementsAre(id));
    EXPECT_THAT(Ids("SI * W = 12"), ElementsAre(id));  // small integer and word widen
    EXPECT_THAT(Ids("I / 2 = 3.5"), ElementsAre(id));  // "/" is always floating point
    EXPECT_THAT(Ids("I - F * 2 = 2"), ElementsAre(id));
    EXPECT_THAT(Ids("L * 2 = 10000000000"), ElementsAre(id));
    EXPECT_THAT(Ids("10 - I = 3"), ElementsAre(id));
    EXPECT_THAT(Ids("S + FC = 'abcd'"), ElementsAre(id));
    EXPECT_THAT(Ids("S + '*' = 'ab*'", kNoPartial), ElementsAre(id));
    // Values that leave the result type are errors, not wrapped numbers.
    EXPECT_EQ(Error("I * 1000000000 > 0"), "Integer overflow");
    EXPECT_EQ(Error("L * L > 0"), "Integer overflow");
    EXPECT_EQ(Error("F * 1E308 * 1E308 > 0"), "Floating point overflow");
    EXPECT_EQ(Error("I / 0 > 1"), "Floating point division by zero");
    EXPECT_EQ(Error("I / (W - 4) > 1"), "Floating point division by zero");
    EXPECT_EQ(Error("F / 0.0 > 1"), "Floating point division by zero");
}

TEST_F(FilterEvalTest, DateAndTimeArithmetic) {
    const int id =
        Add({{"D", "2024-02-28"}, {"T", "23:59:30.000"}, {"DT", "2024-02-28T12:00:00.000"}});
    // Date-time plus whole days is a date-time; minus a number is the moment in ms.
    EXPECT_THAT(Ids("DT + 1.9 = '2/29/2024 12:00:00'"), ElementsAre(id));
    EXPECT_THAT(Ids("DT - 1 = DT - 0 - 86400000"), ElementsAre(id));
    EXPECT_THAT(Ids("DT - 0.9 = DT - 0"), ElementsAre(id));  // whole days only
    // Date-time minus date-time: milliseconds.
    EXPECT_THAT(Ids("DT - '2/28/2024 11:00:00' = 3600000"), ElementsAre(id));
    // Date plus or minus days, date minus date in days.
    EXPECT_THAT(Ids("D + 2 = '3/1/2024'"), ElementsAre(id));
    EXPECT_THAT(Ids("D - '2/1/2024' = 27"), ElementsAre(id));
    EXPECT_THAT(Ids("'3/1/2024' - D = 2"), ElementsAre(id));
    // Time plus milliseconds wraps at midnight; time minus time in milliseconds.
    EXPECT_THAT(Ids("T + 60000 = '00:00:30'"), ElementsAre(id));
    EXPECT_THAT(Ids("T - '23:00:00' = 3570000"), ElementsAre(id));
    // A date-time minus a date: from that day's midnight; minus a time: a span of ms.
    EXPECT_THAT(Ids("DT - D = 43200000"), ElementsAre(id));
    EXPECT_THAT(Ids("DT - T > 0"), ElementsAre(id));
}

TEST_F(FilterEvalTest, FunctionsAtRunTime) {
    // The case functions change single-byte letters only: 0xD2 0x61 is a GBK character whose
    // trail byte is an "a", which must stay as it is.
    const std::string trailA = FromCodePage(std::string("\xD2\x61", 2));
    const int id = Add({{"S", "  MixEd " + trailA + " "},
                        {"D", "2024-03-05"},
                        {"T", "08:09:10.000"},
                        {"DT", "1999-12-31T23:58:57.000"},
                        {"M", "a memo of some length"}});
    EXPECT_THAT(Ids("UPPER(S) = '  MIXED " + trailA + " '"), ElementsAre(id));
    EXPECT_THAT(Ids("LOWER(S) = '  mixed " + trailA + " '"), ElementsAre(id));
    EXPECT_THAT(Ids("TRIM(S) = 'MixEd " + trailA + "'"), ElementsAre(id));
    EXPECT_THAT(Ids("TRIMLEFT(S) = 'MixEd " + trailA + " '"), ElementsAre(id));
    EXPECT_THAT(Ids("TRIMRIGHT(S) = '  MixEd " + trailA + "'"), ElementsAre(id));
    // SUBSTRING counts characters; the double-byte character is one.
    EXPECT_THAT(Ids("SUBSTRING(S, 9, 1) = '" + trailA + "'"), ElementsAre(id));
    EXPECT_THAT(Ids("SUBSTRING(S, 3, 3) = 'Mix'"), ElementsAre(id));
    EXPECT_THAT(Ids("SUBSTRING(S, 0, 3) = '  M'"), ElementsAre(id));  // start below 1: 1
    EXPECT_THAT(Ids("SUBSTRING(S, 9, 100) = '" + trailA + " '"), ElementsAre(id));
    EXPECT_THAT(Ids("SUBSTRING(S, 50, 2) = ''"), ElementsAre(id));  // past the end
    EXPECT_THAT(Ids("SUBSTRING(S, 2, 0) = ''"), ElementsAre(id));
    EXPECT_THAT(Ids("SUBSTRING(S, 2, -5) = ''"), ElementsAre(id));
    EXPECT_THAT(Ids("SUBSTRING(M, 3, 4) = 'memo'"), ElementsAre(id));
    EXPECT_THAT(Ids("YEAR(D) = 2024 AND MONTH(D) = 3 AND DAY(D) = 5"), ElementsAre(id));
    EXPECT_THAT(Ids("YEAR(DT) = 1999 AND MONTH(DT) = 12 AND DAY(DT) = 31"), ElementsAre(id));
    EXPECT_THAT(Ids("HOUR(T) = 8 AND MINUTE(T) = 9 AND SECOND(T) = 10"), ElementsAre(id));
    EXPECT_THAT(Ids("HOUR(DT) = 23 AND MINUTE(DT) = 58 AND SECOND(DT) = 57"), ElementsAre(id));
    EXPECT_THAT(Ids("DT < GETDATE() AND YEAR(GETDATE()) >= 2024"), ElementsAre(id));
    // The functions leave their arguments unchanged.
    EXPECT_THAT(Ids("UPPER(S) <> S AND S = '  MixEd " + trailA + " '"), ElementsAre(id));
}

TEST_F(FilterEvalTest, StoredNaNAndInfinitiesGiveResultsOrErrors) {
    table_.Append();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    table_.SetFieldData(table_.FieldByName("F"),
                        std::span(reinterpret_cast<const std::uint8_t*>(&nan), sizeof nan));
    table_.SetFieldData(table_.FieldByName("DT"),
                        std::span(reinterpret_cast<const std::uint8_t*>(&inf), sizeof inf));
    table_.Post();
    const int id = table_.FieldByName("ID").AsInteger();
    EXPECT_THAT(Ids("F = F"), ElementsAre(id));  // NaN equals itself, as in the indexes
    EXPECT_THAT(Ids("F + 1 > 0"), IsEmpty());    // and sorts before every number
    EXPECT_EQ(Error("T + F > T"), "Invalid floating point operation");
    EXPECT_EQ(Error("I + F * 0 = 0"), "no error");
    EXPECT_EQ(Error("YEAR(DT) > 0 AND DT + 1 > DT AND HOUR(DT) = 0"), "no error");
    EXPECT_EQ(Error("D + F > D"), "Invalid floating point operation");
    EXPECT_EQ(Error("D + 1E10 > D"), "Integer overflow");
}

TEST_F(FilterEvalTest, AndOrEvaluateTheRightOnlyWhenNeeded) {
    const int id = Add({{"I", "7"}, {"W", "0"}});
    EXPECT_THAT(Ids("I = 7 OR I / W > 1"), ElementsAre(id));
    EXPECT_THAT(Ids("I = 8 AND I / W > 1"), IsEmpty());
    EXPECT_EQ(Error("I = 8 OR I / W > 1"), "Floating point division by zero");
    EXPECT_EQ(Error("I = 7 AND I / W > 1"), "Floating point division by zero");
    // IN stops at the first equal element.
    EXPECT_THAT(Ids("I IN (7, I / W)"), ElementsAre(id));
}

TEST_F(FilterEvalTest, MemoFieldsByTheirText) {
    const int first = Add({{"M", "备注 memo text"}});
    const int second = Add({{"M", std::string(5000, 'x') + "end"}});
    const int empty = Add({{"M", ""}});
    EXPECT_THAT(Ids("M = '备注 memo text'"), ElementsAre(first));
    EXPECT_THAT(Ids("M LIKE '%end'"), ElementsAre(second));
    EXPECT_THAT(Ids("M = ''"), ElementsAre(empty));
    EXPECT_THAT(Ids("M = '备注*'"), ElementsAre(first));
    EXPECT_THAT(Ids("M > S"), ElementsAre(first, second));
}

}  // namespace
}  // namespace chimdb::testing

namespace chimdb::testing {
namespace {

// A filter of the language over stored fields is evaluated where the records are kept; with an
// OnFilterRecord event it reads the filter buffer instead. Both give the same records and the
// same errors for every kind of field and the shapes of expression either evaluation takes.
TEST_F(FilterEvalTest, RecordsReadWhereKeptOrInTheFilterBufferAgree) {
    const char* texts[] = {"", "abc", "ABC", "Plan 3", "描述", "a b", "z"};
    for (int i = 0; i < 40; ++i) {
        Add({{"S", texts[i % 7]},
             {"FC", i % 2 == 0 ? "ab" : "cd"},
             {"SI", std::to_string(i - 20)},
             {"W", std::to_string(i * 3)},
             {"B", i % 3 == 0 ? "True" : "False"},
             {"I", std::to_string(i * 1000 - 7)},
             {"F", std::to_string(i / 4.0)},
             {"C", std::to_string(i * 0.25)},
             {"D", "2026-12-" + std::to_string(10 + i % 15)},
             {"T", "08:0" + std::to_string(i % 10) + ":00"},
             {"DT", "2026-12-10 0" + std::to_string(i % 10) + ":30:00"},
             {"L", std::to_string(i * 100000000LL)}});
    }
    const char* filters[] = {"S = 'abc'",
                             "S <> 'abc' AND NOT (S = 'z')",
                             "S >= 'b' OR S = '描述'",
                             "S = 'ABC'",
                             "S = 'plan*'",
                             "FC = 'ab' AND SI < 0",
                             "W > 60 OR B = True",
                             "I * 2 > 30000 AND F < 7",
                             "C = 2.5 OR L >= 3000000000",
                             "D > '2026-12-20' AND T <= '08:05:00'",
                             "DT < '2026-12-10 04:00:00'",
                             "S LIKE '%b%' OR S IN ('z', 'a b')",
                             "UPPER(S) = 'ABC'",
                             "I / (SI + 20) > 100"};
    int accepting = 0;
    for (const FilterOptions options :
         {FilterOptions{}, FilterOptions{true, false}, FilterOptions{false, true}}) {
        for (const char* filter : filters) {
            SCOPED_TRACE(filter);
            table_.OnFilterRecord = nullptr;
            const std::string whereKept = Error(filter, options);
            const std::vector<int> keptIds =
                whereKept == "no error" ? Ids(filter, options) : std::vector<int>{};
            table_.OnFilterRecord = [](DataSet&, bool&) {};
            EXPECT_EQ(Error(filter, options), whereKept);
            if (whereKept == "no error") {
                EXPECT_EQ(Ids(filter, options), keptIds);
                accepting += !keptIds.empty() && keptIds.size() < 40;
            }
        }
    }
    table_.OnFilterRecord = nullptr;
    EXPECT_GT(accepting, 20);  // the filters tell the records apart
}

}  // namespace
}  // namespace chimdb::testing
