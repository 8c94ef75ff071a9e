// Which columns a SELECT reads, so that scans decode no others.
#include "jet/sql/planner/planner.h"

namespace jet::sql::detail {
namespace {

class Marker {
public:
    explicit Marker(std::vector<bool>& slots) : slots_(slots) {}

    void mark(const BoundExpr* expr) {
        if (!expr) return;
        if (expr->kind == BoundKind::Column && expr->depth == 0) {
            if (expr->column < slots_.size()) slots_[expr->column] = true;
            return;
        }
        if (expr->subquery && expr->subquery->correlated) everything_ = true;
        for (const BoundExprPtr& operand : expr->operands) mark(operand.get());
    }

    void markJoin(const BoundJoin* join) {
        if (!join) return;
        mark(join->condition.get());
        markJoin(join->left.get());
        markJoin(join->right.get());
    }

    bool everything() const { return everything_; }

private:
    std::vector<bool>& slots_;
    bool everything_ = false;
};

}  // namespace

ColumnUse columnsUsed(const BoundSelect& select, const std::vector<BoundOrder>* order) {
    ColumnUse use;
    use.read.assign(select.rowWidth, false);
    use.where.assign(select.rowWidth, false);
    Marker where(use.where);
    where.mark(select.where.get());

    Marker read(use.read);
    for (const BoundExprPtr& e : select.outputs) read.mark(e.get());
    for (const BoundExprPtr& e : select.groupBy) read.mark(e.get());
    for (const BoundAggregate& a : select.aggregates) read.mark(a.argument.get());
    read.mark(select.having.get());
    read.markJoin(select.from.get());
    if (order) {
        for (const BoundOrder& o : *order) read.mark(o.expr.get());
    }
    if (read.everything() || where.everything()) {
        use.read.assign(select.rowWidth, true);
        use.where.assign(select.rowWidth, true);
        return use;
    }
    for (size_t i = 0; i < use.read.size(); ++i) use.read[i] = use.read[i] || use.where[i];
    return use;
}

std::vector<bool> columnsUsed(const BoundExpr& expr, size_t rowWidth, bool& exact) {
    std::vector<bool> slots(rowWidth, false);
    Marker marker(slots);
    marker.mark(&expr);
    if (marker.everything()) exact = false;
    return slots;
}

}  // namespace jet::sql::detail
