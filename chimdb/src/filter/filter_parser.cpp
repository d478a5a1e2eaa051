#include "filter/filter_parser.h"

#include <array>
#include <charconv>
#include <cmath>
#include <mutex>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field.h"
#include "filter/date_time_reader.h"

namespace chimdb {

namespace {

constexpr std::string_view kTypeMismatch = "Type mismatch in expression";
constexpr std::string_view kNestedTooDeeply = "Filter expression nested too deeply";

[[noreturn]] void RaiseTypeMismatch() {
    RaiseError(kTypeMismatch);
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

struct FunctionName {
    std::string_view name;
    FunctionNumber number;
};

constexpr std::array<FunctionName, 13> kFunctions{{
    {"UPPER", FunctionNumber::fnUpper},
    {"LOWER", FunctionNumber::fnLower},
    {"TRIM", FunctionNumber::fnTrim},
    {"TRIMLEFT", FunctionNumber::fnTrimLeft},
    {"TRIMRIGHT", FunctionNumber::fnTrimRight},
    {"SUBSTRING", FunctionNumber::fnSubstring},
    {"YEAR", FunctionNumber::fnYear},
    {"MONTH", FunctionNumber::fnMonth},
    {"DAY", FunctionNumber::fnDay},
    {"HOUR", FunctionNumber::fnHour},
    {"MINUTE", FunctionNumber::fnMinute},
    {"SECOND", FunctionNumber::fnSecond},
    {"GETDATE", FunctionNumber::fnGetDate},
}};

FunctionNumber FunctionOf(std::string_view symbol) {
    for (const auto& function : kFunctions)
        if (SameWord(symbol, function.name))
            return function.number;
    return FunctionNumber::fnNone;
}

// Order of the numeric types in arithmetic: a result takes the wider of its operands.
int NumericRank(FieldType type) {
    switch (type) {
        case FieldType::ftSmallint:
            return 0;
        case FieldType::ftWord:
            return 1;
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
            return 2;
        case FieldType::ftLargeint:
            return 3;
        case FieldType::ftFloat:
            return 4;
        default:
            return 5;  // currency
    }
}

bool IsStringConstant(const ExprNode* node) {
    return node->kind == NodeKind::nkConst && IsStringKind(node->dataType);
}

bool IsTime(const ExprNode* node) {
    return node->dataType == FieldType::ftTime;
}

bool IsBoolean(const ExprNode* node) {
    return node->dataType == FieldType::ftBoolean;
}

// Gives a string constant the date/time value its text reads as (the kind from its text).
void ConvertToDateTime(ExprNode* constant) {
    const std::string text(constant->StringValue());
    const DateTimeKind kind = DateTimeReader::KindOfText(text);
    const double value = DateTimeReader().Convert(text, kind);
    constant->partialLength = -1;
    switch (kind) {
        case DateTimeKind::dkDate:
            constant->dataType = FieldType::ftDate;
            constant->SetDate(static_cast<std::int32_t>(value));
            break;
        case DateTimeKind::dkTime:
            constant->dataType = FieldType::ftTime;
            constant->SetTime(static_cast<std::int32_t>(value));
            break;
        case DateTimeKind::dkDateTime:
            constant->dataType = FieldType::ftDateTime;
            constant->SetDateTime(value);
            break;
    }
}

// A string constant facing a date/time value takes a date/time value itself.
void ConvertFacingConstant(ExprNode* left, ExprNode* right) {
    if (IsStringConstant(left) && IsDateTimeKind(right->dataType))
        ConvertToDateTime(left);
    else if (IsStringConstant(right) && IsDateTimeKind(left->dataType))
        ConvertToDateTime(right);
}

// Which values two operands of a comparison may be. A time against a date or a date-time
// compares a time of day with a day: the result would mean nothing, so it is refused.
bool Comparable(ExprNode* left, ExprNode* right, bool ordering) {
    ConvertFacingConstant(left, right);
    if (IsNumericType(left->dataType) && IsNumericType(right->dataType))
        return true;
    if (IsStringKind(left->dataType) && IsStringKind(right->dataType))
        return true;
    if (IsDateTimeKind(left->dataType) && IsDateTimeKind(right->dataType))
        return IsTime(left) == IsTime(right);
    if (IsBoolean(left) && IsBoolean(right))
        return !ordering;
    return false;
}

std::string TokenUtf8(const std::string& codePageBytes) {
    return FromCodePage(codePageBytes);
}

}  // namespace

// Counts the levels of parentheses, calls and lists the parser is in, so that a hostile text
// cannot make it recurse without bound.
class FilterParser::NestingGuard {
  public:
    explicit NestingGuard(int& nesting) : nesting_(nesting) {
        if (++nesting_ > kMaxNesting) {
            --nesting_;
            RaiseError(kNestedTooDeeply);
        }
    }
    ~NestingGuard() { --nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

  private:
    int& nesting_;
};

// The root must be a boolean: a filter accepts or rejects a record, and a lone number or text
// has no such meaning.
void FilterParser::Parse(std::string_view text) {
    nesting_ = 0;
    ExprParserBase::Parse(text);
    if (Root()->dataType != FieldType::ftBoolean) {
        MutableNodes().Clear();
        RaiseTypeMismatch();
    }
}

void FilterParser::KeepHeight(ExprNode& node) {
    int height = 0;
    for (const ExprNode* child : {node.left, node.right})
        if (child != nullptr)
            height = std::max(height, child->height);
    for (const ExprNode* arg : node.args)
        height = std::max(height, arg->height);
    node.height = height + 1;
    if (node.height > kMaxTreeHeight)
        RaiseError(kNestedTooDeeply);
}

ExprNode& FilterParser::NewOperator(ExprOperator op, FieldType type, ExprNode* left,
                                    ExprNode* right) {
    ExprNode& node = MutableNodes().NewNode(NodeKind::nkOperator, type);
    node.op = op;
    node.left = left;
    node.right = right;
    node.Allocate();
    KeepHeight(node);
    return node;
}

ExprNode* FilterParser::ParseExpression() {
    NestingGuard guard(nesting_);
    ExprNode* left = ParseAndTerm();
    while (Token() == TokenKind::tkSymbol && SameWord(TokenText(), "OR")) {
        NextToken();
        ExprNode* right = ParseAndTerm();
        left = &NewOperator(ExprOperator::toOR, CheckLogical(left, right), left, right);
    }
    return left;
}

ExprNode* FilterParser::ParseAndTerm() {
    ExprNode* left = ParseNotTerm();
    while (Token() == TokenKind::tkSymbol && SameWord(TokenText(), "AND")) {
        NextToken();
        ExprNode* right = ParseNotTerm();
        left = &NewOperator(ExprOperator::toAND, CheckLogical(left, right), left, right);
    }
    return left;
}

ExprNode* FilterParser::ParseNotTerm() {
    if (Token() == TokenKind::tkSymbol && SameWord(TokenText(), "NOT")) {
        NextToken();
        ExprNode* operand = ParseComparison();
        return &NewOperator(ExprOperator::toNOT, CheckLogical(operand, nullptr), operand, nullptr);
    }
    return ParseComparison();
}

ExprNode* FilterParser::ParseComparison() {
    ExprNode* left = ParseSum();
    ExprOperator op = ExprOperator::toNone;
    switch (Token()) {
        case TokenKind::tkEQ:
            op = ExprOperator::toEQ;
            break;
        case TokenKind::tkNE:
            op = ExprOperator::toNE;
            break;
        case TokenKind::tkLT:
            op = ExprOperator::toLT;
            break;
        case TokenKind::tkGT:
            op = ExprOperator::toGT;
            break;
        case TokenKind::tkLE:
            op = ExprOperator::toLE;
            break;
        case TokenKind::tkGE:
            op = ExprOperator::toGE;
            break;
        case TokenKind::tkLike:
            op = ExprOperator::toLIKE;
            break;
        case TokenKind::tkIn:
            return ParseInList(left);
        default:
            return left;
    }
    NextToken();
    ExprNode* right = ParseSum();
    return &NewOperator(op, CheckComparison(op, left, right), left, right);
}

ExprNode* FilterParser::ParseInList(ExprNode* left) {
    NestingGuard guard(nesting_);
    if (NextToken() != TokenKind::tkLParen)
        RaiseError("'(' expected but %s found", TokenTextForMessage());
    if (NextToken() == TokenKind::tkRParen)
        RaiseError("IN predicate list may not be empty");
    ExprNode& node = NewOperator(ExprOperator::toIN, FieldType::ftBoolean, left, nullptr);
    for (;;) {
        ExprNode* element = ParseExpression();
        if (!Comparable(left, element, false))
            RaiseTypeMismatch();
        node.args.push_back(element);
        if (Token() == TokenKind::tkComma) {
            NextToken();
            continue;
        }
        if (Token() == TokenKind::tkRParen)
            break;
        if (Token() == TokenKind::tkEnd)
            RaiseError("')' expected but %s found", TokenTextForMessage());
        RaiseError("')' or ',' expected but %s found", TokenTextForMessage());
    }
    NextToken();
    KeepHeight(node);
    return &node;
}

ExprNode* FilterParser::ParseSum() {
    ExprNode* left = ParseProduct();
    while (Token() == TokenKind::tkPlus || Token() == TokenKind::tkMinus) {
        const ExprOperator op =
            Token() == TokenKind::tkPlus ? ExprOperator::toADD : ExprOperator::toSUB;
        NextToken();
        ExprNode* right = ParseProduct();
        left = &NewOperator(op, CheckArithmetic(op, left, right), left, right);
    }
    return left;
}

ExprNode* FilterParser::ParseProduct() {
    ExprNode* left = ParseFactor();
    while (Token() == TokenKind::tkStar || Token() == TokenKind::tkSlash) {
        const ExprOperator op =
            Token() == TokenKind::tkStar ? ExprOperator::toMUL : ExprOperator::toDIV;
        NextToken();
        ExprNode* right = ParseFactor();
        left = &NewOperator(op, CheckArithmetic(op, left, right), left, right);
    }
    return left;
}

ExprNode* FilterParser::ParseFactor() {
    switch (Token()) {
        case TokenKind::tkSymbol: {
            const std::string symbol = TokenText();
            const FunctionNumber function = FunctionOf(symbol);
            if (function != FunctionNumber::fnNone && NextNonBlankIs('('))
                return ParseFunctionCall(function);
            if (SameWord(symbol, "TRUE") || SameWord(symbol, "FALSE")) {
                ExprNode& constant =
                    MutableNodes().NewNode(NodeKind::nkConst, FieldType::ftBoolean);
                constant.SetBoolean(SameWord(symbol, "TRUE"));
                NextToken();
                return &constant;
            }
            return ParseField(symbol);
        }
        case TokenKind::tkName:
            return ParseField(TokenText());
        case TokenKind::tkNumber:
            return ParseNumber();
        case TokenKind::tkString:
            return ParseStringConstant();
        case TokenKind::tkLParen:
            return ParseParenthesized();
        default:
            RaiseError("Expression expected but %s found", TokenTextForMessage());
    }
}

ExprNode* FilterParser::ParseParenthesized() {
    NextToken();
    ExprNode* inner = ParseExpression();
    if (Token() != TokenKind::tkRParen)
        RaiseError("')' expected but %s found", TokenTextForMessage());
    NextToken();
    return inner;
}

// A call cut off by the end of the text counts as closed there.
ExprNode* FilterParser::ParseFunctionCall(FunctionNumber function) {
    NestingGuard guard(nesting_);
    ExprNode& call = MutableNodes().NewNode(NodeKind::nkFunc, FieldType::ftUnknown);
    call.function = function;
    call.name = TokenUtf8(TokenText());
    NextToken();  // "("
    if (NextToken() == TokenKind::tkRParen) {
        NextToken();
    } else {
        while (Token() != TokenKind::tkEnd) {
            call.args.push_back(ParseExpression());
            if (Token() == TokenKind::tkComma) {
                NextToken();
                continue;
            }
            if (Token() == TokenKind::tkRParen) {
                NextToken();
                break;
            }
            if (Token() != TokenKind::tkEnd)
                RaiseError("')' or ',' expected but %s found", TokenTextForMessage());
        }
    }
    call.dataType = CheckFunction(call);
    call.Allocate();
    if (function == FunctionNumber::fnGetDate)
        call.SetDateTime(DateTimeValue(TodayDayNumber(), NowMsOfDay()));
    KeepHeight(call);
    return &call;
}

ExprNode* FilterParser::ParseNumber() {
    const std::string text = TokenText();
    ExprNode* constant = nullptr;
    std::int32_t integer = 0;
    const char* end = text.data() + text.size();
    if (auto [at, error] = std::from_chars(text.data(), end, integer);
        error == std::errc() && at == end) {
        constant = &MutableNodes().NewNode(NodeKind::nkConst, FieldType::ftInteger);
        constant->SetInteger(integer);
    } else {
        std::string plain = text;
        const char separator = DecimalSeparator();
        for (char& c : plain)
            if (c == separator)
                c = '.';
        double value = 0;
        const char* plainEnd = plain.data() + plain.size();
        auto [stop, failure] = std::from_chars(plain.data(), plainEnd, value);
        if (failure != std::errc() || stop != plainEnd || !std::isfinite(value))
            RaiseError("'%s' is not a valid floating point value", TokenUtf8(text));
        constant = &MutableNodes().NewNode(NodeKind::nkConst, FieldType::ftFloat);
        constant->SetFloat(value);
    }
    NextToken();
    return constant;
}

ExprNode* FilterParser::ParseStringConstant() {
    ExprNode& constant = MutableNodes().NewNode(NodeKind::nkConst, FieldType::ftString);
    constant.SetString(TokenText());
    const std::size_t star = TokenText().find('*');
    constant.partialLength = star == std::string::npos ? -1 : static_cast<int>(star);
    NextToken();
    return &constant;
}

ExprNode* FilterParser::ParseField(const std::string& codePageName) {
    const std::string name = TokenUtf8(codePageName);
    Field* field = source_.FindFilterField(name);
    if (field == nullptr)
        RaiseError("Field '%s' not found", name);
    ExprNode& node =
        MutableNodes().NewNode(NodeKind::nkField, static_cast<FieldType>(field->DataType()));
    node.name = name;
    node.field = field;
    node.fieldIndex = field->Index();
    node.isBlobField = field->IsBlob();
    NextToken();
    return &node;
}

FieldType FilterParser::CheckLogical(ExprNode* left, ExprNode* right) {
    if (!IsBoolean(left) || (right != nullptr && !IsBoolean(right)))
        RaiseTypeMismatch();
    return FieldType::ftBoolean;
}

FieldType FilterParser::CheckComparison(ExprOperator op, ExprNode* left, ExprNode* right) {
    if (op == ExprOperator::toLIKE) {
        if (!IsStringKind(left->dataType) || !IsStringKind(right->dataType))
            RaiseTypeMismatch();
        return FieldType::ftBoolean;
    }
    const bool ordering = op != ExprOperator::toEQ && op != ExprOperator::toNE;
    if (!Comparable(left, right, ordering))
        RaiseTypeMismatch();
    return FieldType::ftBoolean;
}

FieldType FilterParser::CheckArithmetic(ExprOperator op, ExprNode* left, ExprNode* right) {
    const FieldType l = left->dataType;
    const FieldType r = right->dataType;
    if (IsNumericType(l) && IsNumericType(r)) {
        if (op == ExprOperator::toDIV)
            return FieldType::ftFloat;
        const FieldType wider = NumericRank(l) >= NumericRank(r) ? l : r;
        if (wider == FieldType::ftSmallint || wider == FieldType::ftWord ||
            wider == FieldType::ftAutoInc)
            return FieldType::ftInteger;
        return wider;
    }
    if (IsStringKind(l)) {
        if (op == ExprOperator::toADD && IsStringKind(r))
            return FieldType::ftString;
        if (op == ExprOperator::toSUB && IsStringConstant(left) && IsDateTimeKind(r) &&
            DateTimeReader().ReadsAsDateTime(left->StringValue())) {
            ConvertToDateTime(left);
            return FieldType::ftFloat;
        }
        RaiseTypeMismatch();
    }
    if (IsDateTimeKind(l)) {
        if (op == ExprOperator::toADD && IsNumericType(r))
            return l;
        if (op != ExprOperator::toSUB)
            RaiseTypeMismatch();
        if (IsStringConstant(right))
            ConvertToDateTime(right);
        const FieldType subtrahend = right->dataType;
        if (!IsDateTimeKind(subtrahend) && !IsNumericType(subtrahend))
            RaiseTypeMismatch();
        const bool sameOrNumber = subtrahend == l || IsNumericType(subtrahend);
        if (sameOrNumber && (l == FieldType::ftDate || l == FieldType::ftTime))
            return FieldType::ftInteger;
        return FieldType::ftFloat;
    }
    RaiseTypeMismatch();
}

// SUBSTRING takes its start and count as integer constants; what a start before the text or
// beyond its end gives is the evaluator's matter.
FieldType FilterParser::CheckFunction(ExprNode& call) {
    const auto& args = call.args;
    const auto oneArgOf = [&](auto accepts) {
        if (args.size() != 1 || !accepts(args[0]->dataType))
            RaiseTypeMismatch();
    };
    switch (call.function) {
        case FunctionNumber::fnUpper:
        case FunctionNumber::fnLower:
        case FunctionNumber::fnTrim:
        case FunctionNumber::fnTrimLeft:
        case FunctionNumber::fnTrimRight:
            oneArgOf(IsStringKind);
            return FieldType::ftString;
        case FunctionNumber::fnSubstring: {
            const auto integerConstant = [](const ExprNode* node) {
                return node->kind == NodeKind::nkConst && IsIntegerType(node->dataType);
            };
            if (args.size() != 3 || !IsStringKind(args[0]->dataType) || !integerConstant(args[1]) ||
                !integerConstant(args[2]))
                RaiseTypeMismatch();
            return FieldType::ftString;
        }
        case FunctionNumber::fnYear:
        case FunctionNumber::fnMonth:
        case FunctionNumber::fnDay:
            oneArgOf(
                [](FieldType t) { return t == FieldType::ftDate || t == FieldType::ftDateTime; });
            return FieldType::ftInteger;
        case FunctionNumber::fnHour:
        case FunctionNumber::fnMinute:
        case FunctionNumber::fnSecond:
            oneArgOf(
                [](FieldType t) { return t == FieldType::ftTime || t == FieldType::ftDateTime; });
            return FieldType::ftInteger;
        case FunctionNumber::fnGetDate:
            if (!args.empty())
                RaiseTypeMismatch();
            return FieldType::ftDateTime;
        case FunctionNumber::fnNone:
            break;
    }
    RaiseTypeMismatch();
}

// ---- the parser a dataset gets ----

namespace {

std::mutex& FactoryMutex() {
    static std::mutex mutex;
    return mutex;
}

FilterParserFactory& Factory() {
    static FilterParserFactory factory;
    return factory;
}

}  // namespace

std::unique_ptr<FilterParser> CreateFilterParser(FilterRecordSource& source) {
    FilterParserFactory factory;
    {
        std::lock_guard lock(FactoryMutex());
        factory = Factory();
    }
    if (factory)
        return factory(source);
    return std::make_unique<FilterParser>(source);
}

void SetFilterParserFactory(FilterParserFactory factory) {
    std::lock_guard lock(FactoryMutex());
    Factory() = std::move(factory);
}

}  // namespace chimdb
