// Changes the rows of one table of an open file in place, as Access does:
//
//   jet::TableEditor editor(*db, "Customers");
//   jet::RowPointer id = editor.insert(values);  // values in column order
//   editor.update(id, values);
//   editor.remove(id);
//
// Each operation is one page transaction (jet/file/page_store.h): it applies
// completely or not at all. Everything that can refuse it is checked before
// a page is written: values converted and checked as the bulk writer checks
// them (jet/table/row_rules.h), auto-numbers assigned, a null in a required
// index and duplicate keys of a unique index refused in Access's words.
//
//   - insert places the row on a data page of the table with room (the last
//     one used, then those of its free-space map), or on a new page from the
//     free-page map or the end of the file, recorded in the table's maps;
//     long values go where the bulk writer puts them (long_value_store.h);
//   - remove flags the row's slot deleted, as Access does, and gives back its
//     bytes and its long values;
//   - update rewrites the row on its page when the page still holds it, else
//     moves it to another page and leaves in its slot a pointer to the new
//     place (flagged as Access flags an overflow row), so that its row id,
//     and with it every index entry and bookmark, stays valid;
//   - every index of the table gets its entries inserted and removed
//     (index_tree_edit.h); the definition's row count and next auto-number
//     follow.
//
// Referential integrity of the relationships the table takes part in with
// integrity enforced (relation_links.h; those not enforced are not
// checked), in Access's words (jet::Error Constraint):
//   - a foreign key with no null part that an insert or update writes must
//     name a row of the referenced table ("You cannot add or change a record
//     because a related record is required in table 'X'."); a row of a
//     self-related table may name itself;
//   - deleting a referenced row deletes its dependents where the
//     relationship cascades deletes (and on through theirs), sets their
//     foreign key to Null where it cascades to Null, and is refused
//     otherwise ("The record cannot be deleted or changed because table 'X'
//     includes related records."); changing a referenced key carries the
//     new key to the dependents where the relationship cascades updates,
//     and is refused otherwise (referential_actions.h).
// The cascades belong to the operation's transaction. The refusals above
// come before anything is written; a cascaded change that fails (a
// dependent's own rule) rolls the whole operation back.
//
// Jet 3, Jet 4 and ACE files. The database must be open for writing
// (OpenOptions::writable). Refused with jet::Error (Unsupported) at
// construction: tables with attachment, multi-value or calculated columns
// (named), indexes whose text keys the engine cannot build, definitions it
// cannot write back. Within a transaction the caller has opened on
// db.pages(), operations join it: a refused operation has written nothing,
// and any other failure (a cascade's included) leaves the caller to roll
// back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/index_key.h"
#include "jet/format/page_types.h"
#include "jet/format/sort_order.h"
#include "jet/table/long_value_store.h"
#include "jet/table/page_allocator.h"
#include "jet/table/relation_links.h"
#include "jet/table/row_rules.h"
#include "jet/value.h"

namespace jet {

class TableEditor {
public:
    // Throws jet::Error: NotFound for an unknown table, Io for a database
    // open read-only, Unsupported as above, Corrupt for a relationship index
    // whose other side is not there.
    TableEditor(Database& db, std::string_view table);
    ~TableEditor();
    TableEditor(const TableEditor&) = delete;
    TableEditor& operator=(const TableEditor&) = delete;

    // Adds a row (one value per column, in column order; null takes an
    // auto-number or stays null) and returns its row id.
    RowPointer insert(std::span<const Value> values);
    // Replaces the values of row `id`; a null auto-number keeps its number.
    // Throws jet::Error (NotFound) when the row does not exist.
    void update(RowPointer id, std::span<const Value> values);
    // Deletes row `id`. Throws jet::Error (NotFound) when it does not exist.
    void remove(RowPointer id);
    // All three throw jet::Error (Constraint) in Access's words for a row
    // that breaks a rule of the table or of a relationship (see above).

    // The definition as it stands after the last operation.
    const TableDef& def() const { return *def_; }

private:
    friend class ReferentialActions;

    struct KeyColumn {
        size_t valueIndex;
        DataType type;
        bool ascending;
        SortOrderKind textOrder;
    };
    struct IndexPlan {
        size_t realIndex;
        std::string name;
        std::vector<KeyColumn> columns;
        bool unique = false, ignoreNulls = false, required = false;
    };
    // An index entry a row should have (none when the index skips it).
    struct RowKey {
        std::optional<std::vector<uint8_t>> key;
        bool anyNull = false;
    };

    // Runs `body` in the caller's transaction or one of its own.
    template <typename F>
    void inTransaction(F&& body);
    // Changes this table inside the transaction: `change` gets the stored
    // definition, whose counts and roots are written back when they moved.
    template <typename F>
    void changeTable(F&& change);
    void forgetLearntPages();

    // One row changed inside the transaction. insertRow checks the row's
    // foreign keys (an insert cascades nothing); updateRow and removeRow
    // neither check nor cascade: the cascades planned them
    // (referential_actions.h).
    RowPointer insertRow(std::span<const Value> values);
    void updateRow(RowPointer id, std::span<const Value> values);
    void removeRow(RowPointer id);
    // Refuses a foreign key that names no row of its referenced table.
    void requireReferencedRows(const std::vector<Value>& row, const std::vector<Value>* old);
    const std::vector<RelationLink>& links() const { return links_; }
    std::vector<Value> prepare(std::span<const Value> values, const std::vector<Value>* old,
                               uint32_t& nextAutoNumber) const;
    RowKey keyOf(const IndexPlan& plan, const std::vector<Value>& row) const;
    std::vector<RowKey> keysOf(const std::vector<Value>& row) const;
    void checkKeys(TableDef& raw, const std::vector<RowKey>& keys, std::optional<RowPointer> self);
    std::vector<uint8_t> encode(const std::vector<Value>& row);
    RowPointer placeRow(TableDef& raw, std::vector<uint8_t> bytes, uint16_t flags,
                        std::optional<uint32_t> avoid);
    uint32_t newDataPage(TableDef& raw);
    void releaseLongValues(Bytes rowBytes);
    void addEntries(TableDef& raw, const std::vector<RowKey>& keys, RowPointer id);
    void removeEntries(TableDef& raw, const std::vector<RowKey>& keys, RowPointer id);
    std::vector<Value> existingRow(RowPointer id) const;

    Database& db_;
    std::shared_ptr<const TableDef> def_;
    std::vector<ColumnRule> rules_;
    std::vector<IndexPlan> indexes_;
    NumericKeyForm numericForm_ = NumericKeyForm::Jet;
    PageAllocator allocator_;
    std::vector<std::unique_ptr<LongValueStore>> longValues_;  // by column, null for others
    std::vector<LongValueSink*> sinks_;
    std::optional<uint32_t> lastDataPage_;
    std::vector<RelationLink> links_;
};

}  // namespace jet
