#include "filter/syntax_parser_base.h"

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "values/locale_formats.h"

namespace chimdb {

namespace {

constexpr int kShiftJis = 932;

bool IsDoubleByteCodePage(int codePage) {
    return codePage == kShiftJis || codePage == 936 || codePage == 949 || codePage == 950 ||
           codePage == 1361;
}

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(unsigned char c) {
    return c >= 1 && c <= 32;
}

bool SameWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != word[i])
            return false;
    }
    return true;
}

}  // namespace

void SyntaxParserBase::SetSource(std::string_view codePageText) {
    source_.assign(codePageText);
    position_ = 0;
    tokenStart_ = 0;
    token_ = TokenKind::tkEnd;
    previousToken_ = TokenKind::tkEnd;
    tokenText_.clear();
    decimalSeparator_ = CurrentLocaleFormats().decimalSeparator;
    codePage_ = DatabaseCodePage();
}

unsigned char SyntaxParserBase::Peek(std::size_t offset) const {
    const std::size_t at = position_ + offset;
    return at < source_.size() ? static_cast<unsigned char>(source_[at]) : 0;
}

bool SyntaxParserBase::IsLeadByte(unsigned char byte) const {
    if (!IsDoubleByteCodePage(codePage_))
        return false;
    if (codePage_ == kShiftJis)
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    return byte >= 0x81 && byte <= 0xFE;
}

bool SyntaxParserBase::IsKatakana(unsigned char byte) const {
    return codePage_ == kShiftJis && byte >= 0xA1 && byte <= 0xDF;
}

std::size_t SyntaxParserBase::CharacterLength(std::size_t at) const {
    if (at + 1 < source_.size() && IsLeadByte(static_cast<unsigned char>(source_[at])))
        return 2;
    return 1;
}

void SyntaxParserBase::SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek()))
        ++position_;
}

// A comment runs from "/*" to the first "*", which must be followed by "/"; so a comment
// cannot hold a "*". A comment without its end cannot start a token.
void SyntaxParserBase::SkipComment() {
    const std::size_t opener = position_;
    position_ += 2;
    while (!AtEnd() && Peek() != '*')
        position_ += CharacterLength(position_);
    if (AtEnd())
        RaiseInvalidCharacter(opener);
    if (Peek(1) != '/')
        RaiseInvalidCharacter(position_ + 1 < source_.size() ? position_ + 1 : position_);
    position_ += 2;
}

TokenKind SyntaxParserBase::NextToken() {
    SkipBlanks();
    if (Peek() == '/' && Peek(1) == '*') {
        SkipComment();
        SkipBlanks();
    }
    tokenStart_ = position_;
    previousToken_ = token_;
    tokenText_.clear();
    if (AtEnd()) {
        token_ = TokenKind::tkEnd;
        return token_;
    }
    const unsigned char first = Peek();
    if (first == '\'') {
        ReadString();
    } else if (first == '[') {
        ReadFieldName();
    } else if (first == '-') {
        switch (previousToken_) {
            case TokenKind::tkSymbol:
            case TokenKind::tkName:
            case TokenKind::tkNumber:
            case TokenKind::tkString:
            case TokenKind::tkRParen:
                ReadOperator();
                break;
            default:
                ReadNumber();
                break;
        }
    } else if (IsDigit(first)) {
        ReadNumber();
    } else if (IsAsciiLetter(first) || first == '_' || (first >= 0x81 && first <= 0xFE)) {
        ReadSymbol();
    } else {
        ReadOperator();
    }
    return token_;
}

// A NUL inside a string or a bracketed name ends the text there: the value could not hold
// it, and the rest would be lost unseen.
void SyntaxParserBase::ReadString() {
    ++position_;
    for (;;) {
        if (AtEnd() || Peek() == 0)
            RaiseError("Unterminated string constant");
        if (Peek() == '\'') {
            if (Peek(1) != '\'')
                break;
            if (tokenText_.size() < kMaxStringLength)
                tokenText_.push_back('\'');
            position_ += 2;
            continue;
        }
        const std::size_t length = CharacterLength(position_);
        if (tokenText_.size() + length <= kMaxStringLength)
            tokenText_.append(source_, position_, length);
        position_ += length;
    }
    ++position_;
    token_ = TokenKind::tkString;
}

void SyntaxParserBase::ReadFieldName() {
    ++position_;
    const std::size_t nameStart = position_;
    while (!AtEnd() && Peek() != ']') {
        if (Peek() == 0)
            RaiseError("Unterminated field name");
        position_ += CharacterLength(position_);
    }
    if (AtEnd())
        RaiseError("Unterminated field name");
    tokenText_.assign(source_, nameStart, position_ - nameStart);
    ++position_;
    token_ = TokenKind::tkName;
}

void SyntaxParserBase::ReadNumber() {
    if (Peek() == '-')
        ++position_;
    while (!AtEnd()) {
        const unsigned char c = Peek();
        const unsigned char before =
            position_ > tokenStart_ ? static_cast<unsigned char>(source_[position_ - 1]) : 0;
        const bool sign = (c == '+' || c == '-') && (before == 'E' || before == 'e');
        if (!IsDigit(c) && c != 'E' && c != 'e' && c != decimalSeparator_ && !sign)
            break;
        ++position_;
    }
    // With "," as the separator, "1, 2" lists two numbers: a "," before a blank ends one.
    if (decimalSeparator_ == ',' && position_ > tokenStart_ && source_[position_ - 1] == ',' &&
        IsBlank(Peek()))
        --position_;
    tokenText_.assign(source_, tokenStart_, position_ - tokenStart_);
    token_ = TokenKind::tkNumber;
}

void SyntaxParserBase::ReadSymbol() {
    position_ += CharacterLength(position_);
    while (!AtEnd()) {
        const unsigned char c = Peek();
        if (IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '[' || c == ']' ||
            IsKatakana(c)) {
            ++position_;
        } else if (IsLeadByte(c)) {
            position_ += CharacterLength(position_);
        } else {
            break;
        }
    }
    tokenText_.assign(source_, tokenStart_, position_ - tokenStart_);
    if (SameWord(tokenText_, "LIKE"))
        token_ = TokenKind::tkLike;
    else if (SameWord(tokenText_, "IN"))
        token_ = TokenKind::tkIn;
    else
        token_ = TokenKind::tkSymbol;
}

void SyntaxParserBase::ReadOperator() {
    const unsigned char c = Peek();
    const unsigned char next = Peek(1);
    std::size_t length = 1;
    switch (c) {
        case '(':
            token_ = TokenKind::tkLParen;
            break;
        case ')':
            token_ = TokenKind::tkRParen;
            break;
        case ',':
            token_ = TokenKind::tkComma;
            break;
        case '*':
            token_ = TokenKind::tkStar;
            break;
        case '+':
            token_ = TokenKind::tkPlus;
            break;
        case '-':
            token_ = TokenKind::tkMinus;
            break;
        case '/':
            token_ = TokenKind::tkSlash;
            break;
        case '=':
            token_ = TokenKind::tkEQ;
            break;
        case '<':
            token_ = next == '='   ? TokenKind::tkLE
                     : next == '>' ? TokenKind::tkNE
                                   : TokenKind::tkLT;
            length = token_ == TokenKind::tkLT ? 1 : 2;
            break;
        case '>':
            token_ = next == '=' ? TokenKind::tkGE : TokenKind::tkGT;
            length = token_ == TokenKind::tkGE ? 2 : 1;
            break;
        default:
            RaiseInvalidCharacter(position_);
    }
    position_ += length;
    tokenText_.assign(source_, tokenStart_, length);
}

void SyntaxParserBase::RaiseInvalidCharacter(std::size_t at) const {
    const unsigned char c = at < source_.size() ? static_cast<unsigned char>(source_[at]) : 0;
    if (c == 0)
        RaiseError("Invalid filter expression character: '%s'", "#0");
    RaiseError("Invalid filter expression character: '%s'",
               FromCodePage(std::string_view(source_).substr(at, CharacterLength(at))));
}

std::string SyntaxParserBase::TokenTextForMessage() const {
    if (token_ == TokenKind::tkEnd)
        return "nothing";
    return "'" +
           FromCodePage(std::string_view(source_).substr(tokenStart_, position_ - tokenStart_)) +
           "'";
}

bool SyntaxParserBase::NextNonBlankIs(char c) const {
    std::size_t at = position_;
    while (at < source_.size() && IsBlank(static_cast<unsigned char>(source_[at])))
        ++at;
    return at < source_.size() && source_[at] == c;
}

}  // namespace chimdb
