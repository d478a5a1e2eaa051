// The tables that read code page texts without a converter call must read every byte
// sequence as ICU's converter does, or leave it to the converter.
#include "values/code_page_table.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>
#include <string>

#include "chimdb/code_page.h"
#include "values/code_page_converter.h"

namespace chimdb {
namespace {

// What the converter makes of a text, with the substitution that reading uses.
std::u16string ByConverter(int codePage, std::string_view bytes) {
    ConverterPtr converter = OpenCodePageConverter(codePage);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &status);
    std::u16string out(bytes.size() * 2 + 2, u'\0');
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(out.data()),
                                         static_cast<int32_t>(out.size()), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

class CodePageTableTest : public ::testing::TestWithParam<int> {};

TEST_P(CodePageTableTest, EveryOneAndTwoByteTextReadsAsTheConverterReadsIt) {
    const int codePage = GetParam();
    const CodePageTable* table = CodePageTable::For(codePage);
    ASSERT_NE(table, nullptr);
    int known = 0;
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            std::string bytes(1, static_cast<char>(first));
            if (second >= 0)
                bytes += static_cast<char>(second);
            std::u16string read;
            if (!table->AppendUtf16(bytes, read))
                continue;  // left to the converter
            ++known;
            ASSERT_EQ(read, ByConverter(codePage, bytes))
                << "code page " << codePage << " bytes " << first << " " << second;
        }
    }
    EXPECT_GT(known, 128 * 129);
}

TEST_P(CodePageTableTest, MixedTextsReadAsTheConverterReadsThem) {
    const int codePage = GetParam();
    const CodePageTable* table = CodePageTable::For(codePage);
    std::mt19937 random(static_cast<unsigned>(codePage));
    for (int round = 0; round < 5000; ++round) {
        std::string bytes(random() % 12, ' ');
        for (char& c : bytes)
            c = static_cast<char>(random() % 3 == 0 ? 0x20 + random() % 0x5F : random() % 256);
        std::u16string read;
        if (table->AppendUtf16(bytes, read))
            ASSERT_EQ(read, ByConverter(codePage, bytes));
        else
            EXPECT_TRUE(read.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(SingleAndDoubleByte, CodePageTableTest,
                         ::testing::Values(936, 950, 949, 932, 1252, 1251, 874));

TEST(CodePageTableScopeTest, OnlyTheConverterReadsCodePagesOfLongerCharacters) {
    EXPECT_EQ(CodePageTable::For(54936), nullptr);  // GB18030: four-byte characters
    EXPECT_EQ(CodePageTable::For(65001), nullptr);  // UTF-8
    EXPECT_EQ(CodePageTable::For(4242), nullptr);   // no such code page
}

TEST(CodePageTableScopeTest, TextsReadThroughTheTablesAndTheConverterAlike) {
    // 描述 in GBK, an ASCII name, a lead byte without trail and the euro sign (0x80).
    EXPECT_EQ(FromCodePage("bell\\\xC3\xE8\xCA\xF6.wav"), "bell\\描述.wav");
    EXPECT_EQ(FromCodePage("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(FromCodePage("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(ToCodePage("Plan 3"), "Plan 3");
    EXPECT_EQ(CharacterLengths("ab"), (std::vector<std::size_t>{1, 1}));
}

}  // namespace
}  // namespace chimdb
