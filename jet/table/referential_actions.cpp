#include "jet/table/referential_actions.h"

#include <set>

#include "jet/error.h"
#include "jet/table/table_editor.h"

namespace jet {
namespace {

// Whether a key changes between two versions of a row, as the referenced
// index compares keys (a key with a null part matches nothing).
bool keyChanges(Database& db, const RelationLink& link, const std::vector<Value>& before,
                const std::vector<Value>& after) {
    const std::optional<std::vector<Value>> a = keyValues(before, link.referencedColumns);
    const std::optional<std::vector<Value>> b = keyValues(after, link.referencedColumns);
    if (!a || !b) return a.has_value() != b.has_value();
    return referencedKeysDiffer(db, link, *a, *b);
}

}  // namespace

ReferentialActions::ReferentialActions(Database& db, TableEditor& origin)
    : db_(db), origin_(origin) {}

ReferentialActions::~ReferentialActions() = default;

TableEditor& ReferentialActions::editorFor(uint32_t table, const std::string& name) {
    if (table == origin_.def().tdefPage) return origin_;
    std::unique_ptr<TableEditor>& editor = editors_[table];
    if (!editor) editor = std::make_unique<TableEditor>(db_, name);
    return *editor;
}

void ReferentialActions::planRemove(RowPointer id, const std::vector<Value>& row) {
    removeRow(origin_.def().tdefPage, origin_.def().name, id, row);
    for (const auto& [key, foreignTable] : restricting_) {
        auto it = planned_.find(key);
        if (it == planned_.end() || changes_[it->second].values)
            throw Error(ErrorCode::Constraint, relatedRecordsExistMessage(foreignTable));
    }
}

void ReferentialActions::planUpdate(RowPointer id, const std::vector<Value>& old,
                                    const std::vector<Value>& row) {
    const uint32_t table = origin_.def().tdefPage;
    planned_[{table, id.packed()}] = changes_.size();
    changes_.push_back(Change{table, origin_.def().name, id, old, row});
    cascadeKeyChange(table, origin_.def().name, old, old, row);
}

// Deletes a row and, worked off one at a time (a long chain of
// self-related rows must not deepen the stack), what depends on it.
void ReferentialActions::removeRow(uint32_t table, const std::string& name, RowPointer id,
                                   const std::vector<Value>& stored) {
    struct Pending {
        uint32_t table;
        std::string name;
        RowPointer id;
        std::vector<Value> stored;
    };
    std::vector<Pending> pending{{table, name, id, stored}};
    while (!pending.empty()) {
        Pending p = std::move(pending.back());
        pending.pop_back();
        const RowKey key{p.table, p.id.packed()};
        if (auto it = planned_.find(key); it != planned_.end()) {
            Change& c = changes_[it->second];
            if (!c.values) continue;
            c.values.reset();
        } else {
            planned_[key] = changes_.size();
            changes_.push_back(Change{p.table, p.name, p.id, p.stored, std::nullopt});
        }
        for (const RelationLink& link : editorFor(p.table, p.name).links()) {
            if (link.readFromForeignSide) continue;
            const std::optional<std::vector<Value>> k = keyValues(p.stored, link.referencedColumns);
            if (!k) continue;
            for (DependentRow& dep : dependentRows(db_, link, *k)) {
                const RowKey depKey{link.foreignPage, dep.id.packed()};
                if (depKey == key) continue;  // a row that names itself goes with it
                if (link.cascadeDeletes) {
                    pending.push_back(Pending{link.foreignPage, link.foreignTable, dep.id,
                                              std::move(dep.values)});
                } else if (link.cascadeNull) {
                    const std::vector<Value> nulls(link.foreignColumns.size());
                    assign(link.foreignPage, link.foreignTable, dep.id, dep.values,
                           link.foreignColumns, nulls);
                } else {
                    restricting_.emplace_back(depKey, link.foreignTable);
                }
            }
        }
    }
}

// Gives `columns` of a row `values`, on top of what the plan already does
// to it, and carries a change of its referenced keys on to their dependents.
void ReferentialActions::assign(uint32_t table, const std::string& name, RowPointer id,
                                const std::vector<Value>& stored,
                                const std::vector<size_t>& columns,
                                const std::vector<Value>& values) {
    const RowKey key{table, id.packed()};
    auto it = planned_.find(key);
    if (it != planned_.end() && !changes_[it->second].values) return;  // deleted anyway
    const std::vector<Value> before = it != planned_.end() ? *changes_[it->second].values : stored;
    std::vector<Value> after = before;
    for (size_t i = 0; i < columns.size(); ++i) after.at(columns[i]) = values[i];
    if (after == before) return;
    if (it != planned_.end()) {
        changes_[it->second].values = after;
    } else {
        planned_[key] = changes_.size();
        changes_.push_back(Change{table, name, id, stored, after});
    }
    cascadeKeyChange(table, name, stored, before, after);
}

void ReferentialActions::cascadeKeyChange(uint32_t table, const std::string& name,
                                          const std::vector<Value>& stored,
                                          const std::vector<Value>& before,
                                          const std::vector<Value>& after) {
    for (const RelationLink& link : editorFor(table, name).links()) {
        if (link.readFromForeignSide || !keyChanges(db_, link, before, after)) continue;
        // The index holds the stored key; that is where the dependents are.
        const std::optional<std::vector<Value>> oldKey = keyValues(stored, link.referencedColumns);
        if (!oldKey) continue;
        std::vector<DependentRow> dependents = dependentRows(db_, link, *oldKey);
        std::erase_if(dependents, [&](const DependentRow& d) {
            auto at = planned_.find({link.foreignPage, d.id.packed()});
            return at != planned_.end() && !changes_[at->second].values;
        });
        if (dependents.empty()) continue;
        const std::optional<std::vector<Value>> newKey = keyValues(after, link.referencedColumns);
        if (!newKey || !link.cascadeUpdates)
            throw Error(ErrorCode::Constraint, relatedRecordsExistMessage(link.foreignTable));
        for (const DependentRow& dep : dependents)
            assign(link.foreignPage, link.foreignTable, dep.id, dep.values, link.foreignColumns,
                   *newKey);
    }
}

void ReferentialActions::apply() {
    for (const Change& c : changes_) {
        TableEditor& editor = editorFor(c.table, c.tableName);
        if (c.values)
            editor.updateRow(c.id, *c.values);
        else
            editor.removeRow(c.id);
    }
}

std::vector<uint32_t> ReferentialActions::touchedTables() const {
    std::set<uint32_t> pages;
    for (const Change& c : changes_) pages.insert(c.table);
    return {pages.begin(), pages.end()};
}

}  // namespace jet
