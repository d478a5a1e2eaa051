#include "filter/expr_evaluator.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "chimdb/code_page.h"
#include "chimdb/data_set.h"
#include "chimdb/database_error.h"
#include "chimdb/date_time_codec.h"
#include "chimdb/field.h"
#include "dataset/record_buffer.h"
#include "filter/like_matcher.h"
#include "table_io/optim_blob_stream.h"
#include "values/value_compare.h"

namespace chimdb {

namespace {

constexpr double kMsPerDayDouble = static_cast<double>(kMsPerDay);

constexpr char kMsgTextTooLong[] = "Text in filter expression longer than 65536 bytes";
constexpr char kMsgTooMuchTextWork[] =
    "Filter expression works through more than 16777216 bytes of text per record";

[[noreturn]] void RaiseTypeMismatch() {
    RaiseError("Type mismatch in expression");
}

bool IsBoolean(FieldType type) {
    return type == FieldType::ftBoolean;
}

// ---- dates and times ----

std::int32_t DayOfDateTime(double ms) {
    std::int32_t day = 0;
    std::int32_t msOfDay = 0;
    SplitDateTime(ms, day, msOfDay);
    return day;
}

std::int32_t TimeOfDayOfDateTime(double ms) {
    std::int32_t day = 0;
    std::int32_t msOfDay = 0;
    SplitDateTime(ms, day, msOfDay);
    return msOfDay;
}

// The time of day a value stands for when it meets a time: a date is at midnight.
std::int32_t TimeOfDayOf(const ExprNode& node) {
    switch (node.dataType) {
        case FieldType::ftTime:
            return node.TimeValue();
        case FieldType::ftDateTime:
            return TimeOfDayOfDateTime(node.DateTimeValue());
        default:
            return 0;
    }
}

int CompareDateTimes(const ExprNode& left, const ExprNode& right) {
    const FieldType l = left.dataType;
    const FieldType r = right.dataType;
    if (l == FieldType::ftTime || r == FieldType::ftTime) {
        if (l == r)
            return CompareMoments(left.TimeValue(), right.TimeValue());
        return CompareMoments(TimeOfDayOf(left), TimeOfDayOf(right));
    }
    if (l == FieldType::ftDate && r == FieldType::ftDate)
        return CompareDays(left.DateValue(), right.DateValue());
    if (l == FieldType::ftDate)
        return CompareDays(left.DateValue(), DayOfDateTime(right.DateTimeValue()));
    if (r == FieldType::ftDate)
        return CompareDays(DayOfDateTime(left.DateTimeValue()), right.DateValue());
    return CompareMoments(left.DateTimeValue(), right.DateTimeValue());
}

// ---- strings ----

int CompareStrings(const ExprNode& left, const ExprNode& right, const FilterOptions& options) {
    const std::string_view leftText = left.StringValue();
    const std::string_view rightText = right.StringValue();
    if (!options.noPartialCompare && right.kind == NodeKind::nkConst && right.partialLength >= 0) {
        // Only the characters before the "*" take part, on both sides: the constant's prefix
        // is the key, and the left value is cut to as many characters.
        const std::string_view prefix = rightText.substr(
            0, std::min(rightText.size(), static_cast<std::size_t>(right.partialLength)));
        return -CompareCodePageStrings(prefix, leftText, {options.caseInsensitive, true});
    }
    return CompareCodePageStrings(leftText, rightText, {options.caseInsensitive, false});
}

// Equality alone, which the comparison rules above decide sooner than order for most texts.
bool StringsEqual(const ExprNode& left, const ExprNode& right, const FilterOptions& options) {
    if (!options.noPartialCompare && right.kind == NodeKind::nkConst && right.partialLength >= 0)
        return CompareStrings(left, right, options) == 0;
    return CodePageStringsEqual(left.StringValue(), right.StringValue(),
                                {options.caseInsensitive, false});
}

std::string ChangeAsciiCase(std::string_view text, char from, char to) {
    std::string out(text);
    std::size_t at = 0;
    for (std::size_t length : CharacterLengths(text)) {
        if (length == 1 && out[at] >= from && out[at] <= static_cast<char>(from + 25))
            out[at] = static_cast<char>(out[at] - from + to);
        at += length;
    }
    return out;
}

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view TrimLeft(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsTrimmed(text[start]))
        ++start;
    return text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsTrimmed(text[end - 1]))
        --end;
    return text.substr(0, end);
}

// Characters from start (counted from 1), at most count of them.
std::string_view Substring(std::string_view text, std::int64_t start, std::int64_t count) {
    if (start < 1)
        start = 1;
    if (count < 1)
        return {};
    std::size_t from = 0;
    std::size_t size = 0;
    std::int64_t index = 1;
    for (std::size_t length : CharacterLengths(text)) {
        if (index >= start + count)
            break;
        if (index < start)
            from += length;
        else
            size += length;
        ++index;
    }
    return text.substr(from, size);
}

// ---- numbers ----

void StoreInteger(ExprNode& node, std::int64_t value) {
    std::int64_t low = std::numeric_limits<std::int32_t>::min();
    std::int64_t high = std::numeric_limits<std::int32_t>::max();
    if (node.dataType == FieldType::ftLargeint) {
        low = std::numeric_limits<std::int64_t>::min();
        high = std::numeric_limits<std::int64_t>::max();
    } else if (node.dataType == FieldType::ftSmallint) {
        low = std::numeric_limits<std::int16_t>::min();
        high = std::numeric_limits<std::int16_t>::max();
    } else if (node.dataType == FieldType::ftWord) {
        low = 0;
        high = std::numeric_limits<std::uint16_t>::max();
    }
    if (value < low || value > high)
        RaiseError("Integer overflow");
    node.SetInteger(value);
}

// A float result that does not fit a 64-bit integer counts as overflow for integer results.
void StoreIntegerFromDouble(ExprNode& node, double value) {
    if (!std::isfinite(value) || value < -9.2e18 || value > 9.2e18)
        RaiseError("Integer overflow");
    StoreInteger(node, static_cast<std::int64_t>(value));
}

void StoreFloat(ExprNode& node, double value, double left, double right) {
    if (std::isinf(value) && std::isfinite(left) && std::isfinite(right))
        RaiseError("Floating point overflow");
    node.SetFloat(value);
}

std::int64_t IntegerOperation(ExprOperator op, std::int64_t left, std::int64_t right) {
    std::int64_t result = 0;
    bool overflow = false;
    switch (op) {
        case ExprOperator::toADD:
            overflow = __builtin_add_overflow(left, right, &result);
            break;
        case ExprOperator::toSUB:
            overflow = __builtin_sub_overflow(left, right, &result);
            break;
        case ExprOperator::toMUL:
            overflow = __builtin_mul_overflow(left, right, &result);
            break;
        default:
            RaiseTypeMismatch();
    }
    if (overflow)
        RaiseError("Integer overflow");
    return result;
}

double FloatOperation(ExprOperator op, double left, double right) {
    switch (op) {
        case ExprOperator::toADD:
            return left + right;
        case ExprOperator::toSUB:
            return left - right;
        case ExprOperator::toMUL:
            return left * right;
        case ExprOperator::toDIV:
            if (right == 0.0)
                RaiseError("Floating point division by zero");
            return left / right;
        default:
            RaiseTypeMismatch();
    }
}

// Whole days (or milliseconds) of a number, as the date arithmetic moves by them.
double Truncated(double value) {
    return std::trunc(value);
}

// Writes a date/time arithmetic result in the node's type: value is in the unit of that type
// (days for dates and integers from dates, ms otherwise).
void StoreMoment(ExprNode& node, double value) {
    switch (node.dataType) {
        case FieldType::ftDate:
            if (!std::isfinite(value))
                RaiseError("Invalid floating point operation");
            if (std::fabs(value) > 2.0e9)
                RaiseError("Integer overflow");
            node.SetDate(static_cast<std::int32_t>(value));
            return;
        case FieldType::ftTime: {
            // A stored float may hold anything, NaN and infinities included.
            if (!std::isfinite(value))
                RaiseError("Invalid floating point operation");
            double ms = std::fmod(value, kMsPerDayDouble);
            if (ms < 0)
                ms += kMsPerDayDouble;
            if (ms >= kMsPerDayDouble)  // a tiny negative rounds up to a whole day
                ms = 0;
            node.SetTime(static_cast<std::int32_t>(ms));
            return;
        }
        case FieldType::ftDateTime:
            node.SetDateTime(value);
            return;
        default:
            if (IsIntegerType(node.dataType))
                StoreIntegerFromDouble(node, value);
            else
                node.SetFloat(value);
            return;
    }
}

}  // namespace

bool ExprEvaluator::IsTrue(ExprNode& root) {
    Evaluate(root);
    return BooleanOf(root);
}

bool ExprEvaluator::BooleanOf(const ExprNode& node) {
    if (!IsBoolean(node.dataType))
        RaiseTypeMismatch();
    return node.BooleanValue();
}

namespace {

bool IsLeaf(const ExprNode* node) {
    return node != nullptr && (node->kind == NodeKind::nkConst || node->kind == NodeKind::nkField);
}

// The operators whose two operands are both evaluated before Combine.
bool IsBinaryOperator(ExprOperator op) {
    switch (op) {
        case ExprOperator::toNone:
        case ExprOperator::toNOT:
        case ExprOperator::toAND:
        case ExprOperator::toOR:
        case ExprOperator::toIN:
            return false;
        default:
            return true;
    }
}

}  // namespace

// Depth first without recursion: each pending node sits on a work list with the number of
// operands it has been given so far, so that the depth of a tree never meets the limits of
// the thread's stack.
void ExprEvaluator::Evaluate(ExprNode& root) {
    if (EvaluateShallow(root, kShallowDepth))
        return;
    pending_.clear();
    pending_.push_back({&root, 0});
    while (!pending_.empty()) {
        const Step step = pending_.back();
        pending_.pop_back();
        Advance(*step.node, step.stage);
    }
}

// The shapes most filters have (comparisons of fields with constants, joined by AND, OR and
// NOT a few levels deep) evaluated by direct calls, in the order the work list would take;
// false, with nothing evaluated, for any other shape, which the work list then evaluates.
bool ExprEvaluator::EvaluateShallow(ExprNode& node, int depth) {
    if (!IsShallow(&node, depth))
        return false;
    switch (node.kind) {
        case NodeKind::nkConst:
            return true;
        case NodeKind::nkField:
            EvaluateField(node);
            return true;
        default:
            break;
    }
    switch (node.op) {
        case ExprOperator::toNOT:
            EvaluateShallow(*node.left, depth - 1);
            node.SetBoolean(!BooleanOf(*node.left));
            return true;
        case ExprOperator::toAND:
        case ExprOperator::toOR: {
            EvaluateShallow(*node.left, depth - 1);
            const bool left = BooleanOf(*node.left);
            if (left == (node.op == ExprOperator::toOR)) {
                node.SetBoolean(left);
                return true;
            }
            EvaluateShallow(*node.right, depth - 1);
            node.SetBoolean(BooleanOf(*node.right));
            return true;
        }
        default:
            Advance(*node.left, 0);
            Advance(*node.right, 0);
            Combine(node, *node.left, *node.right);
            return true;
    }
}

// Leaves, comparisons of two leaves, and NOT, AND and OR over such, at most depth levels.
bool ExprEvaluator::IsShallow(const ExprNode* node, int depth) {
    if (node == nullptr || depth < 0)
        return false;
    if (IsLeaf(node))
        return true;
    if (node->kind != NodeKind::nkOperator)
        return false;
    switch (node->op) {
        case ExprOperator::toNOT:
            return IsShallow(node->left, depth - 1);
        case ExprOperator::toAND:
        case ExprOperator::toOR:
            return IsShallow(node->left, depth - 1) && IsShallow(node->right, depth - 1);
        default:
            return IsBinaryOperator(node->op) && IsLeaf(node->left) && IsLeaf(node->right);
    }
}

void ExprEvaluator::Push(ExprNode& node, int stage, ExprNode* operand) {
    if (operand == nullptr)
        RaiseTypeMismatch();
    pending_.push_back({&node, stage});
    pending_.push_back({operand, 0});
}

void ExprEvaluator::Advance(ExprNode& node, int stage) {
    switch (node.kind) {
        case NodeKind::nkConst:
            return;
        case NodeKind::nkField:
            EvaluateField(node);
            return;
        case NodeKind::nkFunc:
            if (node.function == FunctionNumber::fnGetDate)
                return;  // the moment of parsing, set by the parser
            if (static_cast<std::size_t>(stage) < node.args.size()) {
                Push(node, stage + 1, node.args[static_cast<std::size_t>(stage)]);
                return;
            }
            EvaluateFunction(node);
            return;
        case NodeKind::nkOperator:
            AdvanceOperator(node, stage);
            return;
    }
}

// Stage 0 evaluates the left operand; AND and OR then decide whether the right one is needed;
// IN compares with one element per stage and stops at the first equal one.
void ExprEvaluator::AdvanceOperator(ExprNode& node, int stage) {
    if (stage == 0) {
        // A comparison of a field with a constant (most of every filter) is done at once,
        // without the work list.
        if (IsBinaryOperator(node.op) && IsLeaf(node.left) && IsLeaf(node.right)) {
            Advance(*node.left, 0);
            Advance(*node.right, 0);
            Combine(node, *node.left, *node.right);
            return;
        }
        Push(node, 1, node.left);
        return;
    }
    switch (node.op) {
        case ExprOperator::toNOT:
            node.SetBoolean(!BooleanOf(*node.left));
            return;
        case ExprOperator::toAND:
        case ExprOperator::toOR:
            if (stage == 1) {
                const bool left = BooleanOf(*node.left);
                if (left == (node.op == ExprOperator::toOR)) {
                    node.SetBoolean(left);
                    return;
                }
                Push(node, 2, node.right);
                return;
            }
            node.SetBoolean(BooleanOf(*node.right));
            return;
        case ExprOperator::toIN: {
            const auto done = static_cast<std::size_t>(stage - 1);
            if (done > 0 && Compare(*node.left, *node.args[done - 1]) == 0) {
                node.SetBoolean(true);
                return;
            }
            if (done == node.args.size()) {
                node.SetBoolean(false);
                return;
            }
            Push(node, stage + 1, node.args[done]);
            return;
        }
        default:
            break;
    }
    if (stage == 1) {
        Push(node, 2, node.right);
        return;
    }
    Combine(node, *node.left, *node.right);
}

// A plain field is read where it lies in the record; a memo or blob field's content is
// copied into the node. Without a record (or a calculated field without a value) the value
// is empty or zero.
void ExprEvaluator::EvaluateField(ExprNode& node) {
    Field* field = node.field;
    if (field == nullptr)
        RaiseError("Field '%s' not found", node.name);
    RecordBuffer* buffer = field->Owner().ActiveRecordBuffer();
    if (node.isBlobField || field->IsBlob()) {
        node.PointAt(nullptr, 0);
        OptimBlobStream* stream =
            buffer ? buffer->BlobStream(static_cast<std::size_t>(field->Index())) : nullptr;
        if (stream == nullptr) {
            node.SetString({});
            return;
        }
        const auto content = stream->Content();
        CountTextWork(content.size());
        node.SetString(
            std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
        return;
    }
    if (stored_ != nullptr && !field->Calculated()) {
        const std::span<const std::uint8_t> value =
            stored_->Field(static_cast<std::size_t>(field->FieldNo()));
        node.PointAt(value.data(), value.size());
        return;
    }
    const std::uint8_t* at = buffer ? buffer->Data() + field->Offset() : nullptr;
    if (at != nullptr && field->Calculated())
        at = at[0] != 0 ? at + 1 : nullptr;
    if (at == nullptr) {
        node.PointAt(nullptr, 0);
        node.Allocate(static_cast<std::size_t>(field->DataSize()));
        return;
    }
    node.PointAt(at, static_cast<std::size_t>(field->DataSize()));
}

void ExprEvaluator::Combine(ExprNode& node, const ExprNode& left, const ExprNode& right) {
    switch (node.op) {
        case ExprOperator::toEQ:
            node.SetBoolean(Equal(left, right));
            return;
        case ExprOperator::toNE:
            node.SetBoolean(!Equal(left, right));
            return;
        case ExprOperator::toLT:
            node.SetBoolean(Compare(left, right) < 0);
            return;
        case ExprOperator::toGT:
            node.SetBoolean(Compare(left, right) > 0);
            return;
        case ExprOperator::toLE:
            node.SetBoolean(Compare(left, right) <= 0);
            return;
        case ExprOperator::toGE:
            node.SetBoolean(Compare(left, right) >= 0);
            return;
        case ExprOperator::toLIKE:
            node.SetBoolean(Like(left, right));
            return;
        case ExprOperator::toADD:
        case ExprOperator::toSUB:
        case ExprOperator::toMUL:
        case ExprOperator::toDIV:
            Arithmetic(node, left, right);
            return;
        default:
            RaiseTypeMismatch();
    }
}

bool ExprEvaluator::Equal(const ExprNode& left, const ExprNode& right) {
    if (IsStringKind(left.dataType) && IsStringKind(right.dataType)) {
        CountTextWork(left.StringValue().size() + right.StringValue().size());
        return StringsEqual(left, right, options_);
    }
    return Compare(left, right) == 0;
}

int ExprEvaluator::Compare(const ExprNode& left, const ExprNode& right) {
    const FieldType l = left.dataType;
    const FieldType r = right.dataType;
    if (IsStringKind(l) && IsStringKind(r)) {
        CountTextWork(left.StringValue().size() + right.StringValue().size());
        return CompareStrings(left, right, options_);
    }
    if (IsIntegerType(l) && IsIntegerType(r))
        return CompareIntegers(left.IntegerValue(), right.IntegerValue());
    if (IsNumericType(l) && IsNumericType(r))
        return CompareNumbers(left.NumericValue(), right.NumericValue());
    if (IsBoolean(l) && IsBoolean(r))
        return CompareBooleans(left.BooleanValue(), right.BooleanValue());
    if (IsDateTimeKind(l) && IsDateTimeKind(r))
        return CompareDateTimes(left, right);
    RaiseTypeMismatch();
}

bool ExprEvaluator::Like(const ExprNode& text, const ExprNode& pattern) {
    if (!IsStringKind(text.dataType) || !IsStringKind(pattern.dataType))
        RaiseTypeMismatch();
    CountTextWork(text.StringValue().size() + pattern.StringValue().size());
    const std::size_t allowedSteps = (kMaxTextWork - textWork_) / kLikeStepWork;
    std::size_t steps = 0;
    std::optional<bool> matches = LikeMatcher(pattern.StringValue(), options_.caseInsensitive)
                                      .MatchesWithin(text.StringValue(), allowedSteps, steps);
    if (!matches)
        RaiseError(kMsgTooMuchTextWork);
    CountTextWork(steps * kLikeStepWork);
    return *matches;
}

void ExprEvaluator::CountTextWork(std::size_t bytes) {
    if (bytes > kMaxTextWork - textWork_)
        RaiseError(kMsgTooMuchTextWork);
    textWork_ += bytes;
}

// A text that an operator or function built: refused when too long, counted as work.
std::string_view ExprEvaluator::BuiltText(std::string_view text) {
    if (text.size() > kMaxTextBytes)
        RaiseError(kMsgTextTooLong);
    CountTextWork(text.size());
    return text;
}

void ExprEvaluator::Arithmetic(ExprNode& node, const ExprNode& left, const ExprNode& right) {
    if (IsStringKind(left.dataType) && IsStringKind(right.dataType)) {
        if (node.op != ExprOperator::toADD)
            RaiseTypeMismatch();
        // Refused before the text is built.
        if (left.StringValue().size() + right.StringValue().size() > kMaxTextBytes)
            RaiseError(kMsgTextTooLong);
        std::string joined(left.StringValue());
        joined += right.StringValue();
        node.SetString(BuiltText(joined));
        return;
    }
    if (IsDateTimeKind(left.dataType)) {
        DateTimeArithmetic(node, left, right);
        return;
    }
    if (IsNumericType(left.dataType) && IsNumericType(right.dataType)) {
        NumericArithmetic(node, left, right);
        return;
    }
    RaiseTypeMismatch();
}

void ExprEvaluator::NumericArithmetic(ExprNode& node, const ExprNode& left,
                                      const ExprNode& right) const {
    if (node.op != ExprOperator::toDIV && IsIntegerType(node.dataType) &&
        IsIntegerType(left.dataType) && IsIntegerType(right.dataType)) {
        StoreInteger(node, IntegerOperation(node.op, left.IntegerValue(), right.IntegerValue()));
        return;
    }
    const double a = left.NumericValue();
    const double b = right.NumericValue();
    const double value = FloatOperation(node.op, a, b);
    if (IsIntegerType(node.dataType))
        StoreIntegerFromDouble(node, value);
    else
        StoreFloat(node, value, a, b);
}

void ExprEvaluator::DateTimeArithmetic(ExprNode& node, const ExprNode& left,
                                       const ExprNode& right) const {
    const FieldType l = left.dataType;
    const FieldType r = right.dataType;
    const bool subtract = node.op == ExprOperator::toSUB;
    if (!subtract && node.op != ExprOperator::toADD)
        RaiseTypeMismatch();
    if (IsNumericType(r)) {
        const double amount = Truncated(right.NumericValue());
        const double sign = subtract ? -1.0 : 1.0;
        if (l == FieldType::ftDate)
            StoreMoment(node, left.DateValue() + sign * amount);
        else if (l == FieldType::ftTime)
            StoreMoment(node, left.TimeValue() + sign * amount);
        else
            StoreMoment(node, left.DateTimeValue() + sign * amount * kMsPerDayDouble);
        return;
    }
    if (!subtract || !IsDateTimeKind(r))
        RaiseTypeMismatch();
    if (l == FieldType::ftDate && r == FieldType::ftDate) {
        // Whole days; the node's type says integer (or float for a converted constant).
        StoreMoment(node, static_cast<double>(left.DateValue()) - right.DateValue());
        return;
    }
    if (l == FieldType::ftTime) {
        StoreMoment(node, static_cast<double>(left.TimeValue()) - TimeOfDayOf(right));
        return;
    }
    if (r == FieldType::ftTime) {
        StoreMoment(node, left.MomentValue() - right.TimeValue());
        return;
    }
    StoreMoment(node, left.MomentValue() - right.MomentValue());
}

// The arguments are evaluated already.
void ExprEvaluator::EvaluateFunction(ExprNode& node) {
    if (node.args.empty())
        RaiseTypeMismatch();
    const ExprNode& first = *node.args.front();
    switch (node.function) {
        case FunctionNumber::fnUpper:
            node.SetString(BuiltText(ChangeAsciiCase(BuiltText(first.StringValue()), 'a', 'A')));
            return;
        case FunctionNumber::fnLower:
            node.SetString(BuiltText(ChangeAsciiCase(BuiltText(first.StringValue()), 'A', 'a')));
            return;
        case FunctionNumber::fnTrim:
            node.SetString(BuiltText(TrimRight(TrimLeft(first.StringValue()))));
            return;
        case FunctionNumber::fnTrimLeft:
            node.SetString(BuiltText(TrimLeft(first.StringValue())));
            return;
        case FunctionNumber::fnTrimRight:
            node.SetString(BuiltText(TrimRight(first.StringValue())));
            return;
        case FunctionNumber::fnSubstring:
            if (node.args.size() != 3)
                RaiseTypeMismatch();
            CountTextWork(first.StringValue().size());
            node.SetString(BuiltText(Substring(first.StringValue(), node.args[1]->IntegerValue(),
                                               node.args[2]->IntegerValue())));
            return;
        default:
            break;
    }
    // The parts of dates and times.
    const bool isDateTime = first.dataType == FieldType::ftDateTime;
    std::int32_t day = 0;
    std::int32_t msOfDay = 0;
    if (isDateTime)
        SplitDateTime(first.DateTimeValue(), day, msOfDay);
    else if (first.dataType == FieldType::ftDate)
        day = first.DateValue();
    else if (first.dataType == FieldType::ftTime)
        msOfDay = first.TimeValue();
    else
        RaiseTypeMismatch();
    const CivilDate date = DateFromDayNumber(day);
    const TimeOfDay time = TimeOfDayFromMs(msOfDay);
    switch (node.function) {
        case FunctionNumber::fnYear:
            node.SetInteger(date.year);
            return;
        case FunctionNumber::fnMonth:
            node.SetInteger(date.month);
            return;
        case FunctionNumber::fnDay:
            node.SetInteger(date.day);
            return;
        case FunctionNumber::fnHour:
            node.SetInteger(time.hour);
            return;
        case FunctionNumber::fnMinute:
            node.SetInteger(time.minute);
            return;
        case FunctionNumber::fnSecond:
            node.SetInteger(time.second);
            return;
        default:
            RaiseTypeMismatch();
    }
}

}  // namespace chimdb
