// Joins: INNER, LEFT and RIGHT with ON, and comma (cross) joins. A side that
// is a base table with an index on its join column is sought once per row
// of the other side when that reads less than a scan (planner.h); otherwise
// equalities between the two sides are hashed, and other conditions are
// tested pair by pair. The full ON condition is always tested on each
// candidate pair, so the index or hash only narrows the candidates and never
// decides a match.
#include <optional>
#include <unordered_map>

#include "jet/sql/executor/executor_internal.h"
#include "jet/table/index_cursor.h"

namespace jet::sql::detail {
namespace {

// Whether the expression reads columns of this query only inside
// [first, end), at least one, and nothing that depends on other rows.
bool readsOnly(const BoundExpr& expr, size_t first, size_t end, bool& sawColumn) {
    switch (expr.kind) {
        case BoundKind::Column:
            if (expr.depth != 0) return true;
            sawColumn = true;
            return expr.column >= first && expr.column < end;
        case BoundKind::Literal:
            return true;
        case BoundKind::Unary:
        case BoundKind::Binary:
        case BoundKind::Function:
        case BoundKind::Conditional:
            for (const auto& o : expr.operands) {
                if (!readsOnly(*o, first, end, sawColumn)) return false;
            }
            return true;
        default:
            return false;
    }
}

bool sideOf(const BoundExpr& expr, size_t first, size_t end) {
    bool sawColumn = false;
    return readsOnly(expr, first, end, sawColumn) && sawColumn;
}

struct KeyPair {
    const BoundExpr* left;
    const BoundExpr* right;
};

size_t columnStart(const BoundSelect& select, size_t sourceIndex) {
    return sourceIndex < select.sources.size() ? select.sources[sourceIndex].columnOffset
                                               : select.rowWidth;
}

// Copies the right tuple's sources into the left one.
Tuple combine(const Tuple& left, const Tuple& right, const BoundSelect& select,
              const BoundJoin& rightNode) {
    Tuple t = left;
    for (size_t s = rightNode.firstSource; s < rightNode.endSource; ++s) {
        const BoundSource& source = select.sources[s];
        for (size_t c = 0; c < source.columns.size(); ++c) {
            t.values[source.columnOffset + c] = right.values[source.columnOffset + c];
        }
        for (size_t r = 0; r < source.rowIdCount; ++r) {
            t.rowIds[source.rowIdOffset + r] = right.rowIds[source.rowIdOffset + r];
        }
    }
    return t;
}

std::string keyOf(ExecContext& ctx, const std::vector<const BoundExpr*>& exprs, const Tuple& t,
                  const Frame* outer, bool& hasNull) {
    Frame frame{&t.values, 0, outer};
    std::string key;
    hasNull = false;
    for (const BoundExpr* e : exprs) {
        Value v = ctx.evaluate(*e, frame);
        if (v.isNull()) hasNull = true;
        key += valueKey(v);
        key += '\x1f';
    }
    return key;
}

// Joins two sides already read: equalities between them hashed, the rest
// of ON tested pair by pair.
std::vector<Tuple> hashJoin(ExecContext& ctx, const BoundSelect& select, const BoundJoin& node,
                            std::vector<Tuple> left, std::vector<Tuple> right,
                            const BoundExpr* where, const Frame* outer) {
    std::vector<Tuple> out;

    // Equalities between the two sides, from ON, or for a comma join from
    // WHERE (which the caller applies in full afterwards).
    const BoundExpr* keySource = node.cross ? where : node.condition.get();
    const size_t leftFirst = columnStart(select, node.left->firstSource);
    const size_t leftEnd = columnStart(select, node.left->endSource);
    const size_t rightFirst = leftEnd;
    const size_t rightEnd = columnStart(select, node.right->endSource);
    std::vector<const BoundExpr*> leftKeys, rightKeys;
    if (keySource) {
        std::vector<const BoundExpr*> conjuncts;
        collectConjuncts(*keySource, conjuncts);
        for (const BoundExpr* c : conjuncts) {
            if (c->kind != BoundKind::Binary || c->binaryOp != BinaryOp::Equal) continue;
            const BoundExpr& a = *c->operands[0];
            const BoundExpr& b = *c->operands[1];
            if (sideOf(a, leftFirst, leftEnd) && sideOf(b, rightFirst, rightEnd)) {
                leftKeys.push_back(&a);
                rightKeys.push_back(&b);
            } else if (sideOf(b, leftFirst, leftEnd) && sideOf(a, rightFirst, rightEnd)) {
                leftKeys.push_back(&b);
                rightKeys.push_back(&a);
            }
        }
    }
    const BoundExpr* condition = node.cross ? nullptr : node.condition.get();
    if (!condition && leftKeys.empty()) {
        for (const Tuple& l : left) {
            for (const Tuple& r : right) out.push_back(combine(l, r, select, *node.right));
        }
        return out;
    }

    // The preserved side drives the loop; the other side is looked up.
    const bool rightPreserved = !node.cross && node.type == JoinType::Right;
    const JoinType type = node.cross ? JoinType::Inner : node.type;
    const std::vector<Tuple>& outerRows = rightPreserved ? right : left;
    const std::vector<Tuple>& innerRows = rightPreserved ? left : right;
    const auto& outerKeys = rightPreserved ? rightKeys : leftKeys;
    const auto& innerKeys = rightPreserved ? leftKeys : rightKeys;

    std::unordered_map<std::string, std::vector<size_t>> table;
    if (!innerKeys.empty()) {
        for (size_t i = 0; i < innerRows.size(); ++i) {
            bool hasNull = false;
            std::string key = keyOf(ctx, innerKeys, innerRows[i], outer, hasNull);
            if (!hasNull) table[std::move(key)].push_back(i);
        }
    }
    std::vector<size_t> all;
    if (innerKeys.empty()) {
        all.resize(innerRows.size());
        for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    }
    static const std::vector<size_t> none;

    for (const Tuple& o : outerRows) {
        const std::vector<size_t>* candidates = &all;
        if (!outerKeys.empty()) {
            bool hasNull = false;
            std::string key = keyOf(ctx, outerKeys, o, outer, hasNull);
            auto found = hasNull ? table.end() : table.find(key);
            candidates = found == table.end() ? &none : &found->second;
        }
        bool matched = false;
        for (size_t i : *candidates) {
            Tuple t = rightPreserved ? combine(innerRows[i], o, select, *node.right)
                                     : combine(o, innerRows[i], select, *node.right);
            if (condition) {
                Frame frame{&t.values, 0, outer};
                if (!ctx.passes(*condition, frame)) continue;
            }
            matched = true;
            out.push_back(std::move(t));
        }
        if (!matched && type != JoinType::Inner) out.push_back(o);
    }
    return out;
}

// An inner join side that may be sought through an index: a base table,
// joined on an equality between a column of it that leads an index and an
// expression of the other side.
struct IndexJoinSide {
    bool innerIsRight = true;
    size_t source = 0;  // the inner table's source
    size_t column = 0;  // its join column, in its own columns
    const IndexDef* index = nullptr;
    const BoundExpr* outerKey = nullptr;  // evaluated on the outer row
};

std::optional<IndexJoinSide> indexJoinSide(const BoundSelect& select, const BoundJoin& node) {
    if (node.cross || !node.condition) return std::nullopt;
    // The preserved side of an outer join drives; only the other is sought.
    const bool rightMay = node.type != JoinType::Right;
    const bool leftMay = node.type != JoinType::Left;
    std::vector<const BoundExpr*> conjuncts;
    collectConjuncts(*node.condition, conjuncts);
    std::optional<IndexJoinSide> best;
    auto consider = [&](const BoundJoin& innerNode, const BoundJoin& outerNode, bool innerIsRight) {
        if (innerNode.source < 0) return;
        const size_t s = static_cast<size_t>(innerNode.source);
        const BoundSource& source = select.sources[s];
        if (!source.table) return;
        const size_t first = source.columnOffset, end = first + source.columns.size();
        const size_t outerFirst = columnStart(select, outerNode.firstSource);
        const size_t outerEnd = columnStart(select, outerNode.endSource);
        for (const BoundExpr* c : conjuncts) {
            if (c->kind != BoundKind::Binary || c->binaryOp != BinaryOp::Equal) continue;
            for (int side = 0; side < 2; ++side) {
                const BoundExpr& column = *c->operands[side];
                const BoundExpr& other = *c->operands[1 - side];
                if (column.kind != BoundKind::Column || column.depth != 0 ||
                    column.column < first || column.column >= end ||
                    !sideOf(other, outerFirst, outerEnd)) {
                    continue;
                }
                const IndexDef* index = indexLeadingWith(source, column.column - first);
                if (!index) continue;
                // Of two candidates, seek into the larger table.
                if (best && select.sources[best->source].table->rowCount >= source.table->rowCount)
                    return;
                best = IndexJoinSide{innerIsRight, s, column.column - first, index, &other};
                return;
            }
        }
    };
    if (rightMay) consider(*node.right, *node.left, true);
    if (leftMay) consider(*node.left, *node.right, false);
    return best;
}

// The key each outer row seeks the inner table with (nullopt for a Null,
// which finds nothing); nullopt as a whole when some key cannot be sought.
std::optional<std::vector<std::optional<Value>>> seekKeys(ExecContext& ctx,
                                                          const BoundSelect& select,
                                                          const IndexJoinSide& side,
                                                          const std::vector<Tuple>& outerRows,
                                                          const Frame* outer) {
    const BoundSource& source = select.sources[side.source];
    Database& db = databaseOf(ctx.db, source);
    std::vector<std::optional<Value>> keys;
    keys.reserve(outerRows.size());
    for (const Tuple& o : outerRows) {
        const Frame frame{&o.values, 0, outer};
        const Value v = ctx.evaluate(*side.outerKey, frame);
        if (v.isNull()) {
            keys.emplace_back();
            continue;
        }
        std::optional<Value> key = seekKeyFor(db, source, *side.index, side.column, v);
        if (!key) return std::nullopt;
        keys.push_back(std::move(key));
    }
    return keys;
}

// Whether seeking the inner table with `keys` reads less than scanning it;
// the matches per key are sampled from the index itself.
bool indexJoinWorthwhile(ExecContext& ctx, const BoundSelect& select, const IndexJoinSide& side,
                         const std::vector<std::optional<Value>>& keys) {
    if (!ctx.plan.byCost) return true;
    const BoundSource& source = select.sources[side.source];
    constexpr size_t kSample = 8;
    size_t sampled = 0, matches = 0;
    for (const std::optional<Value>& key : keys) {
        if (sampled == kSample) break;
        if (!key) continue;
        IndexLookup lookup;
        lookup.index = side.index;
        lookup.column = side.column;
        lookup.equal = *key;
        matches += countIndexEntries(databaseOf(ctx.db, source), source, lookup);
        ++sampled;
    }
    return indexJoinPays(source, *side.index, keys.size(), sampled, matches);
}

// The join with the inner table sought for each outer row (with its key
// from seekKeys); ON is tested in full on every pair found. An outer row
// without a partner stays (with the inner columns Null) when the join
// preserves its side.
std::vector<Tuple> indexJoin(ExecContext& ctx, const BoundSelect& select, const BoundJoin& node,
                             const IndexJoinSide& side, const std::vector<Tuple>& outerRows,
                             const std::vector<std::optional<Value>>& keys, const Frame* outer) {
    if (ctx.plan.stats) ++ctx.plan.stats->indexLookups;
    const BoundSource& source = select.sources[side.source];
    const bool preserves = node.type != JoinType::Inner;
    IndexCursor cursor(databaseOf(ctx.db, source), source.table, *side.index);
    std::vector<Tuple> out;
    for (size_t i = 0; i < outerRows.size(); ++i) {
        const Tuple& o = outerRows[i];
        bool matched = false;
        if (keys[i]) {
            const std::vector<Value> seekKey{*keys[i]};
            for (bool ok = cursor.seek(seekKey); ok && cursor.matches(seekKey);
                 ok = cursor.next()) {
                Tuple t = o;
                const std::vector<Value>& values = cursor.values();
                for (size_t c = 0; c < source.columns.size() && c < values.size(); ++c) {
                    t.values[source.columnOffset + c] = values[c];
                }
                t.rowIds[source.rowIdOffset] = cursor.rowId();
                const Frame frame{&t.values, 0, outer};
                if (!ctx.passes(*node.condition, frame)) continue;
                matched = true;
                out.push_back(std::move(t));
            }
        }
        if (!matched && preserves) out.push_back(o);
    }
    return out;
}

}  // namespace

std::vector<Tuple> executeJoin(ExecContext& ctx, const BoundSelect& select, const BoundJoin& node,
                               const BoundExpr* where, const Frame* outer, bool nullable) {
    if (node.source >= 0) {
        const BoundSource& source = select.sources[static_cast<size_t>(node.source)];
        // WHERE terms that read only this source may run right after its
        // scan (and pick an index), unless an outer join may pair the
        // source's absence with a row: those terms must see the Nulls.
        const BoundExpr* usable = nullable ? nullptr : where;
        std::vector<Tuple> rows = scanSource(ctx, select, source, usable);
        if (!usable || select.sources.size() == 1) return rows;
        std::vector<const BoundExpr*> conjuncts;
        collectConjuncts(*usable, conjuncts);
        const size_t first = source.columnOffset;
        const size_t end = first + source.columns.size();
        for (const BoundExpr* c : conjuncts) {
            if (sideOf(*c, first, end)) rows = filterRows(ctx, std::move(rows), *c, 0, outer);
        }
        return rows;
    }
    const bool leftNullable = nullable || node.type == JoinType::Right;
    const bool rightNullable = nullable || node.type == JoinType::Left;
    const bool leftOuter = node.cross ? nullable : leftNullable;
    const bool rightOuter = node.cross ? nullable : rightNullable;
    if (const std::optional<IndexJoinSide> side = indexJoinSide(select, node)) {
        // The outer side first: its size decides whether seeking pays.
        const bool innerIsRight = side->innerIsRight;
        std::vector<Tuple> outerRows =
            innerIsRight ? executeJoin(ctx, select, *node.left, where, outer, leftOuter)
                         : executeJoin(ctx, select, *node.right, where, outer, rightOuter);
        const auto keys = seekKeys(ctx, select, *side, outerRows, outer);
        if (keys && indexJoinWorthwhile(ctx, select, *side, *keys)) {
            return indexJoin(ctx, select, node, *side, outerRows, *keys, outer);
        }
        std::vector<Tuple> innerRows =
            innerIsRight ? executeJoin(ctx, select, *node.right, where, outer, rightOuter)
                         : executeJoin(ctx, select, *node.left, where, outer, leftOuter);
        return innerIsRight ? hashJoin(ctx, select, node, std::move(outerRows),
                                       std::move(innerRows), where, outer)
                            : hashJoin(ctx, select, node, std::move(innerRows),
                                       std::move(outerRows), where, outer);
    }
    std::vector<Tuple> left = executeJoin(ctx, select, *node.left, where, outer, leftOuter);
    std::vector<Tuple> right = executeJoin(ctx, select, *node.right, where, outer, rightOuter);
    return hashJoin(ctx, select, node, std::move(left), std::move(right), where, outer);
}

}  // namespace jet::sql::detail
