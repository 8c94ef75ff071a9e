// A recordset: the rows of one SELECT, with a current record, navigation,
// bookmarks, a filter and a sort applied in memory, locate, re-query and an
// edit buffer.
//
// What a caller may rely on:
// - recordCount() is exact and counts the rows that pass the filter.
// - Positions follow ADO: after the last record isEof(), before the first
//   isBof(); an empty recordset is both. recNo() counts from 1, 0 when
//   there is no current record.
// - A Bookmark is a stable identity: the base-table row ids the row was built
//   from (plus which occurrence of them it is, for results that repeat a
//   row), or the row's ordinal when it came from no base row. It survives
//   filter, sort and requery; a bookmark whose row was deleted or is
//   filtered out is reported invalid and never moves to another row.
// - setFilter and setSort throw jet::Error for a text they refuse and then
//   leave the old filter or sort and the position as they were. Both keep
//   the current record when it is still visible (else go to the first).
// - requery() runs the same SQL again, keeps filter and sort, and returns to
//   the record it was on: by bookmark, else the first record whose first
//   field has the old value, else the first record.
//
// Memory: when every column is a plain column of one base table (a
// "SELECT ... FROM table" with any WHERE and ORDER BY), the recordset keeps
// only each row's identity and reads a row's values from the file when they
// are asked for, so its size does not grow with the width of the rows. The
// current record's values stay decoded until the position moves; a filter
// or sort reads the table once, decoding only the columns it names, and
// keeps nothing but the sort keys.
// A row deleted from the file since the statement ran reads as "Record is
// deleted." and fails every filter. Other results (joins, expressions,
// grouping, unions) are held in memory as the query returned them.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/recordset/recordset_edit_buffer.h"
#include "jet/recordset/recordset_filter.h"
#include "jet/recordset/recordset_sort.h"
#include "jet/sql/binder/binder.h"
#include "jet/sql/executor/query_result.h"
#include "jet/sql/functions/value_ops.h"
#include "jet/sql/parser/parser.h"

namespace jet {

class Database;

struct Bookmark {
    std::vector<RowPointer> rowIds;  // empty when the row has no base row
    size_t occurrence = 0;           // nth row with these ids (the ordinal when none)
    auto operator<=>(const Bookmark&) const = default;
};

struct FieldInfo {
    std::string name;
    DataType type = DataType::Text;
    int size = 0;
    bool readOnly = true;
    bool required = false;
};

struct LocateOptions {
    bool caseInsensitive = true;
    // Text fields match when they start with the value sought.
    bool partialKey = false;
};

class Recordset {
public:
    // Runs the SELECT and goes to the first record. Throws jet::Error as the
    // SQL engine does; the recordset is then closed.
    // `parse` tells how the statement is read: a statement sent through a
    // data connection takes % and _ in LIKE as well (see sql::ParseOptions).
    void open(Database& db, std::string sql, sql::QueryParameters parameters = {},
              sql::ParseOptions parse = {});
    // Whether the values are read from the file on demand (see above).
    bool readsOnDemand() const { return baseTable_ != nullptr; }
    bool isOpen() const { return db_ != nullptr; }

    // ---- Navigation ----
    size_t recordCount() const { return view_.size(); }
    bool isBof() const { return view_.empty() || cursor_ < 0; }
    bool isEof() const { return view_.empty() || cursor_ >= static_cast<long>(view_.size()); }
    void first();
    void last();
    void next();
    void prior();
    // Moves by n records (negative backwards); past either end gives EOF or BOF.
    void moveBy(long n);
    size_t recNo() const;

    // ---- Fields of the current record ----
    size_t fieldCount() const { return fields_.size(); }
    const FieldInfo& field(size_t index) const { return fields_.at(index); }
    std::optional<size_t> fieldIndex(std::string_view name) const;
    // The current record's value; throws jet::Error when there is none
    // ("Either BOF or EOF is True, or the current record has been deleted.").
    // The reference is valid until the position moves.
    const Value& value(size_t index) const;
    const Value& value(std::string_view name) const;
    bool isNull(size_t index) const { return value(index).isNull(); }
    // The value of the record at `position` (0-based, in view order) without
    // moving there: what a grid asks for the rows it shows. Throws like
    // value() for a position outside the view or a row that is gone. The
    // reference is valid until the next call of valueAt.
    const Value& valueAt(size_t position, size_t index) const;

    // Calls `visit` with the position (in view order) and the value of field
    // `index` of every record of the view, in no particular order (rows read
    // on demand come in one pass over the table, decoding that column only).
    // `visit` returns false to stop. The current record does not move.
    void visitFieldValues(size_t index,
                          const std::function<bool(size_t position, const Value& value)>& visit) const;

    // ---- Bookmarks ----
    std::optional<Bookmark> bookmark() const;
    bool isBookmarkValid(const Bookmark& mark) const;
    // Goes to the bookmarked record; false (position unchanged) when invalid.
    bool moveToBookmark(const Bookmark& mark);

    // ---- Filter and sort ----
    void setCaseSensitive(bool caseSensitive);
    void setFilter(std::string_view text);
    const std::string& filterText() const { return filterText_; }
    // Sorts text with this comparison instead of the database's sort order.
    void setTextCollation(TextCollation collation);
    void setSort(std::string_view text);
    const std::string& sortText() const { return sortText_; }

    // Goes to the first record (in the current order) whose fields, named in
    // `fields` joined by ";", equal `values`; false and no move when none.
    bool locate(std::string_view fields, const std::vector<Value>& values,
                const LocateOptions& options = {});

    // Runs the same SQL again (see above).
    void requery();

    // ---- Edit buffer and posting ----
    // edit() starts from the current record, addNew() from an empty one;
    // setFieldValue fills the buffer (read-only fields are refused); post()
    // writes it to the base tables in one transaction and cancel() drops it.
    //
    // - Posting an edit writes the changed fields into the base rows they
    //   came from (several tables of a join each get their own row changed);
    //   posting a new record inserts one row into the one table its fields
    //   belong to. Afterwards the record is current and shows what was
    //   stored (auto-number filled in, values as converted); a new record
    //   comes at the end of the view, whatever the sort, until a re-query.
    // - A refused post throws jet::Error with the engine's message, writes
    //   nothing and keeps the edit state and the buffer, so the user can
    //   correct the value or cancel.
    // - remove() deletes the current record's base row (results of one table
    //   only: "Could not delete from specified tables." otherwise); the next
    //   record becomes current, or the new last one when it was the last.
    //   A bookmark of a deleted record is invalid from then on.
    // - An edit belongs to the record it started on: moving elsewhere does
    //   not move it, and post() writes that record. value() shows the
    //   buffer while the edited record (or the new one) is current.
    EditState editState() const { return buffer_.state(); }
    // The view position of the record being edited; nothing while browsing,
    // adding a new record, or when the edited record is out of the view.
    std::optional<size_t> editPosition() const;
    void edit();
    void addNew();
    void setFieldValue(size_t index, Value value);
    const EditBuffer& editBuffer() const { return buffer_; }
    void post();
    void cancel() { buffer_.clear(); }
    void remove();
    // Whether post() and remove() can change this result at all: some field
    // is a plain column of a base table.
    bool canModify() const;

private:
    void load();
    // Runs the statement; rows of one base table come without values.
    void execute(Database& db);
    // The values of a result row (decoded on demand); nullopt when a row read
    // on demand no longer exists.
    std::optional<std::vector<Value>> decodeRow(size_t resultRow) const;
    // The values of a result row, kept for the current record; throws when
    // the row no longer exists.
    const std::vector<Value>& rowValues(size_t resultRow) const;
    // Calls `visit` with every result row that still exists and its values:
    // rows read on demand in storage order (one pass over the table), others
    // in result order. Rows read on demand decode only the columns `needed`
    // marks; the others are passed as Null.
    void visitRows(const std::vector<bool>& needed,
                   const std::function<void(size_t, const std::vector<Value>&)>& visit) const;
    RecordFilter compileFilter(std::string_view text, bool caseSensitive) const;
    // Filters and sorts the rows again; stays on `keep` when it is visible.
    void rebuildView(const std::optional<Bookmark>& keep);
    bool hasCurrent() const { return !isBof() && !isEof(); }
    const std::vector<Value>& currentValues() const;
    std::optional<size_t> viewIndexOf(size_t resultRow) const;
    std::span<const RowPointer> markIdsOf(size_t resultRow) const;
    Bookmark markOf(size_t resultRow) const;
    std::optional<size_t> rowOfMark(const Bookmark& mark) const;
    // Posting (recordset_post.cpp).
    void postEdit();
    void postInsert();
    // Brings the kept values of every result row built from base row `id`
    // of `slot` up to date with the stored row.
    void refreshSlot(size_t slot, RowPointer id, const std::vector<Value>& stored);
    // Adds a result row for a row just inserted and makes it current.
    void appendResultRow(sql::ResultRow row);
    void hideResultRow(size_t resultRow);

    Database* db_ = nullptr;
    std::string sql_;
    sql::QueryParameters parameters_;
    sql::ParseOptions parse_;

    sql::QueryResult result_;
    // Set when values are read on demand: the base table and, per field, its
    // column in the table's definition.
    std::shared_ptr<const TableDef> baseTable_;
    std::vector<size_t> baseColumns_;
    mutable size_t cachedRow_ = static_cast<size_t>(-1);
    mutable std::vector<Value> cachedValues_;
    // The last row valueAt read, kept apart from the current record's so
    // that a grid painting other rows leaves the current record's values
    // (and references to them) alone.
    mutable size_t peekRow_ = static_cast<size_t>(-1);
    mutable std::vector<Value> peekValues_;
    std::vector<FieldInfo> fields_;
    // Bookmarks without a copy per row: which occurrence of its row ids each
    // result row is, and the result rows in bookmark order for lookups.
    std::vector<uint32_t> occurrence_;
    std::vector<uint32_t> markOrder_;
    // Rows read on demand: the packed row id of each row of markOrder_, so a
    // scan can match rows without reaching into the result rows.
    std::vector<uint32_t> markOrderIds_;

    bool caseSensitive_ = false;
    std::string filterText_;
    std::optional<RecordFilter> filter_;
    std::string sortText_;
    std::vector<ResolvedSortKey> sortKeys_;
    TextOrder textOrder_;

    std::vector<size_t> view_;          // result rows in view order, after filter
    std::vector<size_t> viewPosition_;  // result row -> index in view_, or none (-1)
    long cursor_ = 0;                   // index into view_; -1 is BOF, view_.size() is EOF

    // Result rows whose base row this recordset deleted: out of every view
    // and every pass over the table (their row id may be taken again by a
    // new row).
    std::vector<bool> deleted_;

    EditBuffer buffer_;
    size_t editRow_ = 0;  // the result row an edit (EditState::Edit) belongs to
};

}  // namespace jet
