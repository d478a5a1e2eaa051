// The filter lexer: token kinds and texts, comments, strings, bracketed names, numbers with
// the locale's decimal separator, the minus sign, double-byte characters and bad characters.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "filter/syntax_parser_base.h"
#include "values/locale_formats.h"

namespace chimdb::testing {
namespace {

using Tokens = std::vector<std::pair<TokenKind, std::string>>;

class LexerTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ResetLocaleFormats();
        SetDatabaseCodePage(kDefaultCodePage);
    }

    static Tokens Lex(std::string_view codePageText) {
        SyntaxParserBase lexer;
        lexer.SetSource(codePageText);
        Tokens tokens;
        while (lexer.NextToken() != TokenKind::tkEnd)
            tokens.emplace_back(lexer.Token(), lexer.TokenText());
        return tokens;
    }

    static std::string LexError(std::string_view codePageText) {
        try {
            Lex(codePageText);
        } catch (const DatabaseError& error) {
            return error.what();
        }
        return "no error";
    }

    static void UseDecimalComma() {
        LocaleFormats formats;
        formats.decimalSeparator = ',';
        SetLocaleFormats(formats);
    }
};

TEST_F(LexerTest, OperatorsSymbolsStringsAndNames) {
    EXPECT_EQ(Lex("A>=1 and [WEEK 1]<>'it''s'"), (Tokens{{TokenKind::tkSymbol, "A"},
                                                         {TokenKind::tkGE, ">="},
                                                         {TokenKind::tkNumber, "1"},
                                                         {TokenKind::tkSymbol, "and"},
                                                         {TokenKind::tkName, "WEEK 1"},
                                                         {TokenKind::tkNE, "<>"},
                                                         {TokenKind::tkString, "it's"}}));
    EXPECT_EQ(Lex("(<=<>,*/+=)"), (Tokens{{TokenKind::tkLParen, "("},
                                          {TokenKind::tkLE, "<="},
                                          {TokenKind::tkNE, "<>"},
                                          {TokenKind::tkComma, ","},
                                          {TokenKind::tkStar, "*"},
                                          {TokenKind::tkSlash, "/"},
                                          {TokenKind::tkPlus, "+"},
                                          {TokenKind::tkEQ, "="},
                                          {TokenKind::tkRParen, ")"}}));
    // Symbols run over letters, digits, "_", "." and brackets.
    EXPECT_EQ(Lex("_a.b[1]"), (Tokens{{TokenKind::tkSymbol, "_a.b[1]"}}));
    EXPECT_EQ(Lex("like In LIKEN"), (Tokens{{TokenKind::tkLike, "like"},
                                            {TokenKind::tkIn, "In"},
                                            {TokenKind::tkSymbol, "LIKEN"}}));
    EXPECT_EQ(Lex("''"), (Tokens{{TokenKind::tkString, ""}}));
}

TEST_F(LexerTest, MinusIsAnOperatorAfterAnOperandAndASignOtherwise) {
    EXPECT_EQ(Lex("A-1"), (Tokens{{TokenKind::tkSymbol, "A"},
                                  {TokenKind::tkMinus, "-"},
                                  {TokenKind::tkNumber, "1"}}));
    EXPECT_EQ(Lex("2-1")[1].first, TokenKind::tkMinus);
    EXPECT_EQ(Lex("'x'-1")[1].first, TokenKind::tkMinus);
    EXPECT_EQ(Lex("[A]-1")[1].first, TokenKind::tkMinus);
    EXPECT_EQ(Lex(")-1")[1].first, TokenKind::tkMinus);
    EXPECT_EQ(Lex("=-1")[1], std::make_pair(TokenKind::tkNumber, std::string("-1")));
    EXPECT_EQ(Lex("(-1")[1], std::make_pair(TokenKind::tkNumber, std::string("-1")));
    EXPECT_EQ(Lex("-2.5E-3"), (Tokens{{TokenKind::tkNumber, "-2.5E-3"}}));
    // A sign directly after E only: "1-2" is a subtraction.
    EXPECT_EQ(Lex("1e+5-2").size(), 3u);
}

TEST_F(LexerTest, NumbersUseTheLocaleDecimalSeparator) {
    EXPECT_EQ(Lex("1.5")[0].second, "1.5");
    UseDecimalComma();
    EXPECT_EQ(Lex("1,5"), (Tokens{{TokenKind::tkNumber, "1,5"}}));
    // "1.5" is then a number, a stray "." and a number... "." cannot start a token.
    EXPECT_EQ(LexError("1.5"), "Invalid filter expression character: '.'");
    // A "," before a blank ends the number, so lists with blanks still work.
    EXPECT_EQ(Lex("(1, 2, 3)"), (Tokens{{TokenKind::tkLParen, "("},
                                        {TokenKind::tkNumber, "1"},
                                        {TokenKind::tkComma, ","},
                                        {TokenKind::tkNumber, "2"},
                                        {TokenKind::tkComma, ","},
                                        {TokenKind::tkNumber, "3"},
                                        {TokenKind::tkRParen, ")"}}));
    EXPECT_EQ(Lex("(1,2)")[1].second, "1,2");
}

TEST_F(LexerTest, OneCommentIsSkippedBetweenTwoTokens) {
    EXPECT_EQ(Lex("/* note */ A"), (Tokens{{TokenKind::tkSymbol, "A"}}));
    EXPECT_EQ(Lex("A/**/=1").size(), 3u);
    // The second of two comments is read as tokens.
    EXPECT_EQ(Lex("/* a */ /* b */ A")[0].first, TokenKind::tkSlash);
    // A comment ends at its first "*".
    EXPECT_EQ(LexError("/* a*b */ A"), "Invalid filter expression character: 'b'");
    EXPECT_EQ(LexError("A /* open"), "Invalid filter expression character: '/'");
    EXPECT_EQ(LexError("A /* open *"), "Invalid filter expression character: '*'");
}

TEST_F(LexerTest, StringsKeepTheirFirst256Bytes) {
    const std::string longText(300, 'x');
    EXPECT_EQ(Lex("'" + longText + "'")[0].second, std::string(256, 'x'));
    // The doubled quote counts as one character.
    EXPECT_EQ(Lex("'" + std::string(255, 'x') + "'''")[0].second, std::string(255, 'x') + "'");
    // A double-byte character is never cut in half at the limit.
    const std::string chinese = ToCodePage("中");
    EXPECT_EQ(Lex("'" + std::string(255, 'x') + chinese + "'")[0].second, std::string(255, 'x'));
}

TEST_F(LexerTest, UnterminatedStringsAndNames) {
    EXPECT_EQ(LexError("'abc"), "Unterminated string constant");
    EXPECT_EQ(LexError("'abc''"), "Unterminated string constant");
    EXPECT_EQ(LexError("[abc"), "Unterminated field name");
    // A NUL inside ends the text there.
    EXPECT_EQ(LexError(std::string("'ab\0c'", 6)), "Unterminated string constant");
    EXPECT_EQ(LexError(std::string("[ab\0c]", 6)), "Unterminated field name");
}

TEST_F(LexerTest, BadCharactersAreNamed) {
    EXPECT_EQ(LexError("A # 1"), "Invalid filter expression character: '#'");
    EXPECT_EQ(LexError("A!"), "Invalid filter expression character: '!'");
    EXPECT_EQ(LexError(std::string("A\0B", 3)), "Invalid filter expression character: '#0'");
}

TEST_F(LexerTest, DoubleByteCharactersAreTakenWhole) {
    // GBK 0x81 0x5D: a character whose second byte is "]".
    const std::string bracketTrail("\x81\x5D", 2);
    EXPECT_EQ(Lex("[" + bracketTrail + "]"), (Tokens{{TokenKind::tkName, bracketTrail}}));
    EXPECT_EQ(Lex("A" + bracketTrail + "B"),
              (Tokens{{TokenKind::tkSymbol, "A" + bracketTrail + "B"}}));
    const std::string name = ToCodePage("周一名称");
    EXPECT_EQ(Lex(name + "='1'")[0], std::make_pair(TokenKind::tkSymbol, name));
    // A lead byte at the very end of the text is read alone, never past the end.
    EXPECT_EQ(Lex("A\x81"), (Tokens{{TokenKind::tkSymbol, "A\x81"}}));
}

TEST_F(LexerTest, OnASingleByteCodePageHighBytesStartButDoNotContinueSymbols) {
    SetDatabaseCodePage(1252);
    EXPECT_EQ(Lex("\xE9t\xE9"),
              (Tokens{{TokenKind::tkSymbol, "\xE9t"}, {TokenKind::tkSymbol, "\xE9"}}));
    // "]" after a high byte closes a bracketed name.
    EXPECT_EQ(Lex("[\x81]x]"), (Tokens{{TokenKind::tkName, "\x81"}, {TokenKind::tkSymbol, "x]"}}));
}

TEST_F(LexerTest, TokenTextsForMessages) {
    SyntaxParserBase lexer;
    lexer.SetSource("'a''b' [N]");
    lexer.NextToken();
    EXPECT_EQ(lexer.TokenTextForMessage(), "''a''b''");
    lexer.NextToken();
    EXPECT_EQ(lexer.TokenTextForMessage(), "'[N]'");
    lexer.NextToken();
    EXPECT_EQ(lexer.TokenTextForMessage(), "nothing");
    // The end stays the end.
    EXPECT_EQ(lexer.NextToken(), TokenKind::tkEnd);
    EXPECT_EQ(lexer.PreviousToken(), TokenKind::tkEnd);
}

}  // namespace
}  // namespace chimdb::testing
