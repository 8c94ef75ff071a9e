// The recordset's edit buffer and the way it reaches the base tables: every
// post and delete goes through the table editor, inside one transaction, so
// a refused change leaves the file as it was.
#include <algorithm>
#include <map>
#include <set>

#include "jet/error.h"
#include "jet/recordset/recordset.h"
#include "jet/sql/functions/value_ops_text.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"

namespace jet {
namespace {

[[noreturn]] void throwNoCurrentRecord() {
    throw Error(ErrorCode::InvalidArgument,
                "Either BOF or EOF is True, or the current record has been deleted. Requested "
                "operation requires a current record.");
}

[[noreturn]] void throwReadOnly() {
    throw Error(ErrorCode::Unsupported, "Cannot update. Database or object is read-only.");
}

size_t columnIndexOf(const TableDef& def, const std::string& name) {
    for (size_t c = 0; c < def.columns.size(); ++c) {
        if (compareTextNoCase(def.columns[c].name, name) == 0) return c;
    }
    throw Error(ErrorCode::NotFound, "Column '" + name + "' is not in table '" + def.name + "'.");
}

// One transaction around a change of several tables. The table editor
// keeps the database's definitions current as it goes; when the whole
// change is rolled back, the definitions it read inside are forgotten so
// that nothing shows row counts or auto-numbers that were never stored.
template <typename F>
void inOneTransaction(Database& db, const std::set<std::string>& tables, F&& change) {
    PageStore& store = db.pages();
    if (store.inTransaction()) {
        change();
        return;
    }
    try {
        PageTransaction transaction(store);
        change();
        transaction.commit();
    } catch (...) {
        for (const std::string& name : tables) {
            if (const CatalogObject* object = db.findObject(name)) db.forgetTableDef(object->tdefPage());
        }
        throw;
    }
}

}  // namespace

void Recordset::edit() {
    if (!canModify()) throwReadOnly();
    if (!hasCurrent()) throwNoCurrentRecord();
    buffer_.begin(EditState::Edit, currentValues());
    editRow_ = view_[static_cast<size_t>(cursor_)];
}

std::optional<size_t> Recordset::editPosition() const {
    if (buffer_.state() != EditState::Edit) return std::nullopt;
    return viewIndexOf(editRow_);
}

void Recordset::addNew() {
    if (!db_)
        throw Error(ErrorCode::InvalidArgument,
                    "Operation is not allowed when the object is closed.");
    if (!canModify()) throwReadOnly();
    buffer_.begin(EditState::Insert, std::vector<Value>(fields_.size()));
}

void Recordset::setFieldValue(size_t index, Value value) {
    if (buffer_.state() == EditState::Browse) {
        throw Error(ErrorCode::InvalidArgument, "Update or CancelUpdate without AddNew or Edit.");
    }
    if (fields_.at(index).readOnly) {
        throw Error(ErrorCode::InvalidArgument,
                    "Field '" + fields_[index].name + "' cannot be updated; it is read-only.");
    }
    buffer_.set(index, std::move(value));
}

bool Recordset::canModify() const {
    if (!db_ || !db_->pages().writable()) return false;
    return std::any_of(result_.columns.begin(), result_.columns.end(),
                       [](const sql::ResultColumn& c) { return c.updatable && c.rowIdSlot >= 0; });
}

void Recordset::post() {
    switch (buffer_.state()) {
        case EditState::Browse:
            throw Error(ErrorCode::InvalidArgument,
                        "Update or CancelUpdate without AddNew or Edit.");
        case EditState::Edit:
            postEdit();
            break;
        case EditState::Insert:
            postInsert();
            break;
    }
    buffer_.clear();
}

void Recordset::postEdit() {
    if (editRow_ >= result_.rows.size() || deleted_[editRow_]) throwNoCurrentRecord();
    const sql::ResultRow& row = result_.rows[editRow_];
    // The changed fields by the base row they belong to.
    std::map<size_t, std::vector<size_t>> fieldsBySlot;
    std::set<std::string> tables;
    for (size_t f = 0; f < fields_.size(); ++f) {
        if (!buffer_.changed(f)) continue;
        const sql::ResultColumn& column = result_.columns[f];
        const size_t slot = static_cast<size_t>(column.rowIdSlot);
        if (row.rowIds.at(slot) == sql::kNoRow) {
            // The missing side of an outer join has no row to change.
            throw Error(ErrorCode::Unsupported,
                        "Field '" + column.name + "' cannot be updated: the record has no row in "
                        "table '" + column.baseTable + "'.");
        }
        fieldsBySlot[slot].push_back(f);
        tables.insert(result_.rowIdTables.at(slot));
    }
    if (fieldsBySlot.empty()) return;

    std::vector<size_t> written;
    inOneTransaction(*db_, tables, [&] {
        for (const auto& [slot, fields] : fieldsBySlot) {
            const std::string& tableName = result_.rowIdTables[slot];
            TableEditor editor(*db_, tableName);
            const RowPointer id = row.rowIds[slot];
            std::optional<std::vector<Value>> stored = readRow(*db_, editor.def(), id);
            if (!stored) throw Error(ErrorCode::NotFound, "Record is deleted.");
            for (size_t f : fields) {
                const size_t c = columnIndexOf(editor.def(), result_.columns[f].baseColumn);
                (*stored)[c] = buffer_.value(f);
            }
            editor.update(id, *stored);
            written.push_back(slot);
        }
    });
    // What the file holds now (values as the editor converted them).
    for (size_t slot : written) {
        const RowPointer id = row.rowIds[slot];
        const std::shared_ptr<const TableDef> def = db_->table(result_.rowIdTables[slot]);
        if (std::optional<std::vector<Value>> stored = readRow(*db_, *def, id)) {
            refreshSlot(slot, id, *stored);
        }
    }
}

void Recordset::postInsert() {
    // The table the new row goes to: the one the typed fields belong to,
    // else the one of the first field that can be written.
    std::optional<size_t> slot;
    for (size_t f = 0; f < fields_.size(); ++f) {
        const sql::ResultColumn& column = result_.columns[f];
        if (!buffer_.changed(f)) continue;
        const size_t s = static_cast<size_t>(column.rowIdSlot);
        if (slot && *slot != s) {
            throw Error(ErrorCode::Unsupported,
                        "A new record can be added to one table only; the values typed belong to "
                        "tables '" + result_.rowIdTables[*slot] + "' and '" +
                            result_.rowIdTables[s] + "'.");
        }
        slot = s;
    }
    if (!slot) {
        for (const sql::ResultColumn& column : result_.columns) {
            if (column.updatable && column.rowIdSlot >= 0) {
                slot = static_cast<size_t>(column.rowIdSlot);
                break;
            }
        }
    }
    if (!slot) throwReadOnly();
    const std::string tableName = result_.rowIdTables.at(*slot);

    RowPointer id;
    std::vector<Value> stored;
    inOneTransaction(*db_, {tableName}, [&] {
        TableEditor editor(*db_, tableName);
        std::vector<Value> values(editor.def().columns.size());
        for (size_t f = 0; f < fields_.size(); ++f) {
            if (!buffer_.changed(f)) continue;
            values[columnIndexOf(editor.def(), result_.columns[f].baseColumn)] = buffer_.value(f);
        }
        id = editor.insert(values);
    });
    const std::shared_ptr<const TableDef> def = db_->table(tableName);
    std::optional<std::vector<Value>> read = readRow(*db_, *def, id);
    if (!read) throw Error(ErrorCode::Corrupt, "The new record cannot be read back.");

    sql::ResultRow fresh;
    fresh.rowIds.assign(result_.rowIdTables.size(), sql::kNoRow);
    fresh.rowIds[*slot] = id;
    if (!baseTable_) {
        fresh.values.resize(fields_.size());
        for (size_t f = 0; f < fields_.size(); ++f) {
            const sql::ResultColumn& column = result_.columns[f];
            if (column.rowIdSlot == static_cast<int>(*slot) && !column.baseColumn.empty()) {
                fresh.values[f] = (*read)[columnIndexOf(*def, column.baseColumn)];
            }
        }
    }
    appendResultRow(std::move(fresh));
}

void Recordset::refreshSlot(size_t slot, RowPointer id, const std::vector<Value>& stored) {
    if (baseTable_) {
        // Values are read from the file; only the kept copies are stale.
        baseTable_ = db_->table(baseTable_->name);
        cachedRow_ = static_cast<size_t>(-1);
        peekRow_ = static_cast<size_t>(-1);
        return;
    }
    const std::shared_ptr<const TableDef> def = db_->table(result_.rowIdTables[slot]);
    std::vector<std::pair<size_t, size_t>> fieldColumns;  // field, column of the table
    for (size_t f = 0; f < fields_.size(); ++f) {
        const sql::ResultColumn& column = result_.columns[f];
        if (column.rowIdSlot == static_cast<int>(slot) && !column.baseColumn.empty()) {
            fieldColumns.emplace_back(f, columnIndexOf(*def, column.baseColumn));
        }
    }
    // Every result row built from that base row shows the change (the "one"
    // side of a join repeats on many rows).
    for (size_t r = 0; r < result_.rows.size(); ++r) {
        sql::ResultRow& row = result_.rows[r];
        if (deleted_[r] || row.rowIds.at(slot) != id) continue;
        for (const auto& [f, c] : fieldColumns) row.values.at(f) = stored.at(c);
    }
}

void Recordset::appendResultRow(sql::ResultRow row) {
    const size_t resultRow = result_.rows.size();
    const std::vector<RowPointer> ids = row.rowIds;
    result_.rows.push_back(std::move(row));
    deleted_.push_back(false);
    // Bookmark order: after every row with the same ids (a deleted row whose
    // id the new row took keeps its own, now invalid, bookmark).
    auto idsOf = [&](uint32_t r) -> const std::vector<RowPointer>& { return result_.rows[r].rowIds; };
    const auto at = std::upper_bound(markOrder_.begin(), markOrder_.end(), ids,
                                     [&](const std::vector<RowPointer>& key, uint32_t r) {
                                         return key < idsOf(r);
                                     });
    uint32_t occurrence = 0;
    if (at != markOrder_.begin() && idsOf(*(at - 1)) == ids) occurrence = occurrence_[*(at - 1)] + 1;
    occurrence_.push_back(occurrence);
    const size_t k = static_cast<size_t>(at - markOrder_.begin());
    markOrder_.insert(at, static_cast<uint32_t>(resultRow));
    if (baseTable_) markOrderIds_.insert(markOrderIds_.begin() + static_cast<long>(k), ids.at(0).packed());

    // A new record comes last until the next re-query, filter or sort.
    viewPosition_.push_back(view_.size());
    view_.push_back(resultRow);
    cursor_ = static_cast<long>(view_.size()) - 1;
    cachedRow_ = static_cast<size_t>(-1);
    peekRow_ = static_cast<size_t>(-1);
}

void Recordset::remove() {
    if (!db_)
        throw Error(ErrorCode::InvalidArgument,
                    "Operation is not allowed when the object is closed.");
    if (!hasCurrent()) throwNoCurrentRecord();
    if (!canModify()) throwReadOnly();
    // A row of a join stands for rows of several tables; which of them the
    // user means cannot be told, so only results of one table delete.
    if (result_.rowIdTables.size() != 1) {
        throw Error(ErrorCode::Unsupported, "Could not delete from specified tables.");
    }
    const size_t resultRow = view_[static_cast<size_t>(cursor_)];
    const RowPointer id = result_.rows[resultRow].rowIds.at(0);
    if (id == sql::kNoRow) throwNoCurrentRecord();
    const std::string tableName = result_.rowIdTables[0];
    inOneTransaction(*db_, {tableName}, [&] {
        TableEditor editor(*db_, tableName);
        editor.remove(id);
    });
    buffer_.clear();
    if (baseTable_) baseTable_ = db_->table(tableName);
    hideResultRow(resultRow);
}

void Recordset::hideResultRow(size_t resultRow) {
    deleted_.at(resultRow) = true;
    const std::optional<size_t> at = viewIndexOf(resultRow);
    cachedRow_ = static_cast<size_t>(-1);
    peekRow_ = static_cast<size_t>(-1);
    if (!at) return;
    view_.erase(view_.begin() + static_cast<long>(*at));
    viewPosition_[resultRow] = static_cast<size_t>(-1);
    for (size_t i = *at; i < view_.size(); ++i) viewPosition_[view_[i]] = i;
    // The record after the deleted one takes its place; after the last, the
    // one before it.
    const long size = static_cast<long>(view_.size());
    cursor_ = size == 0 ? 0 : std::min(static_cast<long>(*at), size - 1);
}

}  // namespace jet
