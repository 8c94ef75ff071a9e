// Index lookups for WHERE: an equality on the leading column of any index,
// or a range (<, <=, >, >=, BETWEEN) on the leading column of an ascending
// index over numbers or dates, reads only the index entries that can match.
// Text ranges are left to full scans: the index orders text by the file's
// sort order, which need not agree entry by entry with the comparison of
// the WHERE clause, and a range walk stops at the first key past the bound.
//
// The lookup only narrows the rows; the caller applies WHERE in full. A key
// the index cannot hold (another type, a sort order without key support)
// makes the lookup give up, and the caller scans the table instead.
#include <cmath>
#include <cstdlib>

#include "jet/sql/executor/executor_internal.h"
#include "jet/table/index_cursor.h"

namespace jet::sql::detail {
namespace {

bool isOrderedValue(const Value& v) {
    return v.is<int64_t>() || v.is<double>() || v.is<float>() || v.is<CurrencyValue>() ||
           v.is<DateTimeValue>();
}

// The column of `source` that `e` names, or -1.
int sourceColumn(const BoundSource& source, const BoundExpr& e) {
    if (e.kind != BoundKind::Column || e.depth != 0) return -1;
    if (e.column < source.columnOffset || e.column >= source.columnOffset + source.columns.size()) {
        return -1;
    }
    return static_cast<int>(e.column - source.columnOffset);
}

const IndexDef* leadingIndex(const TableDef& def, int column, bool ascendingOnly) {
    const jet::ColumnDef& target = def.columns[static_cast<size_t>(column)];
    for (const IndexDef& index : def.indexes) {
        const RealIndexDef& real = def.realIndexOf(index);
        if (real.columns.empty() || real.columns[0].columnNumber != target.number) continue;
        if (ascendingOnly && !real.columns[0].ascending) continue;
        return &index;
    }
    return nullptr;
}

// `v` in the form the index keys of a column of type `t` are built from,
// when that is exact (or, for a bound, no narrower than the original: WHERE
// still decides); `v` unchanged otherwise, and the seek then gives up.
Value keyValue(const Value& v, DataType t) {
    auto whole = [](double d) { return std::floor(d) == d && std::fabs(d) < 9.0e15; };
    switch (t) {
        case DataType::Double:
            if (v.is<int64_t>()) return Value::real(static_cast<double>(v.as<int64_t>()));
            if (v.is<float>()) return Value::real(v.as<float>());
            if (v.is<CurrencyValue>()) {
                return Value::real(static_cast<double>(v.as<CurrencyValue>().tenThousandths) /
                                   10000.0);
            }
            return v;
        case DataType::Single:
            if (v.is<int64_t>() && std::llabs(v.as<int64_t>()) < (1LL << 24)) {
                return Value::single(static_cast<float>(v.as<int64_t>()));
            }
            if (v.is<double>() &&
                static_cast<double>(static_cast<float>(v.as<double>())) == v.as<double>()) {
                return Value::single(static_cast<float>(v.as<double>()));
            }
            return v;
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::BigInt:
            if (v.is<double>() && whole(v.as<double>())) {
                return Value::integer(static_cast<int64_t>(v.as<double>()));
            }
            return v;
        case DataType::Currency:
            if (v.is<int64_t>() && std::llabs(v.as<int64_t>()) < 900000000000000LL) {
                return Value::currency(v.as<int64_t>() * 10000);
            }
            if (v.is<double>() && whole(v.as<double>() * 10000.0)) {
                return Value::currency(static_cast<int64_t>(v.as<double>() * 10000.0));
            }
            return v;
        case DataType::DateTime:
            if (v.is<int64_t>()) return Value::dateTime(static_cast<double>(v.as<int64_t>()));
            if (v.is<double>()) return Value::dateTime(v.as<double>());
            return v;
        default:
            return v;
    }
}

struct Bound {
    int column = -1;
    std::optional<Value> equal, lower, upper;
};

}  // namespace

std::optional<IndexLookup> planIndexLookup(const BoundSource& source, const BoundExpr& where) {
    std::vector<const BoundExpr*> conjuncts;
    collectConjuncts(where, conjuncts);
    const TableDef& def = *source.table;

    // Equalities first: they read the fewest entries.
    for (const BoundExpr* c : conjuncts) {
        if (c->kind != BoundKind::Binary || c->binaryOp != BinaryOp::Equal) continue;
        for (int side = 0; side < 2; ++side) {
            const int column = sourceColumn(source, *c->operands[side]);
            const BoundExpr& constant = *c->operands[1 - side];
            if (column < 0 || constant.kind != BoundKind::Literal || constant.value.isNull())
                continue;
            if (const IndexDef* index = leadingIndex(def, column, false)) {
                const DataType type = def.columns[static_cast<size_t>(column)].type;
                return IndexLookup{
                    index, static_cast<size_t>(column), keyValue(constant.value, type), {}, {}};
            }
        }
    }

    // Ranges: the bounds of the first column that has one and an index.
    Bound range;
    auto widen = [&](int column, std::optional<Value> lower, std::optional<Value> upper) {
        if (column < 0) return;
        if (!isNumberOrDateType(def.columns[static_cast<size_t>(column)].type)) return;
        if ((lower && !isOrderedValue(*lower)) || (upper && !isOrderedValue(*upper))) return;
        if (range.column >= 0 && range.column != column) return;
        if (!leadingIndex(def, column, true)) return;
        range.column = column;
        const DataType type = def.columns[static_cast<size_t>(column)].type;
        // Of two bounds on one side either is safe (WHERE decides); keep the first.
        if (lower && !range.lower) range.lower = keyValue(*lower, type);
        if (upper && !range.upper) range.upper = keyValue(*upper, type);
    };
    for (const BoundExpr* c : conjuncts) {
        if (c->kind == BoundKind::Between && !c->negated &&
            c->operands[1]->kind == BoundKind::Literal &&
            c->operands[2]->kind == BoundKind::Literal) {
            widen(sourceColumn(source, *c->operands[0]), c->operands[1]->value,
                  c->operands[2]->value);
            continue;
        }
        if (c->kind != BoundKind::Binary) continue;
        BinaryOp op = c->binaryOp;
        if (op != BinaryOp::Less && op != BinaryOp::LessEqual && op != BinaryOp::Greater &&
            op != BinaryOp::GreaterEqual) {
            continue;
        }
        int column = sourceColumn(source, *c->operands[0]);
        const BoundExpr* constant = c->operands[1].get();
        if (column < 0) {
            // constant < column reads as column > constant.
            column = sourceColumn(source, *c->operands[1]);
            constant = c->operands[0].get();
            op = op == BinaryOp::Less        ? BinaryOp::Greater
                 : op == BinaryOp::LessEqual ? BinaryOp::GreaterEqual
                 : op == BinaryOp::Greater   ? BinaryOp::Less
                                             : BinaryOp::LessEqual;
        }
        if (constant->kind != BoundKind::Literal || constant->value.isNull()) continue;
        const bool isLower = op == BinaryOp::Greater || op == BinaryOp::GreaterEqual;
        widen(column, isLower ? std::optional<Value>(constant->value) : std::nullopt,
              isLower ? std::nullopt : std::optional<Value>(constant->value));
    }
    if (range.column < 0) return std::nullopt;
    return IndexLookup{leadingIndex(def, range.column, true), static_cast<size_t>(range.column),
                       std::nullopt, range.lower, range.upper};
}

bool readThroughIndex(ExecContext& ctx, const BoundSelect& select, const BoundSource& source,
                      const IndexLookup& lookup, std::vector<Tuple>& rows) {
    try {
        IndexCursor cursor(ctx.db, source.table, *lookup.index);
        std::vector<Tuple> found;
        auto take = [&] {
            Tuple t;
            t.values.resize(select.rowWidth);
            t.rowIds.assign(select.rowIdWidth, kNoRow);
            const auto& values = cursor.values();
            for (size_t c = 0; c < values.size(); ++c)
                t.values[source.columnOffset + c] = values[c];
            t.rowIds[source.rowIdOffset] = cursor.rowId();
            found.push_back(std::move(t));
        };
        if (lookup.equal) {
            const std::vector<Value> key{*lookup.equal};
            for (bool ok = cursor.seek(key); ok && cursor.matches(key); ok = cursor.next()) take();
        } else {
            bool ok = lookup.lower ? cursor.seek({*lookup.lower}) : cursor.first();
            for (; ok; ok = cursor.next()) {
                const Value& v = cursor.values()[lookup.column];
                if (lookup.upper && !v.isNull() && compareValues(v, *lookup.upper) > 0) break;
                take();
            }
        }
        rows = std::move(found);
        return true;
    } catch (const Error& e) {
        if (e.code() != ErrorCode::InvalidArgument && e.code() != ErrorCode::Unsupported) throw;
        return false;
    }
}

}  // namespace jet::sql::detail
