#pragma once

#include <memory>
#include <vector>

#include "filter/expr_node.h"

namespace chimdb {

// Every node of one parse, freed together; the root is the parse result.
class ExprNodes {
  public:
    ExprNode& NewNode(NodeKind kind, FieldType dataType);
    // Frees every node; the root goes with them.
    void Clear();
    std::size_t Count() const { return nodes_.size(); }

    ExprNode* Root() const { return root_; }
    void SetRoot(ExprNode* root) { root_ = root; }

  private:
    std::vector<std::unique_ptr<ExprNode>> nodes_;
    ExprNode* root_ = nullptr;
};

}  // namespace chimdb
