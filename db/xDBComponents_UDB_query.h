// The data surface's query: TQueryUDB, a SELECT on a TConnectionUDB with a
// current record, fields, navigation, bookmarks, the record filter and the
// recordset sort of the engine, and RequeryEx, the one way the program opens
// and refreshes its data views.
//
// What callers rely on:
// - Errors are jet::Error in the engine's words (the SQL's syntax or binding
//   error, "Either BOF or EOF is True, ..." for a field of no record). A
//   failed Open leaves the query closed.
// - RequeryEx(changeCursor) opens a closed query; on an open one it runs
//   the SQL again and returns to the record it was on (by bookmark, else the
//   first record whose first field holds the old value, else the first
//   record), keeping filter and sort. With changeCursor the mouse shows the
//   SQL-wait cursor meanwhile.
// - The sort is remembered when the query closes (also when its SQL text is
//   replaced) and applied again after the next open; a remembered sort the
//   new result cannot take is dropped silently.
// - Filter and Filtered work as on an ADO dataset: a filter text is applied
//   while Filtered is set; a text the engine refuses throws and leaves the
//   old text, the flag and the current record as they were. Both survive
//   re-query and reopening.
// - Bookmarks are stable identities of rows: they survive re-query, filter
//   and sort, and one whose row is gone or filtered out is invalid.
// - Editing works as on a dataset of the platform: Edit, Insert or Append
//   start an edit of the current or a new record, field values go into the
//   edit buffer (TQueryField::SetValue), Post writes it to the file in one
//   transaction and Cancel drops it. A refused Post throws with the
//   engine's message and keeps the edit, so the user can mend it. Moving to
//   another record, re-querying, filtering or sorting posts a changed edit
//   first (and drops an unchanged one); when that post is refused nothing
//   moves. Closing drops an edit. A new record comes at the end of the
//   view until the next re-query.
// - CanModify() is false for a read-only query (its own flag or a read-only
//   connection), a file the user may not write, or a result without a
//   plain table column; Edit, Insert, Append and Delete then throw
//   "Cannot update. Database or object is read-only.".
// - Delete removes the current record; with ConfirmDelete it first asks
//   "Delete selected record?" through the user feedback, and any answer but
//   Yes abandons it silently. Delete of a new record cancels it.
// - Dataset events (TDatasetEventType) go to the registered callbacks, in
//   slot order, then to OnDataSetEvent. Linked controls (a grid) register a
//   data link and hear that the data changed or the cursor moved, except
//   while DisableControls is in force; the last EnableControls tells them
//   the data changed.
//
// Use from the user-interface thread only.
#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

#include "db/xDBComponents_UDB.h"
#include "jet/recordset/recordset.h"

// The events reported to OnDataSetEvent and the registered callbacks.
enum TDatasetEventType {
    deNone,
    deBeforeOpen,
    deAfterOpen,
    deBeforeClose,
    deAfterClose,
    deBeforePost,
    deAfterPost,
    deBeforeScroll,
    deAfterScroll,
    deBeforeCancel,
    deAfterCancel,
    deBeforeInsert,
    deAfterInsert,
    deBeforeEdit,
    deAfterEdit,
    deBeforeDelete,
    deAfterDelete,
    deBeforeApplyUpdates,
    deAfterApplyUpdates,
    deAfterPostOrApplyUpdates,
};

enum TDatasetLastEditAction { leNone, leEdit, leInsert, leDuplic, leCancel, leDelete };

// What linked controls hear.
enum class TDataLinkEvent {
    ActiveChanged,   // the query opened or closed
    DataSetChanged,  // rows, order, filter or fields may differ: read everything again
    RecordMoved,     // only the current record changed
    EditingChanged,  // the edit state or the edit buffer changed (one row to repaint)
};

class TCustomQueryUDB;

using TDataSetEvent = std::function<void(TCustomQueryUDB& dataSet, TDatasetEventType event)>;
using TDataLinkCallback = std::function<void(TCustomQueryUDB& dataSet, TDataLinkEvent event)>;

// One field of the query's current result. A light handle: it reads through
// the query, so it always shows the current record. Fields are made afresh
// at each open; a handle kept across an open that has fewer fields throws.
class TQueryField {
public:
    TQueryField(TCustomQueryUDB& query, size_t index) : query_(&query), index_(index) {}

    size_t Index() const { return index_; }
    TCustomQueryUDB& DataSet() const { return *query_; }
    QString FieldName() const;
    jet::DataType DataType() const;
    // Characters of a text field, bytes of a binary one, the stored size of
    // other types.
    int Size() const;
    // The column cannot be written (a computed column), or the query is
    // read-only.
    bool ReadOnly() const;
    bool Required() const;

    // The current record's value (while it is edited, what was typed);
    // throws jet::Error without a current record.
    const jet::Value& Value() const;
    // Puts `value` into the edit buffer; the engine converts it to the
    // column's type when the record is posted. Throws jet::Error "Dataset not
    // in edit or insert mode." outside an edit, and for a read-only field.
    void SetValue(const jet::Value& value) const;
    // Text as typed: empty text is Null except for text and memo fields.
    void SetAsString(const QString& text) const;
    bool IsNull() const { return Value().isNull(); }
    QVariant AsVariant() const;
    QString AsString() const;

    // Display values of a Boolean field: "true text;false text" (empty: the
    // standard texts). Kept until the query next opens.
    QString DisplayValues() const;
    void SetDisplayValues(const QString& values) const;

private:
    const jet::FieldInfo& info() const;
    TCustomQueryUDB* query_;
    size_t index_;
};

class TCustomQueryUDB : public ConnectionDataset {
public:
    TCustomQueryUDB() = default;
    ~TCustomQueryUDB() override;
    TCustomQueryUDB(const TCustomQueryUDB&) = delete;
    TCustomQueryUDB& operator=(const TCustomQueryUDB&) = delete;

    // The component's name, used in trace lines.
    QString Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    // ---- Connection and SQL ----
    TCustomConnectionUDB* Connection() const { return connection_; }
    // Closes the query first; the query registers with the new connection.
    void SetConnection(TCustomConnectionUDB* connection);
    QString SQL() const { return sql_; }
    // Closes the query (so its sort is remembered) and keeps the new text.
    void SetSQL(const QString& sql);

    // ---- Open and close ----
    // Connects the connection when it is not connected yet. Throws jet::Error
    // "Missing Connection or ConnectionString." without a connection.
    void Open();
    void Close();
    bool Active() const { return recordset_.isOpen(); }
    void SetActive(bool active) { active ? Open() : Close(); }
    // See the header comment.
    void RequeryEx(bool changeCursor);
    // Runs the SQL text as a statement that changes data or structure
    // (INSERT, UPDATE, DELETE, CREATE, ALTER, DROP, or the name of a stored
    // action query) and returns the records it affected (0 for a structure
    // statement). The query is closed first and stays closed. The statement
    // applies whole or not at all: an error (jet::Error in the engine's
    // words) leaves the file as it was. A read-only query or connection is
    // refused with "Cannot update. Database or object is read-only.".
    size_t ExecSQL();

    // ---- Read-only state ----
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool CanModify() const;
    // ---- Editing (see the header comment) ----
    bool IsEditing() const { return recordset_.editState() != jet::EditState::Browse; }
    bool IsNewRec() const { return recordset_.editState() == jet::EditState::Insert; }
    // Whether a field of the edit was set.
    bool Modified() const { return IsEditing() && recordset_.editBuffer().modified(); }
    // The view position of the record being edited (not for a new record).
    std::optional<size_t> EditPosition() const { return recordset_.editPosition(); }
    TDatasetLastEditAction LastEditAction() const { return lastEditAction_; }
    // Edit of an empty result starts a new record, as Insert does.
    void Edit();
    void Insert();
    void Append();
    void Delete();
    // Throws jet::Error "Dataset not in edit or insert mode." outside an edit.
    void Post();
    void Cancel();
    // Posts a changed edit, drops an unchanged one; nothing outside an edit.
    void CheckBrowseMode();
    bool ConfirmDelete = false;
    // Text values longer than their field are cut to its size before posting.
    bool CheckFieldSizeBeforePost = false;

    // ---- Fields ----
    size_t FieldCount() const { return recordset_.fieldCount(); }
    TQueryField Fields(size_t index);
    std::optional<TQueryField> FindField(const QString& name);
    // Throws jet::Error "Field '<name>' not found." when there is none.
    TQueryField FieldByName(const QString& name);
    // The sum of the field sizes, as reported in trace lines.
    int RecordSize() const;

    // ---- Navigation (each move reports deBeforeScroll and deAfterScroll) ----
    size_t RecordCount() const { return recordset_.recordCount(); }
    bool IsEmpty() const { return recordset_.recordCount() == 0; }
    bool Eof() const { return recordset_.isEof(); }
    bool Bof() const { return recordset_.isBof(); }
    // 1-based, 0 without a current record.
    size_t RecNo() const { return recordset_.recNo(); }
    void First();
    void Last();
    void Next();
    void Prior();
    void MoveBy(long distance);
    // Makes the record at 1-based `recNo` current (clamped to the records);
    // nothing happens when it already is.
    void SetRecNo(size_t recNo);
    // The value of field `field` of the record at 0-based `position`, in the
    // current order and filter, without moving there and without events (a
    // grid reads the rows it shows this way); the edited record shows the
    // edit buffer. Throws jet::Error for a
    // position or field outside the result. Valid until the next call.
    const jet::Value& RecordValue(size_t position, size_t field) const;
    // Goes to the first record (in the current order) whose fields, named in
    // `fields` joined by ";", hold `values`; false and no move when none.
    bool Locate(const QString& fields, const std::vector<jet::Value>& values,
                const jet::LocateOptions& options = {});

    // ---- Bookmarks ----
    std::optional<jet::Bookmark> Bookmark() const;
    bool BookmarkValid(const jet::Bookmark& mark) const;
    // False (and no move) for an invalid bookmark.
    bool GotoBookmark(const jet::Bookmark& mark);
    // Throws jet::Error "Record not found." for an invalid bookmark.
    void SetBookmark(const jet::Bookmark& mark);

    // ---- Filter and sort ----
    QString Filter() const { return filter_; }
    bool Filtered() const { return filtered_; }
    void SetFilter(const QString& text) { SetFilterEx(text, filtered_); }
    void SetFiltered(bool filtered) { SetFilterEx(filter_, filtered); }
    // Sets both at once, so that a refused text changes neither.
    void SetFilterEx(const QString& text, bool filtered);
    // The sort in force (the remembered one while closed).
    QString Sort() const;
    // Applies the sort when open (the current record stays current) and
    // remembers it for the next open; a sort the open query refuses throws
    // and is not remembered.
    void SetSortEx(const QString& sort);

    // ---- WHERE line of the SQL text ----
    // The table the query reads: the first word after "FROM " of the SQL
    // (letter case ignored, at most 255 characters looked at), unless a
    // table name was set.
    QString TableName() const { return tableName_; }
    void SetTableName(const QString& name) { tableName_ = name; }
    QString GetTableName() const;
    // Replaces every line that starts with "WHERE " by "WHERE (" + condition
    // + ")"; false (and no change) when there is no such line.
    bool SetSQLWhere(const QString& condition);
    // The present condition (after "WHERE " of the last WHERE line) joined
    // with the new one by JoinOr / JoinAnd, then written back as above.
    bool AddSQLWhereOR(const QString& condition);
    bool AddSQLWhereAND(const QString& condition);

    // ---- Events and linked controls ----
    TDataSetEvent OnDataSetEvent;
    // Registers `callback` under `owner` in the first empty slot.
    void AddEventNotify(const void* owner, TDataSetEvent callback);
    // Empties every slot registered under `owner`.
    void RemoveEventNotify(const void* owner);
    void AddDataLink(const void* owner, TDataLinkCallback callback);
    void RemoveDataLink(const void* owner);
    void DisableControls() { ++controlsDisabled_; }
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }
    // Tells the linked controls that the data changed.
    void UpdateDatasetState();

    // Calls `visit` with the position and the value of `field` for every
    // record of the current view, in no particular order, reading that one
    // column in one pass (what a list of a column's distinct values needs);
    // `visit` returns false to stop. Nothing moves and nothing is reported.
    void ScanFieldValues(size_t field,
                         const std::function<bool(size_t position, const jet::Value& value)>& visit) const;

    // Posts a pending edit (CheckBrowseMode), visits every record from the
    // first without scroll events or link notices, then returns to the
    // record that was current.
    void ScanRecords(const std::function<void()>& visit);

    // The engine recordset, for readers that need more than this surface.
    const jet::Recordset& recordset() const { return recordset_; }

    // ConnectionDataset
    void connectionClosing() override { Close(); }
    void connectionDestroyed() override;

private:
    friend class TQueryField;
    void requireOpen() const;
    void scroll(const std::function<void()>& move);
    void report(TDatasetEventType event);
    void notifyLinks(TDataLinkEvent event);
    void openRecordset();
    void trace(const QString& text, double seconds, bool withCounts);
    [[noreturn]] void refuseEdit() const;
    void requireEditing() const;
    void cutLongTexts();
    bool rewriteWhere(const QString& condition);

    struct Slot {
        const void* owner = nullptr;
        TDataSetEvent callback;
    };
    struct Link {
        const void* owner = nullptr;
        TDataLinkCallback callback;
    };

    QString name_;
    TCustomConnectionUDB* connection_ = nullptr;
    QString sql_;
    QString tableName_;
    bool readOnly_ = false;
    TDatasetLastEditAction lastEditAction_ = leNone;
    jet::Recordset recordset_;
    std::vector<QString> displayValues_;
    QString filter_;
    bool filtered_ = false;
    QString lastSort_;
    std::vector<Slot> eventNotify_;
    std::vector<Link> links_;
    int controlsDisabled_ = 0;
    bool changedWhileDisabled_ = false;
};

class TQueryUDB : public TCustomQueryUDB {};

// Whether running `sql` gives records to show (SELECT without INTO, UNION,
// TRANSFORM, with or without PARAMETERS) rather than changing data or
// structure, as the engine's parser reads it: leading white space, line
// breaks and parentheses do not matter. A text the parser refuses counts as
// records when its first word is SELECT or TRANSFORM, so that opening it
// reports the syntax error where the user expects records.
bool StatementReturnsRecords(const QString& sql);

// Keeps a query's linked controls quiet for its lifetime.
class ScopedControlsOff {
public:
    explicit ScopedControlsOff(TCustomQueryUDB& query) : query_(query) { query_.DisableControls(); }
    ~ScopedControlsOff() { query_.EnableControls(); }
    ScopedControlsOff(const ScopedControlsOff&) = delete;
    ScopedControlsOff& operator=(const ScopedControlsOff&) = delete;

private:
    TCustomQueryUDB& query_;
};
