// The work of a filter's string operations is bounded, so that no filter text, however
// long, makes the evaluation of a record hang or grow memory without end: a text result
// holds at most 65,536 bytes, and one record's evaluation works through at most 16 MiB of text.

#include <gtest/gtest.h>

#include <string>

#include "filter_eval_test_util.h"
#include "fuzz/seed_files.h"

namespace chimdb::testing {
namespace {

const std::string kTooLong = "Text in filter expression longer than 65536 bytes";
const std::string kTooMuchWork =
    "Filter expression works through more than 16777216 bytes of text per record";

// count constants joined by + in a balanced tree: count * 256 characters.
std::string Concatenation(std::size_t count) {
    std::string filter = chimdb_fuzz::LongConcatenationFilter(count);
    return filter.substr(filter.find('('));
}

class FilterBoundsTest : public FilterEvalTest {};

TEST_F(FilterBoundsTest, ConcatenationOfManyLongConstantsStopsWithAClearMessage) {
    Add({{"S", "abc"}});
    Add({{"S", "def"}});
    // 4096 constants: a megabyte of text per record, were it built.
    EXPECT_EQ(Error(chimdb_fuzz::LongConcatenationFilter(4096)), kTooLong);
}

TEST_F(FilterBoundsTest, ResultsUpToTheLimitAreBuiltAndCompared) {
    const int id = Add({{"S", "abc"}});
    // 255 constants and 255 more characters: exactly 65,535 bytes.
    std::string text = "(" + Concatenation(255) + ") + '" + std::string(255, 'a') + "'";
    EXPECT_EQ(Ids("S > " + text), std::vector<int>{id});
    EXPECT_EQ(Ids("S > TRIM(" + text + ")"), std::vector<int>{id});
    // One more byte is too many.
    EXPECT_EQ(Error("S > " + text + " + 'aa'"), kTooLong);
    EXPECT_EQ(Error("UPPER(" + text + " + M + 'aa') = S"), kTooLong);
}

TEST_F(FilterBoundsTest, ManyOperationsOnLongTextsStopWithAClearMessage) {
    Add({{"S", "abc"}});
    // Each comparison builds and compares 32 KiB; 200 of them exceed the work of a record.
    std::string filter = "S = " + Concatenation(128);
    for (int i = 0; i < 200; ++i)
        filter += " OR S = UPPER(" + Concatenation(128) + ")";
    EXPECT_EQ(Error(filter), kTooMuchWork);
}

TEST_F(FilterBoundsTest, LikeOnALongTextCountsItsSteps) {
    Add({{"M", std::string(20000, 'a')}});
    // The run of "%" is lengthened 20,000 times, and each time the 254 letters after it are
    // compared again before the final "b" fails: some 5 million steps.
    std::string pattern = "'%" + std::string(254, 'a') + "b'";
    EXPECT_EQ(Error("M LIKE " + pattern), kTooMuchWork);
    // A plain pattern over the same text is well within it.
    EXPECT_EQ(Ids("M LIKE '%a'").size(), 1u);
}

TEST_F(FilterBoundsTest, TheWorkIsCountedPerRecord) {
    for (int i = 0; i < 40; ++i)
        Add({{"S", "s" + std::to_string(i)}});
    // About 1 MiB per record: every record passes although all together handle far more.
    std::string filter = "S = " + Concatenation(64);
    for (int i = 0; i < 30; ++i)
        filter += " OR S = " + Concatenation(64);
    EXPECT_TRUE(Ids(filter).empty());
}

}  // namespace
}  // namespace chimdb::testing
