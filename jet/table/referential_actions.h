// What deleting a row, or changing its key, does to the rows that depend on
// it through relationships with enforced integrity (relation_links.h), as
// Access does it: dependents of a deleted row are deleted too (cascade
// deletes, and on through their own dependents), or get Null in their
// foreign key (cascade to Null), or forbid the deletion; dependents of a
// changed key take the new key (cascade updates) or forbid the change.
//
// The whole set of changes is planned first, by reading only, so that a
// refusal ("The record cannot be deleted or changed because table 'X'
// includes related records.") comes before anything is written; apply()
// then writes them one row at a time through each table's TableEditor,
// the row the operation started from first. Each row is changed once, the
// last plan for it winning (a row both deleted and set to Null is deleted),
// so cycles of self-relationships end. Used by TableEditor inside the
// operation's page transaction.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/page_types.h"
#include "jet/table/relation_links.h"
#include "jet/value.h"

namespace jet {

class TableEditor;

class ReferentialActions {
public:
    // `origin` is the editor of the table the operation starts from.
    ReferentialActions(Database& db, TableEditor& origin);
    ~ReferentialActions();
    ReferentialActions(const ReferentialActions&) = delete;
    ReferentialActions& operator=(const ReferentialActions&) = delete;

    // Plans deleting row `id` of the origin table, whose stored values are
    // `row`. Throws jet::Error (Constraint) when a dependent forbids it.
    void planRemove(RowPointer id, const std::vector<Value>& row);
    // Plans replacing row `id` (stored values `old`) with `row`, values
    // prepared as they will be written. Throws as planRemove.
    void planUpdate(RowPointer id, const std::vector<Value>& old, const std::vector<Value>& row);
    // Writes every planned change. A failure here (a cascaded key that
    // breaks a unique index, say) leaves the transaction to be rolled back.
    void apply();

    // The definition pages of the tables apply() changed, for forgetting
    // what was cached of them when the transaction is rolled back.
    std::vector<uint32_t> touchedTables() const;

private:
    struct Change {
        uint32_t table;
        std::string tableName;
        RowPointer id;
        std::vector<Value> stored;
        std::optional<std::vector<Value>> values;  // nullopt: the row is deleted
    };
    using RowKey = std::pair<uint32_t, uint32_t>;  // definition page, packed row id

    TableEditor& editorFor(uint32_t table, const std::string& name);
    void removeRow(uint32_t table, const std::string& name, RowPointer id,
                   const std::vector<Value>& stored);
    void assign(uint32_t table, const std::string& name, RowPointer id,
                const std::vector<Value>& stored, const std::vector<size_t>& columns,
                const std::vector<Value>& values);
    void cascadeKeyChange(uint32_t table, const std::string& name, const std::vector<Value>& stored,
                          const std::vector<Value>& before, const std::vector<Value>& after);

    Database& db_;
    TableEditor& origin_;
    std::map<uint32_t, std::unique_ptr<TableEditor>> editors_;
    std::vector<Change> changes_;
    std::map<RowKey, size_t> planned_;
    // Dependents that forbid the operation unless the plan deletes them.
    std::vector<std::pair<RowKey, std::string>> restricting_;
};

}  // namespace jet
