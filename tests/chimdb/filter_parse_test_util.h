#pragma once

// A closed table with declared fields of every kind the filter language checks, and a
// rendering of parsed trees that shows their shape and types.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "chimdb/chim_table.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "filter/filter_parser.h"

namespace chimdb::testing {

inline std::string OperatorText(ExprOperator op) {
    switch (op) {
        case ExprOperator::toEQ:
            return "=";
        case ExprOperator::toNE:
            return "<>";
        case ExprOperator::toGT:
            return ">";
        case ExprOperator::toLT:
            return "<";
        case ExprOperator::toGE:
            return ">=";
        case ExprOperator::toLE:
            return "<=";
        case ExprOperator::toNOT:
            return "NOT";
        case ExprOperator::toAND:
            return "AND";
        case ExprOperator::toOR:
            return "OR";
        case ExprOperator::toADD:
            return "+";
        case ExprOperator::toSUB:
            return "-";
        case ExprOperator::toMUL:
            return "*";
        case ExprOperator::toDIV:
            return "/";
        case ExprOperator::toLIKE:
            return "LIKE";
        case ExprOperator::toIN:
            return "IN";
        default:
            return "?";
    }
}

// Prefix form: fields by name, integer and string constants by value, operators and calls as
// name(operands).
inline std::string Render(const ExprNode* node) {
    if (node == nullptr)
        return "null";
    switch (node->kind) {
        case NodeKind::nkField:
            return node->name;
        case NodeKind::nkConst:
            if (IsIntegerType(node->dataType))
                return std::to_string(node->IntegerValue());
            if (node->dataType == FieldType::ftBoolean)
                return node->BooleanValue() ? "True" : "False";
            if (node->dataType == FieldType::ftString)
                return "'" + std::string(node->StringValue()) + "'";
            return "#" + std::to_string(node->NumericValue());
        case NodeKind::nkFunc:
        case NodeKind::nkOperator: {
            std::string text = node->kind == NodeKind::nkFunc ? node->name : OperatorText(node->op);
            text += "(";
            std::string separator;
            for (const ExprNode* operand : {node->left, node->right}) {
                if (operand != nullptr) {
                    text += separator + Render(operand);
                    separator = ",";
                }
            }
            for (const ExprNode* arg : node->args) {
                text += separator + Render(arg);
                separator = ",";
            }
            return text + ")";
        }
    }
    return "?";
}

inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError& error) {
        return error.what();
    }
    return "no error";
}

// Fields: NAME (string 20), FIX (fixed string 4), SI (small integer), N (integer), W (word),
// ID (auto-increment), L (large integer), F (float), C (currency), B (boolean), D (date),
// T (time), DT (date-time), NOTE (memo), RINGPROJECT, WEEK3, RINGTIME (the program's fields).
class FilterParseTest : public ::testing::Test {
  protected:
    FilterParseTest() {
        Add("NAME", FieldType::ftString, 20);
        Add("FIX", FieldType::ftFixedChar, 4);
        Add("SI", FieldType::ftSmallint);
        Add("N", FieldType::ftInteger);
        Add("W", FieldType::ftWord);
        Add("ID", FieldType::ftAutoInc);
        Add("L", FieldType::ftLargeint);
        Add("F", FieldType::ftFloat);
        Add("C", FieldType::ftCurrency);
        Add("B", FieldType::ftBoolean);
        Add("D", FieldType::ftDate);
        Add("T", FieldType::ftTime);
        Add("DT", FieldType::ftDateTime);
        Add("NOTE", FieldType::ftMemo);
        Add("RINGPROJECT", FieldType::ftString, 20);
        Add("WEEK3", FieldType::ftString, 1);
        Add("RINGTIME", FieldType::ftTime);
    }

    void Add(const char* name, FieldType type, std::int32_t size = 0) {
        table_.AddField(name, static_cast<std::uint8_t>(type), size);
    }

    // The rendered tree of a text that must parse.
    std::string Tree(const std::string& text) {
        parser_.Parse(text);
        return Render(parser_.Root());
    }
    std::string Error(const std::string& text) {
        return ErrorOf([&] { parser_.Parse(text); });
    }
    const ExprNode& Root(const std::string& text) {
        parser_.Parse(text);
        return *parser_.Root();
    }

    ChimTable table_;
    FilterParser parser_{table_};
};

}  // namespace chimdb::testing
