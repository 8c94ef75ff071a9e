// The grid's table model over a query: one row per record of the query's
// current view (its filter and sort), one column per field. Nothing is
// copied: each cell asks the query for the value of its record by position
// (TCustomQueryUDB::RecordValue), so a table of a million rows costs no more
// to show than the rows on the screen, and painting moves no record.
//
// What callers rely on:
// - The model hears the query through a data link: an open, close, filter,
//   sort or re-query resets it; a move of the current record is signalled
//   as currentRecordMoved.
// - While the query adds a record, the model has one row more, the last,
//   which shows the new record's buffer; the edited record shows what was
//   typed. The indicator column marks the current row ("▸"), the edited
//   one ("I") and the new one ("*").
// - A cell is editable when the grid's CanEditColumn agrees; setData puts
//   the query into edit state first and hands the text to the field (the
//   engine converts it when the record is posted). A value the query
//   refuses is reported through editRefused and the cell keeps its value.
// - A value that can no longer be read shows as empty text.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <optional>

#include "db/db_types.h"
#include "db/xDBComponents_UDB_query.h"
#include "grid/xDBGrid_options.h"

class TxDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles { CellKindRole = Qt::UserRole + 1 };
    enum CellKind { ckText, ckBoolean, ckMemo, ckPicture };

    TxDBGridModel(const TOptionsEx2& options, QObject* parent = nullptr);
    ~TxDBGridModel() override;

    void setDataSet(TCustomQueryUDB* dataSet);
    TCustomQueryUDB* dataSet() const { return dataSet_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Whether a cell of `column` may be edited (the grid's editing check
    // without entering edit state); nothing set: no cell is editable.
    std::function<bool(int column)> CanEditColumn;
    // The row of the record being added, -1 when none is.
    int newRecordRow() const;
    // Writes `value` into the field of `column` of the current record,
    // putting the query into edit state first; false (and editRefused)
    // when the query refuses.
    bool writeCell(int column, const db::Value& value);
    bool writeCellText(int column, const QString& text);

    std::optional<TQueryField> field(int column) const;
    CellKind cellKind(int column) const;
    // The text a cell shows (memo fields: their whole text), by row
    // position; empty outside the data.
    QString cellText(int row, int column) const;
    bool cellIsNull(int row, int column) const;
    // The row of the query's current record (the new record's row while one
    // is added), -1 without one.
    int currentRow() const;
    QVariant cellVariant(int row, int column) const;

    // Colours the model hands to the view.
    QColor FontColorFiltered = QColor(0, 0, 128);
    QColor FontColorReadOnly;
    QColor ColorOddRow = QColor(192, 220, 192);
    // Fields drawn as check boxes besides Boolean fields: entries of field
    // name, "=", true text, ";", false text (default "1;0").
    QStringList FieldsAsBoolean;
    // The true text of a field listed there; nothing when it is not listed.
    std::optional<QString> booleanTrueText(const QString& fieldName) const;
    // Its true and false texts.
    std::optional<std::pair<QString, QString>> booleanTexts(const QString& fieldName) const;

signals:
    void currentRecordMoved();
    void dataSetReset();
    void editRefused(const QString& message);

private:
    void linkEvent(TDataLinkEvent event);
    void editingChanged();
    // The value a cell shows: the record's, or the new record's buffer.
    const db::Value& valueAt(int row, int column) const;
    int recordRows() const;
    const TOptionsEx2& options_;
    TCustomQueryUDB* dataSet_ = nullptr;
    int indicatorRow_ = -1;
    bool newRowShown_ = false;
};
