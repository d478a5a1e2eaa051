#include "filter/expr_nodes.h"

namespace chimdb {

ExprNode& ExprNodes::NewNode(NodeKind kind, FieldType dataType) {
    nodes_.push_back(std::make_unique<ExprNode>(kind, dataType));
    return *nodes_.back();
}

void ExprNodes::Clear() {
    root_ = nullptr;
    nodes_.clear();
}

}  // namespace chimdb
