#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "chimdb/filter_options.h"
#include "filter/expr_node.h"
#include "filter/stored_fields.h"

namespace chimdb {

// Evaluates a checked expression tree depth first (with a work list of its own, so that no
// depth of tree can exhaust the thread's stack) against the record that the fields' dataset
// shows in its active buffer (the filter buffer while a filter is applied). Every node leaves
// its value in its own buffer; field nodes read the record in place, memo and blob fields
// keep their text. AND and OR evaluate their right operand only when it can change the result.
//
// Comparisons use the store's comparison functions (value_compare), so a filter orders and
// equates values exactly as the indexes do:
// - strings by the locale collation, case ignored with caseInsensitive; unless
//   noPartialCompare, a string constant on the right (also an IN element) that holds a "*"
//   compares only the characters before it, in both operands;
// - numbers by value across all numeric types; booleans by equality (false before true);
// - dates by day; a date against a date-time by the date-time's day;
// - times and date-times by moment, equal within 1000 ms;
// - the parser refuses a time against a date or a date-time; should a tree hold one, the time
//   is compared with the other's time of day (a date's is midnight).
//
// Arithmetic (the parser has fixed each result type):
// - numbers in the result type; an integer result that does not fit raises "Integer
//   overflow"; "/" divides as floating point and a zero divisor raises "Floating point
//   division by zero"; a finite float computation that overflows raises "Floating point
//   overflow"; a NaN or infinity (a stored float may hold one) where a date or time must
//   come out raises "Invalid floating point operation";
// - string + string concatenates;
// - date-time ± number moves by the number truncated to whole days ("-" gives the moment
//   as a float of milliseconds); date ± number moves by whole days too; time ± number moves
//   by whole milliseconds ("+" wraps around midnight);
// - date − date gives days, time − time and date-time − date-time milliseconds; in any other
//   pairing a date counts as its midnight and a date-time as its moment; a time on the right
//   is a span of milliseconds, a time on the left faces the other's time of day.
//
// Functions: UPPER/LOWER change the single-byte letters a-z / A-Z only (the bytes of
// double-byte characters stay as they are); TRIM, TRIMLEFT, TRIMRIGHT drop bytes of codes up
// to 32; SUBSTRING counts characters from 1 (a start below 1 counts as 1, a start past the
// end or a count below 1 gives an empty text); YEAR..SECOND take the parts of dates and
// times; GETDATE keeps the value it was given when parsed.
//
// The work on texts is bounded, so that no filter text makes a record's evaluation hang or
// grow memory without end (constants are short, but + and functions build texts from texts):
// a text that an operator or function would build longer than kMaxTextBytes raises "Text in
// filter expression longer than 65536 bytes", and one evaluation (one record) that reads,
// builds and compares more than kMaxTextWork bytes of text raises "Filter expression works
// through more than 16777216 bytes of text per record". A LIKE step (a pattern character
// against a text character) counts kLikeStepWork bytes.
class ExprEvaluator {
  public:
    static constexpr std::size_t kMaxTextBytes = 65536;
    static constexpr std::size_t kMaxTextWork = 16 * 1024 * 1024;
    static constexpr std::size_t kLikeStepWork = 16;

    explicit ExprEvaluator(const FilterOptions& options) : options_(options) {}

    // For the next record, with these options: the work on texts counts from zero again, and
    // the work list keeps its room (a pass evaluates one tree for every record).
    // stored: where the fields of the record are read (nullptr: the dataset's record buffer).
    void Restart(const FilterOptions& options, const StoredFields* stored = nullptr) {
        options_ = options;
        textWork_ = 0;
        stored_ = stored;
    }

    // Evaluates the tree under root and returns its value as a boolean.
    bool IsTrue(ExprNode& root);
    // Evaluates node and its operands; the value is then in node's buffer.
    void Evaluate(ExprNode& node);

  private:
    // A node waiting for its operands, and how many of them are evaluated.
    struct Step {
        ExprNode* node;
        int stage;
    };

    // How deep EvaluateShallow goes; the work list takes anything deeper.
    static constexpr int kShallowDepth = 4;
    bool EvaluateShallow(ExprNode& node, int depth);
    static bool IsShallow(const ExprNode* node, int depth);
    void Push(ExprNode& node, int stage, ExprNode* operand);
    void Advance(ExprNode& node, int stage);
    void AdvanceOperator(ExprNode& node, int stage);
    static bool BooleanOf(const ExprNode& node);
    void EvaluateField(ExprNode& node);
    void EvaluateFunction(ExprNode& node);
    // A binary operator whose operands are evaluated.
    void Combine(ExprNode& node, const ExprNode& left, const ExprNode& right);

    // -1, 0, 1 for left less / equal / more, by the comparison rules above.
    int Compare(const ExprNode& left, const ExprNode& right);
    bool Equal(const ExprNode& left, const ExprNode& right);
    bool Like(const ExprNode& text, const ExprNode& pattern);

    // The bounds on text work (see above).
    void CountTextWork(std::size_t bytes);
    std::string_view BuiltText(std::string_view text);

    void Arithmetic(ExprNode& node, const ExprNode& left, const ExprNode& right);
    void NumericArithmetic(ExprNode& node, const ExprNode& left, const ExprNode& right) const;
    void DateTimeArithmetic(ExprNode& node, const ExprNode& left, const ExprNode& right) const;

    FilterOptions options_;
    const StoredFields* stored_ = nullptr;
    std::vector<Step> pending_;
    std::size_t textWork_ = 0;
};

}  // namespace chimdb
