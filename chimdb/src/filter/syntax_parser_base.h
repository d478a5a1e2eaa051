#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace chimdb {

enum class TokenKind {
    tkEnd,
    tkSymbol,
    tkName,  // bracketed field name; the text is what lies between the brackets
    tkNumber,
    tkString,  // the text is the value, quotes undoubled
    tkLParen,
    tkRParen,
    tkComma,
    tkEQ,
    tkNE,
    tkGE,
    tkLE,
    tkGT,
    tkLT,
    tkPlus,
    tkMinus,
    tkStar,
    tkSlash,
    tkLike,
    tkIn,
};

// The lexer of filter expressions. It works on the text in the database code page, so that
// a double-byte character (in identifiers, names and strings) is always taken whole.
class SyntaxParserBase {
  public:
    // Longest string constant kept; the rest of a longer one is read and dropped.
    static constexpr std::size_t kMaxStringLength = 256;

    virtual ~SyntaxParserBase() = default;

    // Starts over on a text of code-page bytes (copied). The first token is not read yet.
    void SetSource(std::string_view codePageText);
    // Reads the next token; after the end of the text it stays at tkEnd.
    TokenKind NextToken();

    TokenKind Token() const { return token_; }
    TokenKind PreviousToken() const { return previousToken_; }
    // Code-page bytes: a symbol or number as written, a string's value, a name's inside.
    const std::string& TokenText() const { return tokenText_; }
    std::size_t TokenStart() const { return tokenStart_; }
    std::size_t Position() const { return position_; }
    // The token for messages: its source text (UTF-8) in single quotes, or "nothing" at
    // the end of the text.
    std::string TokenTextForMessage() const;
    // The decimal separator numbers were read with (the locale's, taken at SetSource).
    char DecimalSeparator() const { return decimalSeparator_; }
    // Whether only blanks lie between the current position and the given character.
    bool NextNonBlankIs(char c) const;

  private:
    void SkipBlanks();
    void SkipComment();
    void ReadString();
    void ReadFieldName();
    void ReadNumber();
    void ReadSymbol();
    void ReadOperator();
    [[noreturn]] void RaiseInvalidCharacter(std::size_t at) const;
    bool AtEnd() const { return position_ >= source_.size(); }
    unsigned char Peek(std::size_t offset = 0) const;
    // Bytes the character at a position takes (2 for a lead byte with its trail byte).
    std::size_t CharacterLength(std::size_t at) const;
    bool IsLeadByte(unsigned char byte) const;
    // Single-byte katakana of the Japanese code page, letters of identifiers there.
    bool IsKatakana(unsigned char byte) const;

    std::string source_;
    std::size_t position_ = 0;
    std::size_t tokenStart_ = 0;
    TokenKind token_ = TokenKind::tkEnd;
    TokenKind previousToken_ = TokenKind::tkEnd;
    std::string tokenText_;
    char decimalSeparator_ = '.';
    int codePage_ = 0;
};

}  // namespace chimdb
