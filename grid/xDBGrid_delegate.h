// How the grid draws a cell: check boxes for Boolean fields (and fields
// listed in FieldsAsBoolean), a small glyph for memo and picture cells
// (filled when the cell holds something), the active row in its colour and
// the focus frame around it.
#pragma once

#include <QStyledItemDelegate>

class TxDBGrid;

class TxDBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TxDBGridDelegate(TxDBGrid* grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // The cell editor; in a date column it takes the date keys
    // (xDBGrid_date_keys.h).
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TxDBGrid* grid_;
};
