// Joins: INNER, LEFT and RIGHT with ON, and comma (cross) joins. Equalities
// between the two sides are hashed; other conditions are tested pair by
// pair. The full ON condition is always tested on each candidate pair, so
// the hash only narrows the candidates and never decides a match.
#include <unordered_map>

#include "jet/sql/executor/executor_internal.h"

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
    std::vector<Tuple> left =
        executeJoin(ctx, select, *node.left, where, outer, node.cross ? nullable : leftNullable);
    std::vector<Tuple> right =
        executeJoin(ctx, select, *node.right, where, outer, node.cross ? nullable : rightNullable);
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

}  // namespace jet::sql::detail
