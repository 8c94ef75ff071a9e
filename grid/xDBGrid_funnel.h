// The funnel value list (TxDBGridFilterForm): a borderless window under a
// column's title with the column's distinct values as check boxes headed by
// "(select all)"; "Ok" filters the column on the checked values.
//
// What callers rely on:
// - Values are told apart by value, not by their display text: two numbers
//   that show alike stay two items, and each item's condition compares
//   the exact stored value. A null is its own item, shown as "(empty)";
//   a text "(empty)" is another item.
// - A column filtered together with others lists the values the other
//   filters hide as unchecked (and "(select all)" unchecked).
#pragma once

#include <QFrame>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

#include "db/db_types.h"
#include "db/xDBComponents_UDB_query.h"

class QCheckBox;
class QListView;
class TFunnelListModel;
class QPushButton;
class QToolButton;
class TxDBGrid;

inline const QString kFunnelSelectAll = QStringLiteral("(select all)");
inline const QString kFunnelEmpty = QStringLiteral("(empty)");

struct TFunnelItem {
    QString ValueText;    // the exact value as text; empty for null
    QString DisplayText;  // what the list shows
    QVariant Value;       // for sorting and the condition
    bool IsNull = false;
    bool Checked = false;
};

// The distinct values of a grid column: those of the current view first
// (checked), then, when the query is filtered, those only the whole data
// holds (unchecked). `complete` tells whether the second pass added any.
QList<TFunnelItem> LoadFunnelItems(TxDBGrid* grid, int column, bool* secondPassAdded);
// Dates as dates, numbers as numbers, everything else alphabetically; the
// null item first.
void SortFunnelItems(QList<TFunnelItem>& items);
// The condition the checked items give: one equality (or null test) each,
// joined with " OR ".
QString FunnelCondition(const std::optional<TQueryField>& field, const QList<TFunnelItem>& items);

class TxDBGridFilterForm : public QFrame {
    Q_OBJECT
public:
    explicit TxDBGridFilterForm(TxDBGrid* grid);

    // Fills the list for the column and places the window under its title.
    void LoadList(int column);
    int Column() const { return column_; }
    void ForgetColumn() { column_ = -1; }
    // "Ok": sets the column's condition (nothing when too many values are
    // checked) and hides the window.
    void Accept();

    // The list's rows: 0 is "(select all)", then the values in their order.
    int ItemCount() const;
    QString ItemText(int row) const;
    bool ItemChecked(int row) const;
    // As a click on the row's check box does.
    void SetItemChecked(int row, bool checked);
    // The row showing `text`, -1 when none or several do.
    int FindItem(const QString& text) const;

    // A view over the items: a list of a million values costs no more than
    // the rows it shows.
    QListView* List = nullptr;
    QCheckBox* chAddToFilter = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;
    QToolButton* btFilter = nullptr;
    QToolButton* btClear = nullptr;

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void place(int column);
    TxDBGrid* grid_;
    int column_ = -1;
    TFunnelListModel* model_ = nullptr;
};
