#include "jet/recordset/recordset_filter.h"

#include <optional>
#include <utility>

#include "jet/error.h"
#include "jet/sql/functions/binary_ops.h"
#include "jet/sql/functions/value_ops.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"
#include "jet/sql/like.h"
#include "jet/sql/parser/parser.h"

namespace jet {

struct RecordFilter::Node {
    enum class Kind { Literal, Column, Unary, Binary, Between, InList, IsNull, Like };
    Kind kind = Kind::Literal;
    Value value;        // Literal
    size_t column = 0;  // Column
    sql::UnaryOp unaryOp = sql::UnaryOp::Not;
    sql::BinaryOp binaryOp = sql::BinaryOp::Equal;
    bool negated = false;
    std::optional<LikePattern> pattern;  // Like with a literal pattern
    std::vector<std::unique_ptr<Node>> operands;
};

namespace {

using Node = RecordFilter::Node;
using NodePtr = std::unique_ptr<Node>;

[[noreturn]] void throwUnknownField(const std::string& name) {
    throw Error(ErrorCode::NotFound, "Unknown field name: '" + name + "'.");
}

size_t resolveColumn(const sql::Expr& expr, const std::vector<sql::ResultColumn>& columns) {
    std::string full;
    for (size_t i = 0; i < expr.names.size(); ++i) {
        if (i > 0) full += '.';
        full += expr.names[i];
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        if (compareTextNoCase(columns[i].name, full) == 0) return i;
    }
    // A qualified name also finds the column by its own name ("T.F" as F).
    if (expr.names.size() > 1) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (compareTextNoCase(columns[i].name, expr.name()) == 0) return i;
        }
    }
    throwUnknownField(full);
}

// The filter's LIKE wildcards rewritten into Access's: * and % any run, ?
// and _ one character; every other character, # and [ included, stands for
// itself, because the filter builders put user text into patterns as is.
std::string accessPatternOf(std::string_view filterPattern) {
    std::string out;
    for (char c : filterPattern) {
        switch (c) {
            case '%':
                out += '*';
                break;
            case '_':
                out += '?';
                break;
            case '#':
                out += "[#]";
                break;
            case '[':
                out += "[[]";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool isComparison(sql::BinaryOp op) {
    return op >= sql::BinaryOp::Equal && op <= sql::BinaryOp::GreaterEqual;
}

class Compiler {
public:
    Compiler(const std::vector<sql::ResultColumn>& columns, bool caseSensitive)
        : columns_(columns), caseSensitive_(caseSensitive) {}

    NodePtr compile(const sql::Expr& expr) {
        auto node = std::make_unique<Node>();
        node->negated = expr.negated;
        switch (expr.kind) {
            case sql::ExprKind::Literal:
                node->kind = Node::Kind::Literal;
                node->value = expr.value;
                return node;
            case sql::ExprKind::Column:
                node->kind = Node::Kind::Column;
                node->column = resolveColumn(expr, columns_);
                return node;
            case sql::ExprKind::Unary:
                node->kind = Node::Kind::Unary;
                node->unaryOp = expr.unaryOp;
                break;
            case sql::ExprKind::Binary:
                node->kind = Node::Kind::Binary;
                node->binaryOp = expr.binaryOp;
                break;
            case sql::ExprKind::Between:
                node->kind = Node::Kind::Between;
                break;
            case sql::ExprKind::InList:
                node->kind = Node::Kind::InList;
                break;
            case sql::ExprKind::IsNull:
                node->kind = Node::Kind::IsNull;
                break;
            case sql::ExprKind::Like:
                node->kind = Node::Kind::Like;
                break;
            case sql::ExprKind::Function:
                throw Error(ErrorCode::Unsupported,
                            "Undefined function '" + expr.name() + "' in expression.");
            default:
                throw Error(ErrorCode::Unsupported, "This expression cannot be used in a filter.");
        }
        for (const sql::ExprPtr& operand : expr.operands)
            node->operands.push_back(compile(*operand));
        // A signed number ("(Id = -1)") is worked out once, not for each row.
        if (node->kind == Node::Kind::Unary && node->unaryOp != sql::UnaryOp::Not &&
            node->operands[0]->kind == Node::Kind::Literal &&
            isNumberValue(node->operands[0]->value)) {
            Value folded = node->unaryOp == sql::UnaryOp::Negate ? negate(node->operands[0]->value)
                                                                 : node->operands[0]->value;
            node->operands.clear();
            node->kind = Node::Kind::Literal;
            node->value = std::move(folded);
            return node;
        }
        readQuotedDates(*node);
        if (node->kind == Node::Kind::Like) compileLike(*node, expr.wildcards);
        return node;
    }

private:
    // A quoted date text compared with a date column is read in the one fixed
    // format, so "2024-03-05" never depends on a locale's day/month order.
    void readQuotedDates(Node& node) {
        const bool compares = (node.kind == Node::Kind::Binary && isComparison(node.binaryOp)) ||
                              node.kind == Node::Kind::Between || node.kind == Node::Kind::InList;
        if (!compares || node.operands.empty()) return;
        const Node& subject = *node.operands[0];
        std::vector<size_t> dateColumns;
        for (const NodePtr& operand : node.operands) {
            if (operand->kind == Node::Kind::Column && isDateColumn(operand->column)) {
                dateColumns.push_back(operand->column);
            }
        }
        if (dateColumns.empty()) return;
        // Only texts set against a date column: the subject, or (for a
        // plain comparison) either side.
        const bool subjectIsDate =
            subject.kind == Node::Kind::Column && isDateColumn(subject.column);
        for (size_t i = 0; i < node.operands.size(); ++i) {
            Node& operand = *node.operands[i];
            if (operand.kind != Node::Kind::Literal || !operand.value.is<std::string>()) continue;
            if (i > 0 && !subjectIsDate) continue;
            if (i == 0 && node.kind != Node::Kind::Binary) continue;
            const std::optional<double> days =
                sql::parseFilterDate(operand.value.as<std::string>());
            if (!days) throwTypeMismatch();
            operand.value = Value::dateTime(*days);
        }
    }

    bool isDateColumn(size_t column) const { return columns_[column].type == DataType::DateTime; }

    void compileLike(Node& node, sql::LikeWildcards wildcards) {
        Node& pattern = *node.operands[1];
        if (wildcards == sql::LikeWildcards::Filter && pattern.kind == Node::Kind::Literal &&
            pattern.value.is<std::string>()) {
            pattern.value = Value::text(accessPatternOf(pattern.value.as<std::string>()));
        }
        if (pattern.kind == Node::Kind::Literal && pattern.value.is<std::string>()) {
            node.pattern.emplace(pattern.value.as<std::string>(), LikeDialect::Access,
                                 caseSensitive_);
        }
    }

    const std::vector<sql::ResultColumn>& columns_;
    bool caseSensitive_;
};

class Evaluator {
public:
    Evaluator(const std::vector<Value>& values, bool caseSensitive,
              std::optional<SortOrderKind> textOrder)
        : values_(values) {
        options_.caseSensitive = caseSensitive;
        options_.convertText = true;
        options_.textOrder = textOrder;
    }

    // The value of a node; a column or a literal is read in place instead of
    // copied (a text value would otherwise be copied for every row).
    const Value& ref(const Node& node, Value& holder) const {
        if (node.kind == Node::Kind::Column) return values_.at(node.column);
        if (node.kind == Node::Kind::Literal) return node.value;
        holder = eval(node);
        return holder;
    }

    Value eval(const Node& node) const {
        switch (node.kind) {
            case Node::Kind::Literal:
                return node.value;
            case Node::Kind::Column:
                return values_.at(node.column);
            case Node::Kind::Unary:
                return unary(node);
            case Node::Kind::Binary:
                return binary(node);
            case Node::Kind::Between: {
                Value held, low, high;
                const Value& v = ref(*node.operands[0], held);
                const Value inside = logicalAnd(
                    compare(CompareOp::GreaterEqual, v, ref(*node.operands[1], low), options_),
                    compare(CompareOp::LessEqual, v, ref(*node.operands[2], high), options_));
                return node.negated ? logicalNot(inside) : inside;
            }
            case Node::Kind::InList: {
                Value held, item;
                const Value& v = ref(*node.operands[0], held);
                Value found = Value::boolean(false);
                for (size_t i = 1; i < node.operands.size(); ++i) {
                    found = logicalOr(found, compare(CompareOp::Equal, v,
                                                     ref(*node.operands[i], item), options_));
                }
                return node.negated ? logicalNot(found) : found;
            }
            case Node::Kind::IsNull: {
                Value held;
                const bool isNull = ref(*node.operands[0], held).isNull();
                return Value::boolean(node.negated ? !isNull : isNull);
            }
            case Node::Kind::Like:
                return like(node);
        }
        return Value();
    }

private:
    Value unary(const Node& node) const {
        const Value v = eval(*node.operands[0]);
        switch (node.unaryOp) {
            case sql::UnaryOp::Negate:
                return negate(v);
            case sql::UnaryOp::Plus:
                return v;
            case sql::UnaryOp::Not:
                return logicalNot(v);
        }
        return Value();
    }

    Value binary(const Node& node) const {
        Value heldA, heldB;
        const Value& a = ref(*node.operands[0], heldA);
        const Value& b = ref(*node.operands[1], heldB);
        return sql::applyBinaryOp(node.binaryOp, a, b, options_);
    }

    Value like(const Node& node) const {
        Value held, heldPattern;
        const Value& text = ref(*node.operands[0], held);
        Value matched;
        if (node.pattern && text.is<std::string>()) {
            matched = Value::boolean(node.pattern->matches(text.as<std::string>()));
        } else {
            matched = likeOperator(text, ref(*node.operands[1], heldPattern), LikeDialect::Access,
                                   options_.caseSensitive);
        }
        return node.negated ? logicalNot(matched) : matched;
    }

    const std::vector<Value>& values_;
    CompareOptions options_;
};

}  // namespace

RecordFilter::RecordFilter() = default;
RecordFilter::RecordFilter(RecordFilter&&) noexcept = default;
RecordFilter& RecordFilter::operator=(RecordFilter&&) noexcept = default;
RecordFilter::~RecordFilter() = default;

RecordFilter RecordFilter::compile(std::string_view text,
                                   const std::vector<sql::ResultColumn>& columns,
                                   bool caseSensitive, std::optional<SortOrderKind> textOrder) {
    const sql::ExprPtr expr = sql::parseFilterText(text);
    RecordFilter filter;
    filter.root_ = Compiler(columns, caseSensitive).compile(*expr);
    filter.caseSensitive_ = caseSensitive;
    filter.textOrder_ = textOrder;
    filter.usesColumn_.assign(columns.size(), false);
    markColumns(*filter.root_, filter.usesColumn_);
    return filter;
}

void RecordFilter::markColumns(const Node& node, std::vector<bool>& uses) {
    if (node.kind == Node::Kind::Column) uses.at(node.column) = true;
    for (const auto& operand : node.operands) markColumns(*operand, uses);
}

bool RecordFilter::passes(const std::vector<Value>& values) const {
    try {
        const Value result = Evaluator(values, caseSensitive_, textOrder_).eval(*root_);
        return truthOf(result).value_or(false);
    } catch (const Error&) {
        // A value this row holds cannot be compared as asked: the row fails.
        return false;
    }
}

}  // namespace jet
