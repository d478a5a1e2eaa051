#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "chimdb/filter_options.h"
#include "chimdb/filter_record_source.h"
#include "filter/expr_evaluator.h"
#include "filter/expr_parser_base.h"

namespace chimdb {

// The filter language of a dataset: the grammar with its type checks (filter_parser.cpp)
// and the evaluation of the tree against the record in the filter buffer (Evaluate, in
// filter_evaluate.cpp). One parser per dataset.
//
// The tree it builds, as the evaluator finds it:
// - field nodes: name (UTF-8), field, fieldIndex, isBlobField, dataType of the field;
// - constants: their value in the node's buffer; string constants keep their code-page bytes
//   and partialLength; integers are ftInteger, other numbers ftFloat; True/False ftBoolean;
//   a string constant that faces a date/time value is already converted to ftDate, ftTime
//   or ftDateTime;
// - operators: op, left (and right) operand, result dataType (booleans for NOT, AND, OR,
//   comparisons, LIKE and IN); IN keeps its elements in args;
// - functions: function, name, args, result dataType (UPPER ... TRIMRIGHT and SUBSTRING a
//   string; YEAR ... SECOND an integer; GETDATE a date-time whose value is set when parsed).
//   SUBSTRING's start and count are integer constants.
// - the root is always boolean: a text whose value is not a boolean (a lone field name, a
//   sum) is refused at parse time with "Type mismatch in expression".
class FilterParser : public ExprParserBase {
  public:
    explicit FilterParser(FilterRecordSource& source) : source_(source) {}

    // Parses text (UTF-8, not empty); raises the parse error and keeps nothing on failure.
    void Parse(std::string_view text) override;
    // The value of the last parsed expression for the record in the filter buffer.
    bool Evaluate(const FilterOptions& options) override;
    // The same for a record whose fields are read where they are stored (no field of the tree
    // may be a blob or calculated field).
    bool EvaluateStored(const FilterOptions& options, const StoredFields& stored);

    FilterRecordSource& Source() const { return source_; }

  protected:
    ExprNode* ParseExpression() override;

  private:
    class NestingGuard;

    ExprEvaluator evaluator_{FilterOptions{}};

    ExprNode* ParseAndTerm();
    ExprNode* ParseNotTerm();
    ExprNode* ParseComparison();
    ExprNode* ParseInList(ExprNode* left);
    ExprNode* ParseSum();
    ExprNode* ParseProduct();
    ExprNode* ParseFactor();
    ExprNode* ParseFunctionCall(FunctionNumber function);
    ExprNode* ParseNumber();
    ExprNode* ParseStringConstant();
    ExprNode* ParseField(const std::string& codePageName);
    ExprNode* ParseParenthesized();

    ExprNode& NewOperator(ExprOperator op, FieldType type, ExprNode* left, ExprNode* right);
    // Checks the operands of each kind of node and gives its result type (or raises
    // "Type mismatch in expression"); string constants facing a date/time value are
    // converted in place.
    FieldType CheckLogical(ExprNode* left, ExprNode* right);
    FieldType CheckComparison(ExprOperator op, ExprNode* left, ExprNode* right);
    FieldType CheckArithmetic(ExprOperator op, ExprNode* left, ExprNode* right);
    FieldType CheckFunction(ExprNode& call);
    // Whether two operands can be compared by "=" (numbers, strings, dates and times, or
    // booleans), converting a string constant that faces a date/time value.
    bool SuitForEquality(ExprNode* left, ExprNode* right);
    void RequireNestingRoom();
    void KeepHeight(ExprNode& node);

    FilterRecordSource& source_;
    int nesting_ = 0;
};

using FilterParserFactory = std::function<std::unique_ptr<FilterParser>(FilterRecordSource&)>;

// The parser every new dataset gets: the one installed by SetFilterParserFactory (stand-ins
// in tests), or else the filter language.
std::unique_ptr<FilterParser> CreateFilterParser(FilterRecordSource& source);
// Installs a factory (nullptr: back to the filter language).
void SetFilterParserFactory(FilterParserFactory factory);

}  // namespace chimdb
