// Index lookups for WHERE, and counting the entries of one (planner.h).
//
// The lookup narrows the rows; the executor still applies WHERE in full,
// unless the lookup covers it. A key the index cannot hold (another type, a
// value out of the column's range, a sort order without key support) is
// found out here, and the table is then scanned: no seek is tried that could
// fail.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "jet/format/index_key.h"
#include "jet/sql/planner/planner.h"
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
// when that is exact; `v` unchanged otherwise, which canEncodeKey refuses.
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

// The conditions on one column that an index can answer.
struct Bounds {
    int column = -1;
    std::optional<Value> lower, upper;
    bool lowerStrict = false, upperStrict = false;
    size_t used = 0;    // conjuncts taken into the bounds
    bool exact = true;  // each side bounded at most once: the bounds are the condition
};

// A comparison `column op constant` (either way round): the column and the
// constant, with op turned for `constant op column`.
struct Comparison {
    int column = -1;
    const BoundExpr* constant = nullptr;
    BinaryOp op = BinaryOp::Equal;
};

std::optional<Comparison> comparisonOf(const BoundSource& source, const BoundExpr& c) {
    if (c.kind != BoundKind::Binary) return std::nullopt;
    BinaryOp op = c.binaryOp;
    if (op != BinaryOp::Equal && op != BinaryOp::Less && op != BinaryOp::LessEqual &&
        op != BinaryOp::Greater && op != BinaryOp::GreaterEqual) {
        return std::nullopt;
    }
    int column = sourceColumn(source, *c.operands[0]);
    const BoundExpr* constant = c.operands[1].get();
    if (column < 0) {
        // constant < column reads as column > constant.
        column = sourceColumn(source, *c.operands[1]);
        constant = c.operands[0].get();
        op = op == BinaryOp::Less           ? BinaryOp::Greater
             : op == BinaryOp::LessEqual    ? BinaryOp::GreaterEqual
             : op == BinaryOp::Greater      ? BinaryOp::Less
             : op == BinaryOp::GreaterEqual ? BinaryOp::LessEqual
                                            : op;
    }
    if (column < 0 || constant->kind != BoundKind::Literal || constant->value.isNull()) {
        return std::nullopt;
    }
    return Comparison{column, constant, op};
}

bool seekable(Database& db, const BoundSource& source, const IndexDef& index, const Value& key) {
    return IndexCursor(db, source.table, index).canEncodeKey({key});
}

}  // namespace

std::optional<IndexLookup> planIndexLookup(Database& db, const BoundSource& source,
                                           const BoundExpr& where) {
    std::vector<const BoundExpr*> conjuncts;
    collectConjuncts(where, conjuncts);
    const TableDef& def = *source.table;

    // Equalities first: they read the fewest entries.
    for (const BoundExpr* c : conjuncts) {
        const std::optional<Comparison> cmp = comparisonOf(source, *c);
        if (!cmp || cmp->op != BinaryOp::Equal) continue;
        const IndexDef* index = leadingIndex(def, cmp->column, false);
        if (!index) continue;
        const jet::ColumnDef& column = def.columns[static_cast<size_t>(cmp->column)];
        const Value key = keyValue(cmp->constant->value, column.type);
        if (!seekable(db, source, *index, key)) continue;
        IndexLookup lookup;
        lookup.index = index;
        lookup.column = static_cast<size_t>(cmp->column);
        lookup.equal = key;
        lookup.coversWhere = conjuncts.size() == 1 && isNumberOrDateType(column.type);
        return lookup;
    }

    // Ranges: the bounds of the first column that has one and an index.
    Bounds range;
    auto widen = [&](int column, const Value* lower, bool lowerStrict, const Value* upper,
                     bool upperStrict) {
        if (column < 0) return;
        const jet::ColumnDef& def_column = def.columns[static_cast<size_t>(column)];
        if (!isNumberOrDateType(def_column.type)) return;
        if ((lower && !isOrderedValue(*lower)) || (upper && !isOrderedValue(*upper))) return;
        if (range.column >= 0 && range.column != column) return;
        const IndexDef* index = leadingIndex(def, column, true);
        if (!index) return;
        const std::optional<Value> lowerKey =
            lower ? std::optional<Value>(keyValue(*lower, def_column.type)) : std::nullopt;
        const std::optional<Value> upperKey =
            upper ? std::optional<Value>(keyValue(*upper, def_column.type)) : std::nullopt;
        if ((lowerKey && !seekable(db, source, *index, *lowerKey)) ||
            (upperKey && !seekable(db, source, *index, *upperKey))) {
            return;
        }
        range.column = column;
        ++range.used;
        // Of two bounds on one side either is safe (WHERE decides); keep the first.
        if (lowerKey) {
            if (range.lower) {
                range.exact = false;
            } else {
                range.lower = lowerKey;
                range.lowerStrict = lowerStrict;
            }
        }
        if (upperKey) {
            if (range.upper) {
                range.exact = false;
            } else {
                range.upper = upperKey;
                range.upperStrict = upperStrict;
            }
        }
    };
    for (const BoundExpr* c : conjuncts) {
        if (c->kind == BoundKind::Between && !c->negated &&
            c->operands[1]->kind == BoundKind::Literal &&
            c->operands[2]->kind == BoundKind::Literal && !c->operands[1]->value.isNull() &&
            !c->operands[2]->value.isNull()) {
            widen(sourceColumn(source, *c->operands[0]), &c->operands[1]->value, false,
                  &c->operands[2]->value, false);
            continue;
        }
        const std::optional<Comparison> cmp = comparisonOf(source, *c);
        if (!cmp || cmp->op == BinaryOp::Equal) continue;
        const bool isLower = cmp->op == BinaryOp::Greater || cmp->op == BinaryOp::GreaterEqual;
        const bool strict = cmp->op == BinaryOp::Greater || cmp->op == BinaryOp::Less;
        const Value& v = cmp->constant->value;
        widen(cmp->column, isLower ? &v : nullptr, strict, isLower ? nullptr : &v, strict);
    }
    if (range.column < 0) return std::nullopt;
    IndexLookup lookup;
    lookup.index = leadingIndex(def, range.column, true);
    lookup.column = static_cast<size_t>(range.column);
    lookup.lower = range.lower;
    lookup.upper = range.upper;
    lookup.lowerStrict = range.lowerStrict;
    lookup.upperStrict = range.upperStrict;
    lookup.coversWhere = range.exact && range.used == conjuncts.size();
    return lookup;
}

const IndexDef* indexLeadingWith(const BoundSource& source, size_t column) {
    return leadingIndex(*source.table, static_cast<int>(column), false);
}

std::optional<Value> seekKeyFor(Database& db, const BoundSource& source, const IndexDef& index,
                                size_t column, const Value& v) {
    Value key = keyValue(v, source.table->columns[column].type);
    if (!seekable(db, source, index, key)) return std::nullopt;
    return key;
}

size_t countIndexEntries(Database& db, const BoundSource& source, const IndexLookup& lookup,
                         size_t cap) {
    IndexCursor cursor(db, source.table, *lookup.index, IndexReading::KeysOnly);
    const std::optional<Value>& from = lookup.equal ? lookup.equal : lookup.lower;
    const std::optional<Value>& to = lookup.equal ? lookup.equal : lookup.upper;
    const std::vector<uint8_t> fromKey = from ? cursor.encodeKey({*from}) : std::vector<uint8_t>{};
    const std::vector<uint8_t> toKey = to ? cursor.encodeKey({*to}) : std::vector<uint8_t>{};
    const bool fromStrict = !lookup.equal && lookup.lowerStrict;
    const bool toStrict = !lookup.equal && lookup.upperStrict;
    // The leading column's part of an entry's key, against a bound's key:
    // both are the same column's key, so comparing as many bytes as the
    // bound has compares the values (keys delimit themselves).
    auto compareTo = [](const std::vector<uint8_t>& entry, const std::vector<uint8_t>& bound) {
        const size_t n = std::min(entry.size(), bound.size());
        const int c = std::memcmp(entry.data(), bound.data(), n);
        if (c != 0) return c;
        return entry.size() < bound.size() ? -1 : 0;
    };
    // The key a Null in the leading column starts with (ascending: the
    // range indexes are ascending), which no comparison matches.
    std::vector<uint8_t> nullKey;
    appendIndexKey(nullKey, Value::null(), source.table->columns[lookup.column].type, true,
                   SortOrderKind::General97, NumericKeyForm::Jet);

    size_t count = 0;
    for (bool ok = from ? cursor.seek({*from}) : cursor.first(); ok && count < cap;
         ok = cursor.next()) {
        const std::vector<uint8_t>& key = cursor.key();
        if (!from && !key.empty() && key[0] == nullKey[0]) continue;
        if (from && fromStrict && compareTo(key, fromKey) == 0) continue;
        if (to) {
            const int c = compareTo(key, toKey);
            if (c > 0 || (toStrict && c == 0)) break;
        }
        ++count;
    }
    return count;
}

void collectConjuncts(const BoundExpr& expr, std::vector<const BoundExpr*>& out) {
    if (expr.kind == BoundKind::Binary && expr.binaryOp == BinaryOp::And) {
        collectConjuncts(*expr.operands[0], out);
        collectConjuncts(*expr.operands[1], out);
        return;
    }
    out.push_back(&expr);
}

}  // namespace jet::sql::detail
