// TxDBGrid: the data grid through which the user browses the records of a
// query. A QTableView over TxDBGridModel (rows read on demand) with the
// program's own titles (a text filter bar and a funnel glyph in each
// filterable title, sort marks), title-click sorting through a sorter
// plug-in, the funnel value list, incremental search, copy and the
// column-width modes.
//
// What callers rely on:
// - The grid follows the query's current record and moves it: choosing a
//   cell makes its record current; moving the query moves the cell.
// - Every filter reaches the query through ApplyFilter (db/xdbtool_dataset.h)
//   as one joined text: the column conditions in FColumnFilters order,
//   joined with " AND ". A text that yields no condition, or that the query
//   refuses, marks the column "E" (drawn red) and keeps the old filter.
// - Sorting goes through the sorter (TxDBGridCustomSorter); the grid's sort
//   state changes only when the sorter succeeds.
// - Editing: a cell may be edited when EditingOption is on, its field is
//   not read-only, OnCanEdit agrees and the query enters edit state (the
//   editing check). Typed keys, F2 and a click on the current cell open the
//   cell editor; the record is posted when another row becomes current (a
//   refused post is reported and the grid stays on the record); Esc
//   cancels the record's edit; Ctrl+Delete deletes the record after the
//   question "Delete record?"; Insert, and Down on the last record, add
//   one (unless BlockInsertByKey). Delete, Ctrl+X, Ctrl+V and Space work on
//   the current cell as their routines below say.
//
// Use from the user-interface thread only.
#pragma once

#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <functional>
#include <optional>

#include "db/db_types.h"
#include "db/xDBComponents_UDB_query.h"
#include "grid/xDBGrid_options.h"
#include "grid/xDBGrid_sort_state.h"

class QLabel;
class QTimer;
class TxDBGridModel;
class TxDBGridHeader;
class TxDBGridCustomSorter;
class TxComboBoxExFilter;
class TxDBGridFilterForm;

// Why the records are scanned (reported to the scan's callback owner).
enum TScanReason { srColumnWidth, srCopy, srFunnelList, srSearch, srOther };

class TxDBGridMemoForm;

class TxDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TxDBGrid(QWidget* parent = nullptr);
    ~TxDBGrid() override;

    // ---- Data ----
    void SetDataSet(TCustomQueryUDB* dataSet);
    TCustomQueryUDB* DataSet() const;
    TxDBGridModel* gridModel() const { return model_; }
    TxDBGridHeader* gridHeader() const { return header_; }
    bool IsDatasetLinked() const;
    bool IsActive() const;
    bool IsFiltered() const;
    bool IsEmpty() const;
    bool IsNotEmpty() const { return IsActive() && !IsEmpty(); }
    // The column bound to the field (letter case ignored), or -1.
    int ColumnByFieldName(const QString& fieldName) const;
    std::optional<TQueryField> ColumnField(int column) const;
    // The field of the current column.
    std::optional<TQueryField> SelectedField() const;
    int SelectedColumn() const;
    QString GetTitleText(int column) const;
    // The text of the field in the current record (the display text, the
    // whole text of memo fields, the description of pictures).
    QString GetCellValue(const std::optional<TQueryField>& field, bool useDisplayText) const;

    // ---- Options and look ----
    TOptionsEx2 OptionsEx2;
    TLookupCondition LookupCondition = lcBrowse;
    TColumnWidth ColumnWidthAfterDblClick = cwDataLabelWidth;
    QColor ColorActiveRow;
    QColor FontColorFiltered = QColor(0, 0, 128);
    // FieldsAsBoolean lives in the model (gridModel()->FieldsAsBoolean).
    QStringList FieldsFilterButton;
    QStringList FieldsFilterMapping;  // FIELD=OTHER
    QStringList FieldsFixedColumnWidth;
    // The toolkit's editing option; typed keys edit only while it is on and
    // the query can change records.
    bool EditingOption = true;
    // The toolkit's confirm-delete option: Ctrl+Delete asks first.
    bool ConfirmDeleteOption = true;

    // ---- Editing ----
    // Vetoes editing a column; nothing set: every column may be edited.
    std::function<bool(int column)> OnCanEdit;
    // After a check-box cell was toggled.
    std::function<void(int column)> OnBoolClick;
    // The editing check without entering edit state.
    bool CanEditColumn(int column) const;
    // The editing check: true when the cell may be edited and the query is
    // now editing (it enters edit state here); a refusal is reported.
    bool BeginCellEdit(int column);
    // Pastes `text` from the current cell: one value, or with
    // AllowPasteMultipleCells a block of tab-separated lines over the
    // following columns and records (each line posted; a refused post asks
    // whether to go on). Lines past the last record become new records.
    // False when the current cell may not be edited.
    bool PasteData(const QString& text);
    // Clears the current cell (a check box to false, or null with
    // BoolAllowsNull); with `copyFirst` its text goes to the clipboard
    // first. False when the cell may not be edited.
    bool ClearCell(bool copyFirst);
    // The memo window over `column` of the current record; closed with OK
    // the text goes into the field, after the editing check (the window is
    // read-only when the field may not be edited). False when the column is
    // not a memo cell or there is no record.
    bool ShowMemo(int column);
    // Runs the memo window: exec() when unset (tests answer it here).
    std::function<int(TxDBGridMemoForm& form)> runMemoForm;
    // Inverts a check-box cell of the current record; with BoolAutoSave the
    // record is posted unless it was being edited before.
    bool ToggleBoolCell(int column);
    // Deletes the current record (a new one is dropped), asking "Delete
    // record?" first with ConfirmDeleteOption.
    bool DeleteRecord();
    // Posts a pending edit, then copies the named fields (the current one
    // when none are named) of the current record into the next record (the
    // previous with `fillUp`), adding one when there is none.
    bool FillCellData(const QStringList& fieldNames, bool fillUp);

    // ---- Record scan ----
    // Calls `visit` with the position (0-based, view order) of each record
    // visited: from the first (or only the current record), at most
    // `maxCount` records when above 0, with the filter switched off when
    // `ignoreFilter`. No record is made current, so the user's place and
    // the screen stay as they are; the filter is restored also when `visit`
    // throws. `visit` returns false to stop.
    void ScanGridRecords(const std::function<bool(int position)>& visit, TScanReason reason,
                         int maxCount, bool fromFirst, bool ignoreFilter);

    // Calls `visit` with the position and the value of the column's field
    // for every record of the view (of all records with `ignoreFilter`), in
    // no particular order, reading that one column in one pass. `visit`
    // returns false to stop.
    void ScanColumnValues(int column,
                          const std::function<bool(int position, const db::Value& value)>& visit,
                          bool ignoreFilter);

    // ---- Column widths ----
    TColumnWidth ColumnWidth() const { return columnWidth_; }
    void SetColumnWidth(TColumnWidth mode, int additionalSpace = 0);
    void SetOneColumnWidth(TColumnWidth mode, int column, int additionalSpace = 0);
    int ColumnTitleWidth(int column) const;

    // ---- Copy ----
    QString CopyCellData(bool copyToClipboard);
    // All records of the current view from the first, the visible columns
    // in grid order (all columns with includeHidden), titles first when
    // asked; the text is put on the clipboard and returned.
    QString CopyAllData(bool includeTitles, bool includeHidden);
    QString CopyFieldsData(const QStringList& fieldNames, bool includeTitles);

    // ---- Sorting ----
    TxDBGridCustomSorter* Sorter() const { return sorter_; }
    void SetSorter(TxDBGridCustomSorter* sorter) { sorter_ = sorter; }
    QString SortFieldName() const { return sortFieldName_; }
    void SetSortFieldName(const QString& names);
    QString SortDirections() const { return sortDirections_; }
    void SetSortDirections(const QString& directions);
    bool SortDesc() const { return sortDesc_; }
    void SetSortDesc(bool desc);
    bool ChangeSort(const QString& newSortFieldName, bool newSortDesc);
    bool ChangeSortEx(const QString& newSortFieldNames, const QString& newSortDirections);
    bool ReSort();
    int PosInSortField(const QString& fieldName) const;
    bool GetSortDirection(const QString& fieldName) const;
    TSortFieldNames SortFieldNamesArr() const;
    TSortDirections SortDirectionsArr() const;
    // A click on the title of `column` with the keyboard modifiers held.
    void TitleClick(int column, Qt::KeyboardModifiers modifiers);

    // ---- Filters ----
    bool IsColumnFilterable(int column, bool forTextBar) const;
    QString ColumnBarText(int column) const;
    bool ColumnBarFaulty(int column) const;
    bool ColumnFiltered(int column) const;
    QString FilteredFieldNames() const { return filteredFieldNames_; }
    QString GetColumnFilterString();
    bool SetFilterForField(const std::optional<TQueryField>& field, const QString& filterString,
                           bool multiFieldFilter, bool setFilter, bool showError);
    // The bar's text for the column: applied at once; false when it yields
    // no condition or the query refuses it (the column is then marked "E").
    bool SetColumnTextFilter(int column, const QString& text);
    bool DefineColumnFilter(const QString& fieldName, const QString& filterCondition,
                            const QString& textFilterValue, bool activateFilter);
    void ResetFilter();
    void RefreshFilteredFieldNames();
    void FilterChangedNotification();
    void ShowTextFilter(int column);
    void SetTextFilter(int column, const QString& filterText, bool activateFilter);
    void ShowFunnelFilter(int column);
    TxComboBoxExFilter* FilterCombo() const { return filterCombo_; }
    int FilterEditColumn() const { return editColumn_; }
    TxDBGridFilterForm* FilterForm() const { return filterForm_; }
    // The remembered texts of the bar's list for a field.
    QStringList FilterHistory(const QString& fieldName) const;
    // The filter case rule and the pattern's wildcard and operator: the
    // grid's own, else the sorter's, else the dataset defaults.
    QString GetTextFilterLikeChar() const;
    QString GetTextFilterLikeOperator() const;

    // ---- The top-left cell ----
    // "Total count of records: %d", with the filter text when filtered.
    QString RecordCountHint() const;
    // A push of the top-left cell: the record-count hint at once; with the
    // text filter bar, the filter switched: reset when filtered, else the
    // last filter text applied again.
    void TitleExClick();

    // ---- Incremental search ----
    QString SearchText() const { return searchText_; }
    QLabel* SearchHint() const { return searchHint_; }

signals:
    void FilterChanged();
    void SortChanged();
    void ColWidthChanged(int column);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab: the next or previous control of the window, unless
    // StandardTabKey is on or a record is being edited (then the next or
    // previous cell).
    bool focusNextPrevChild(bool next) override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class TxDBGridHeader;
    // Runs `work` with the query's filter switched off when `ignoreFilter`
    // and it is filtered, the screen quiet, and the filter and the current
    // record restored afterwards, also when `work` throws.
    void withFilterOff(bool ignoreFilter, const std::function<void()>& work);
    void syncToCurrentRecord();
    void dataSetReset();
    void applyColumnWidth(int column, int width);
    int scanColumnWidth(int column, int startWidth, bool onlyTexts);
    int availableWidth(int& fixedSum, int& movable, int& total) const;
    bool isFixedWidthColumn(int column) const;
    QString filterFieldOf(const QString& fieldName) const;
    TColumnStoredProp* columnFilterEntry(const QString& fieldName, bool create);
    bool applyJoinedFilter(bool showError);
    QString copyText(const QList<int>& columns, bool includeTitles);
    // Editing keys (xDBGrid_edit.cpp); true when the key was used.
    bool editKey(QKeyEvent* event);
    void reportEditError(const QString& message);
    bool pasteLine(const QString& line, int startColumn, QString& errors);
    // Incremental search.
    bool searchAllowed() const;
    bool searchKey(QKeyEvent* event);
    bool searchFor(const QString& candidate, TSearchingType how);
    void showSearchHint(const QString& text);
    void resetSearch();
    // Filter bar editor.
    void filterEditTextChanged();
    void applyFilterEdit();
    void closeFilterEdit(bool apply);

    TxDBGridModel* model_ = nullptr;
    TxDBGridHeader* header_ = nullptr;
    TxDBGridCustomSorter* sorter_ = nullptr;
    TColumnWidth columnWidth_ = cwNone;
    bool isSettingColumnWidth = false;
    bool syncing_ = false;
    int lastColumn_ = -1;  // the column of the last current cell
    QString sortFieldName_;
    QString sortDirections_;
    bool sortDesc_ = false;

    QList<TColumnStoredProp> FColumnFilters;
    QString filteredFieldNames_;
    QMap<QString, QString> editValues_;         // FIELD -> bar text
    QMap<QString, QString> editStatuses_;       // FIELD -> "E"
    QMap<QString, QStringList> editValueList_;  // FIELD -> history
    TxComboBoxExFilter* filterCombo_ = nullptr;
    int editColumn_ = -1;
    bool editChanged_ = false;
    QTimer* filterTimer_ = nullptr;
    TxDBGridFilterForm* filterForm_ = nullptr;

    QString lastFilterText_;
    QString searchText_;
    QTimer* searchTimer_ = nullptr;
    QLabel* searchHint_ = nullptr;
};

// The multi-select grid: the members of record selection come later; the
// program's grids are of this class already so that they arrive unchanged.
class TxDBGrid_MS : public TxDBGrid {
    Q_OBJECT
public:
    using TxDBGrid::TxDBGrid;
};

// The dataset behind a grid (none without one).
TCustomQueryUDB* GetDataSetOf(const TxDBGrid* grid);
// FilterBySelection on the grid's current field; false without a grid.
bool FilterBySelectedCell(TxDBGrid* grid, int mode);
