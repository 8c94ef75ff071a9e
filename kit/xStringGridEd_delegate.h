// How the string grid's cells are drawn and edited: check boxes and colour
// swatches painted in the cell, the owner's cell parameters applied, and the
// in-place editor, a line edit whose text goes into the cell as it is typed
// (so the new-row rule and the change counter see every keystroke) with a
// button for list, date and ellipsis styles. The editor's keys (Esc, Enter,
// Alt+Down, F4, arrow moves, date shortcuts, typing into a closed list) are
// decided here and carried out by the grid.
#pragma once

#include <QLineEdit>
#include <QStyledItemDelegate>

class TxStringGridEd;

namespace kit {

class StringGridEdDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit StringGridEdDelegate(TxStringGridEd* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // The area of a check box in a cell of `rect` placed by `alignment`.
    static QRect checkBoxRect(const QRect& rect, Qt::Alignment alignment, const QWidget* widget);
    // Closes an open editor as the user's Enter or Esc would.
    void closeEditorOf(QWidget* editor) { emit closeEditor(editor, NoHint); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    bool editorKey(QLineEdit* editor, QKeyEvent* key);

    TxStringGridEd* grid_;
};

}  // namespace kit
