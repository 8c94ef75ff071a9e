// Evaluating bound expressions on a row, subqueries included.
#include "jet/format/sort_order.h"
#include "jet/format/text_codec.h"
#include "jet/sql/executor/executor_internal.h"
#include "jet/sql/functions/binary_ops.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"
#include "jet/table/index_cursor.h"
#include "jet/value_text.h"

namespace jet::sql::detail {
namespace {

bool isTrue(const Value& v) {
    return truthOf(v).value_or(false);
}
bool isFalse(const Value& v) {
    auto t = truthOf(v);
    return t.has_value() && !*t;
}

}  // namespace

Value ExecContext::orderKey(const BoundExpr& expr, const Frame& frame) {
    Value value = evaluate(expr, frame);
    if (!value.is<std::string>()) return value;
    std::vector<uint8_t> key;
    appendTextKeyOfUtf8(key, value.as<std::string>(), textOrder(), true);
    return Value::binary(std::move(key));
}

SortOrderKind ExecContext::textOrder() const {
    if (!compareOptions.textOrder) return textSortOrderOf(db);
    return *compareOptions.textOrder;
}

TextCollation ExecContext::textCollation() const {
    const SortOrderKind order = textOrder();
    return [order](std::string_view a, std::string_view b) {
        return compareTextInSortOrder(a, b, order);
    };
}

ValueOrder ExecContext::valueOrder() const {
    return ValueOrder(textCollation());
}

bool ExecContext::passes(const BoundExpr& condition, const Frame& frame) {
    return isTrue(evaluate(condition, frame));
}

const QueryResult& ExecContext::subqueryResult(const BoundQuery& query, const Frame& frame,
                                               std::shared_ptr<QueryResult>& holder) {
    if (query.correlated) {
        holder = std::make_shared<QueryResult>(run(query, &frame));
        return *holder;
    }
    auto& cached = cache_[&query];
    if (!cached) cached = std::make_shared<QueryResult>(run(query, nullptr));
    return *cached;
}

// value IN (candidates): True on a match; otherwise Null when the value or
// a candidate is Null, else False.
Value ExecContext::inValues(const Value& value, const std::vector<Value>& candidates) {
    if (value.isNull()) return Value::null();
    // Membership is equality, which needs no sort keys (see compare()).
    CompareOptions equality = compareOptions;
    equality.textOrder.reset();
    bool sawNull = false;
    for (const Value& c : candidates) {
        if (c.isNull()) {
            sawNull = true;
            continue;
        }
        if (compareValues(value, c, equality) == 0) return Value::boolean(true);
    }
    return sawNull ? Value::null() : Value::boolean(false);
}

Value ExecContext::evaluateOutput(const BoundExpr& expr, const Frame& frame) {
    try {
        return evaluate(expr, frame);
    } catch (const EvaluationError&) {
        return Value::error();
    }
}

const std::vector<ComplexColumnReader*>& ExecContext::outputReaders(const BoundSelect& select) {
    auto found = outputReaders_.find(&select);
    if (found != outputReaders_.end()) return found->second;
    std::vector<ComplexColumnReader*> readers(select.outputs.size(), nullptr);
    for (size_t i = 0; i < select.outputs.size(); ++i) {
        const BoundExpr& e = *select.outputs[i];
        if (e.kind != BoundKind::Column || e.depth != 0) continue;
        for (const BoundSource& source : select.sources) {
            if (!source.table || e.column < source.columnOffset ||
                e.column >= source.columnOffset + source.columns.size()) {
                continue;
            }
            const size_t c = e.column - source.columnOffset;
            const jet::ColumnDef& column = source.table->columns[c];
            if (column.type != DataType::Complex) break;
            auto& reader = readers_[{source.table.get(), c}];
            if (!reader)
                reader = std::make_unique<ComplexColumnReader>(databaseOf(db, source),
                                                               *source.table, column);
            const ComplexKind kind = reader->info().kind;
            if (kind == ComplexKind::MultiValue || kind == ComplexKind::Attachment) {
                readers[i] = reader.get();
            }
            break;
        }
    }
    return outputReaders_.emplace(&select, std::move(readers)).first->second;
}

bool ExecContext::showsMultiValues(const BoundSelect& select, size_t i) {
    const auto& readers = outputReaders(select);
    return i < readers.size() && readers[i] != nullptr;
}

std::vector<Value> ExecContext::outputValues(const BoundSelect& select, const Frame& frame) {
    const std::vector<ComplexColumnReader*>& readers = outputReaders(select);
    std::vector<Value> values;
    values.reserve(select.outputs.size());
    for (size_t i = 0; i < select.outputs.size(); ++i) {
        Value v = evaluateOutput(*select.outputs[i], frame);
        if (readers[i] && v.is<int64_t>()) v = complexValuesText(*readers[i], v.as<int64_t>());
        values.push_back(std::move(v));
    }
    return values;
}

Value ExecContext::complexValuesText(ComplexColumnReader& reader, int64_t storedKey) {
    const auto key = static_cast<int32_t>(storedKey);
    std::string joined;
    auto add = [&](const std::string& text) {
        if (!joined.empty()) joined += "; ";
        joined += text;
    };
    if (reader.info().kind == ComplexKind::Attachment) {
        for (const Attachment& a : reader.attachments(key, false)) add(a.fileName);
    } else {
        for (const Value& item : reader.multiValues(key)) add(valueText(item));
    }
    return Value::text(std::move(joined));
}

Value ExecContext::evaluate(const BoundExpr& expr, const Frame& frame) {
    const SqlLocale& locale = *functions.locale;
    auto operand = [&](size_t i) { return evaluate(*expr.operands[i], frame); };
    switch (expr.kind) {
        case BoundKind::Literal:
            return expr.value;
        case BoundKind::Column: {
            const Frame* f = &frame;
            for (int d = 0; d < expr.depth && f; ++d) f = f->outer;
            if (!f || !f->values || expr.column >= f->values->size()) return Value::null();
            return (*f->values)[expr.column];
        }
        case BoundKind::Aggregate: {
            const size_t at = frame.aggregateBase + expr.column;
            return frame.values && at < frame.values->size() ? (*frame.values)[at] : Value::null();
        }
        case BoundKind::Unary: {
            Value v = operand(0);
            switch (expr.unaryOp) {
                case UnaryOp::Not:
                    return logicalNot(v);
                case UnaryOp::Negate:
                    return negate(v, locale);
                case UnaryOp::Plus:
                    return v;
            }
            return v;
        }
        case BoundKind::Binary: {
            Value a = operand(0);
            if (expr.binaryOp == BinaryOp::And && isFalse(a)) return Value::boolean(false);
            if (expr.binaryOp == BinaryOp::Or && isTrue(a)) return Value::boolean(true);
            Value b = operand(1);
            return applyBinaryOp(expr.binaryOp, a, b, compareOptions, locale);
        }
        case BoundKind::Between: {
            Value v = operand(0);
            Value low = operand(1);
            Value high = operand(2);
            Value inside = logicalAnd(compare(CompareOp::GreaterEqual, v, low, compareOptions),
                                      compare(CompareOp::LessEqual, v, high, compareOptions));
            return expr.negated ? logicalNot(inside) : inside;
        }
        case BoundKind::InList: {
            Value v = operand(0);
            std::vector<Value> candidates;
            for (size_t i = 1; i < expr.operands.size(); ++i) candidates.push_back(operand(i));
            Value found = inValues(v, candidates);
            return expr.negated ? logicalNot(found) : found;
        }
        case BoundKind::InSubquery: {
            Value v = operand(0);
            std::shared_ptr<QueryResult> holder;
            const QueryResult& result = subqueryResult(*expr.subquery, frame, holder);
            std::vector<Value> candidates;
            candidates.reserve(result.rows.size());
            for (const auto& row : result.rows) {
                if (!row.values.empty()) candidates.push_back(row.values[0]);
            }
            Value found = inValues(v, candidates);
            return expr.negated ? logicalNot(found) : found;
        }
        case BoundKind::IsNull: {
            const bool null = operand(0).isNull();
            return Value::boolean(expr.negated ? !null : null);
        }
        case BoundKind::Like: {
            Value v = operand(0);
            Value result;
            if (expr.pattern && v.is<std::string>()) {
                result = Value::boolean(expr.pattern->matches(v.as<std::string>()));
            } else {
                result = likeOperator(v, operand(1), expr.dialect);
            }
            return expr.negated ? logicalNot(result) : result;
        }
        case BoundKind::Exists: {
            std::shared_ptr<QueryResult> holder;
            return Value::boolean(!subqueryResult(*expr.subquery, frame, holder).rows.empty());
        }
        case BoundKind::Subquery: {
            std::shared_ptr<QueryResult> holder;
            const QueryResult& result = subqueryResult(*expr.subquery, frame, holder);
            if (result.rows.empty()) return Value::null();
            if (result.rows.size() > 1) {
                throw Error(ErrorCode::InvalidArgument,
                            "At most one record can be returned by this subquery.");
            }
            return result.rows[0].values.empty() ? Value::null() : result.rows[0].values[0];
        }
        case BoundKind::Quantified: {
            Value v = operand(0);
            std::shared_ptr<QueryResult> holder;
            const QueryResult& result = subqueryResult(*expr.subquery, frame, holder);
            const bool any = expr.quantifier == Quantifier::Any;
            Value combined = Value::boolean(!any);
            for (const auto& row : result.rows) {
                Value c =
                    compare(compareOpOf(expr.binaryOp), v,
                            row.values.empty() ? Value::null() : row.values[0], compareOptions);
                combined = any ? logicalOr(combined, c) : logicalAnd(combined, c);
            }
            return combined;
        }
        case BoundKind::Conditional: {
            Value condition = operand(0);
            return iifTakesTruePart(condition, locale) ? operand(1) : operand(2);
        }
        case BoundKind::Function: {
            std::vector<Value> args;
            args.reserve(expr.operands.size());
            for (size_t i = 0; i < expr.operands.size(); ++i) args.push_back(operand(i));
            return expr.function->impl(args, functions);
        }
    }
    return Value::null();
}

}  // namespace jet::sql::detail
