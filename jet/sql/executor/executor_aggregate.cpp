// GROUP BY and aggregates: one output row per group, holding the group's
// first row (its GROUP BY values are those of every row in it) followed by
// the group's aggregate results. Groups come out ordered by their GROUP BY
// values, as Access returns them.
#include <algorithm>
#include <unordered_map>

#include "jet/sql/executor/executor_internal.h"

namespace jet::sql::detail {

std::vector<Tuple> groupRows(ExecContext& ctx, const BoundSelect& select, std::vector<Tuple> rows,
                             const Frame* outer) {
    struct Group {
        Tuple first;
        std::vector<Value> keys;
        std::vector<std::unique_ptr<Accumulator>> accumulators;
    };
    std::vector<Group> groups;
    std::unordered_map<std::string, size_t> index;
    auto newGroup = [&](Tuple first, std::vector<Value> keys) {
        Group g;
        g.first = std::move(first);
        g.keys = std::move(keys);
        for (const auto& a : select.aggregates) {
            g.accumulators.push_back(makeAccumulator(a.kind, ctx.textCollation()));
        }
        groups.push_back(std::move(g));
        return groups.size() - 1;
    };

    const Value one = Value::integer(1);
    for (Tuple& t : rows) {
        Frame frame{&t.values, select.rowWidth, outer};
        std::vector<Value> keys;
        keys.reserve(select.groupBy.size());
        for (const auto& g : select.groupBy) keys.push_back(ctx.evaluate(*g, frame));
        const std::string key = rowKey(keys);
        auto found = index.find(key);
        size_t at = 0;
        if (found == index.end()) {
            // The arguments are read from the row before it moves into the group.
            at = groups.size();
            index.emplace(key, at);
            std::vector<Value> arguments;
            for (const auto& a : select.aggregates) {
                arguments.push_back(a.argument ? ctx.evaluate(*a.argument, frame) : one);
            }
            newGroup(std::move(t), std::move(keys));
            for (size_t i = 0; i < arguments.size(); ++i)
                groups[at].accumulators[i]->add(arguments[i]);
            continue;
        }
        at = found->second;
        for (size_t i = 0; i < select.aggregates.size(); ++i) {
            const auto& a = select.aggregates[i];
            groups[at].accumulators[i]->add(a.argument ? ctx.evaluate(*a.argument, frame) : one);
        }
    }
    // Aggregates over no rows at all still give one row (Count 0, Sum Null).
    if (groups.empty() && select.groupBy.empty()) {
        Tuple empty;
        empty.values.resize(select.rowWidth);
        empty.rowIds.assign(select.rowIdWidth, kNoRow);
        newGroup(std::move(empty), {});
    }

    const ValueOrder order = ctx.valueOrder();
    std::stable_sort(groups.begin(), groups.end(), [&](const Group& a, const Group& b) {
        for (size_t i = 0; i < a.keys.size(); ++i) {
            const int c = order.compare(a.keys[i], b.keys[i]);
            if (c != 0) return c < 0;
        }
        return false;
    });

    std::vector<Tuple> out;
    out.reserve(groups.size());
    for (Group& g : groups) {
        Tuple t = std::move(g.first);
        t.values.resize(select.rowWidth);
        for (const auto& acc : g.accumulators) t.values.push_back(acc->result());
        // A group is no single base row.
        t.rowIds.assign(select.rowIdWidth, kNoRow);
        out.push_back(std::move(t));
    }
    return out;
}

}  // namespace jet::sql::detail
