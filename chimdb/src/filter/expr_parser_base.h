#pragma once

#include <string_view>

#include "chimdb/filter_options.h"
#include "filter/expr_nodes.h"
#include "filter/syntax_parser_base.h"

namespace chimdb {

// The node list of one parse and the parse and evaluate entry points; the grammar belongs
// to the derived parser.
class ExprParserBase : public SyntaxParserBase {
  public:
    // Deepest nesting of parentheses and function calls, and the greatest height of the
    // tree: the parser and a depth-first evaluation recurse once per level.
    static constexpr int kMaxNesting = 256;
    static constexpr int kMaxTreeHeight = 1024;

    // Parses a UTF-8 text: frees the previous nodes, reads the first token, parses one
    // expression and requires the end of the text ("Filter expression incorrectly
    // terminated"). The text is first converted to the database code page and the lexer
    // reads those bytes, so double-byte characters are taken whole as in stored values; a
    // character the code page cannot hold raises "Invalid filter expression character".
    // On failure no tree is left.
    virtual void Parse(std::string_view text);
    // The value of the root for the record in the filter buffer.
    virtual bool Evaluate(const FilterOptions& options) = 0;

    ExprNode* Root() const { return nodes_.Root(); }
    const ExprNodes& Nodes() const { return nodes_; }

  protected:
    // Parses one expression starting at the current token; returns its root.
    virtual ExprNode* ParseExpression() = 0;
    ExprNodes& MutableNodes() { return nodes_; }

  private:
    ExprNodes nodes_;
};

}  // namespace chimdb
