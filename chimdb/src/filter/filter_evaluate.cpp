// The evaluation side of the filter parser: the tree of the last parse against the record in
// the dataset's filter buffer.
#include "filter/expr_evaluator.h"
#include "filter/filter_parser.h"

namespace chimdb {

bool FilterParser::Evaluate(const FilterOptions& options) {
    ExprNode* root = Root();
    if (root == nullptr)
        return true;  // nothing parsed: nothing to test against
    evaluator_.Restart(options);
    return evaluator_.IsTrue(*root);
}

bool FilterParser::EvaluateStored(const FilterOptions& options, const StoredFields& stored) {
    ExprNode* root = Root();
    if (root == nullptr)
        return true;
    evaluator_.Restart(options, &stored);
    const bool accepted = evaluator_.IsTrue(*root);
    evaluator_.Restart(options);
    return accepted;
}

}  // namespace chimdb
