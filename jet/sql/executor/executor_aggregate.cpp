// GROUP BY and aggregates: one output row per group, holding the group's
// first row (its GROUP BY values are those of every row in it) followed by
// the group's aggregate results. Groups are found through a hash of their
// GROUP BY values and come out ordered by those values, as Access returns
// them.
#include <algorithm>

#include "jet/sql/executor/executor_internal.h"

namespace jet::sql::detail {

struct Grouper::Group {
    Tuple first;
    std::vector<Value> keys;
    std::vector<std::unique_ptr<Accumulator>> accumulators;
};

Grouper::Grouper(ExecContext& ctx, const BoundSelect& select, const Frame* outer)
    : ctx_(ctx), select_(select), outer_(outer) {}

Grouper::~Grouper() = default;

size_t Grouper::newGroup(const Tuple& first, std::vector<Value> keys) {
    Group g;
    g.first = first;
    g.keys = std::move(keys);
    for (const auto& a : select_.aggregates) {
        g.accumulators.push_back(makeAccumulator(a.kind, ctx_.textCollation()));
    }
    groups_.push_back(std::move(g));
    return groups_.size() - 1;
}

void Grouper::add(const Tuple& row) {
    const Frame frame{&row.values, select_.rowWidth, outer_};
    std::vector<Value> keys;
    keys.reserve(select_.groupBy.size());
    for (const auto& g : select_.groupBy) keys.push_back(ctx_.evaluate(*g, frame));
    std::string key = rowKey(keys);
    auto found = index_.find(key);
    const size_t at = found != index_.end() ? found->second : newGroup(row, std::move(keys));
    if (found == index_.end()) index_.emplace(std::move(key), at);
    static const Value one = Value::integer(1);
    for (size_t i = 0; i < select_.aggregates.size(); ++i) {
        const auto& a = select_.aggregates[i];
        groups_[at].accumulators[i]->add(a.argument ? ctx_.evaluate(*a.argument, frame) : one);
    }
}

std::vector<Tuple> Grouper::finish() {
    // Aggregates over no rows at all still give one row (Count 0, Sum Null).
    if (groups_.empty() && select_.groupBy.empty()) {
        Tuple empty;
        empty.values.resize(select_.rowWidth);
        empty.rowIds.assign(select_.rowIdWidth, kNoRow);
        newGroup(empty, {});
    }

    const ValueOrder order = ctx_.valueOrder();
    std::stable_sort(groups_.begin(), groups_.end(), [&](const Group& a, const Group& b) {
        for (size_t i = 0; i < a.keys.size(); ++i) {
            const int c = order.compare(a.keys[i], b.keys[i]);
            if (c != 0) return c < 0;
        }
        return false;
    });

    std::vector<Tuple> out;
    out.reserve(groups_.size());
    for (Group& g : groups_) {
        Tuple t = std::move(g.first);
        t.values.resize(select_.rowWidth);
        for (const auto& acc : g.accumulators) t.values.push_back(acc->result());
        // A group is no single base row.
        t.rowIds.assign(select_.rowIdWidth, kNoRow);
        out.push_back(std::move(t));
    }
    groups_.clear();
    index_.clear();
    return out;
}

std::vector<Tuple> groupRows(ExecContext& ctx, const BoundSelect& select, std::vector<Tuple> rows,
                             const Frame* outer) {
    Grouper grouper(ctx, select, outer);
    for (const Tuple& t : rows) grouper.add(t);
    return grouper.finish();
}

}  // namespace jet::sql::detail
