#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"

namespace chimdb {
namespace {

// GBK bytes of 描述 ("description").
const std::string kDescribeGbk = "\xC3\xE8\xCA\xF6";

class CodePageTest : public ::testing::Test {
  protected:
    void TearDown() override { SetDatabaseCodePage(kDefaultCodePage); }
};

TEST_F(CodePageTest, DefaultsToGbk) {
    EXPECT_EQ(DatabaseCodePage(), 936);
    EXPECT_EQ(ToCodePage("描述"), kDescribeGbk);
    EXPECT_EQ(FromCodePage("a" + kDescribeGbk), "a描述");
    EXPECT_EQ(ToCodePage(""), "");
}

TEST_F(CodePageTest, RefusesTextTheCodePageCannotHold) {
    try {
        ToCodePage("bell \xF0\x9F\x94\x94");  // an emoji has no GBK form
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(),
                     "Text 'bell \xF0\x9F\x94\x94' cannot be stored in the database code page");
    }
    EXPECT_THROW(ToCodePage("bad \xC3"), DatabaseError);  // not UTF-8
}

TEST_F(CodePageTest, UndecodableBytesBecomeReplacementCharacters) {
    EXPECT_EQ(FromCodePage("a\x81"), "a\xEF\xBF\xBD");  // a lead byte without its trail
}

TEST_F(CodePageTest, CutsOnlyAtCharacterBoundaries) {
    std::string text = "ab" + kDescribeGbk;  // 2 single bytes, 2 double-byte characters
    EXPECT_EQ(CutToWidth(text, 6), text);
    EXPECT_EQ(CutToWidth(text, 5), "ab\xC3\xE8");
    EXPECT_EQ(CutToWidth(text, 3), "ab");  // never half of 描
    EXPECT_EQ(CutToWidth(text, 0), "");
    // A trail byte in the ASCII range (0x40..0x7E) is not a boundary either.
    std::string gbkWithAsciiTrail = "\x81\x40x";
    EXPECT_EQ(CutToWidth(gbkWithAsciiTrail, 1), "");
    EXPECT_EQ(CutToWidth(gbkWithAsciiTrail, 2), "\x81\x40");
}

TEST_F(CodePageTest, OtherCodePages) {
    SetDatabaseCodePage(1252);
    EXPECT_EQ(ToCodePage("café"), "caf\xE9");
    EXPECT_THROW(ToCodePage("描述"), DatabaseError);
    try {
        SetDatabaseCodePage(4242);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Code page 4242 is not supported");
    }
    EXPECT_EQ(DatabaseCodePage(), 1252);
}

TEST_F(CodePageTest, NamesCompareWithoutCase) {
    EXPECT_TRUE(SameName("Ring1_7", "RING1_7"));
    EXPECT_FALSE(SameName("Ring1_7", "Ring1_8"));
    EXPECT_TRUE(SameName(ToCodePage("描述A"), ToCodePage("描述a")));
    // Different double-byte characters whose trail bytes differ only by ASCII case.
    EXPECT_FALSE(SameName("\x81\x41", "\x81\x61"));
}

TEST_F(CodePageTest, ConvertsOnManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (ToCodePage("描述") != kDescribeGbk || FromCodePage(kDescribeGbk) != "描述")
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace chimdb
