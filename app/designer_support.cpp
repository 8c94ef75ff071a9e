#include "app/designer_support.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPalette>
#include <QPushButton>
#include <stdexcept>

#include "kit/xStringGridEd.h"

QPushButton* actionButton(QAction* action, const char* name, QWidget* parent) {
    auto* button = new QPushButton(action ? action->text() : QString(), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumWidth(75);
    if (!action) return button;
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [button, action] {
        button->setEnabled(action->isEnabled());
        button->setText(action->text());
    });
    button->setEnabled(action->isEnabled());
    return button;
}

QStringList itemsOf(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    return items;
}

int indexOfName(const QStringList& names, const QString& name) {
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString alreadyExistsMessage(const QString& name) {
    return QStringLiteral("Object \"%1\" already exists.").arg(name.toHtmlEscaped());
}

QColor greyTextColour() {
    return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
}

void setupDesignerGrid(TxStringGridEd& grid, const QStringList& titles,
                       const std::vector<int>& widths) {
    grid.setColCount(int(titles.size()));
    grid.setFixedCols(1);
    grid.setFixedRows(1);
    for (TOptionEx o :
         {dgAlwaysShowSelection, dgEditArrowKeyMoveCell, dgShowTitleBold, dgColorChangedCells})
        grid.setOptionEx(o, true);
    grid.setAutoAddNewRow(true);
    for (int c = 0; c < int(titles.size()); ++c) {
        grid.GetColumn(c).TitleCaption = titles[c];
        if (c < int(widths.size())) grid.GetColumn(c).Width = widths[size_t(c)];
    }
    grid.GetColumn(0).Alignment = Qt::AlignHCenter;
}

void refuseCell(TxStringGridEd& grid, int col, int row, const QString& message) {
    grid.SelectFirstCell(col, row);
    throw std::runtime_error(message.toStdString());
}

void TRowMarks::reset(int loaded) {
    kept_ = QStringList(loaded, QString());
}

void TRowMarks::clearGrid(TxStringGridEd& grid) {
    grid.ClearEntireTable(true);
    grid.ResetChangeLog();
    grid.setRowCount(2);
    reset(0);
}

bool TRowMarks::toggle(TxStringGridEd& grid, int row) {
    if (row < 1) return false;
    if (row > int(kept_.size())) {
        if (grid.RowCount() > 2) grid.DeleteRowEx(row, 1);
        return false;
    }
    QString& kept = kept_[row - 1];
    if (grid.Cells(0, row) == kActionDel) {
        grid.setCells(0, row, kept);
    } else {
        kept = grid.Cells(0, row);
        grid.setCells(0, row, kActionDel);
    }
    return true;
}

bool TRowMarks::toggleAll(TxStringGridEd& grid) {
    const int loaded = int(kept_.size());
    for (int r = grid.RowCount() - 1; r > loaded; --r)
        if (grid.RowCount() > 2) grid.DeleteRowEx(r, 1);
    bool allMarked = loaded > 0;
    for (int r = 1; r <= loaded; ++r) allMarked = allMarked && grid.Cells(0, r) == kActionDel;
    bool changed = false;
    for (int r = 1; r <= loaded; ++r)
        if ((grid.Cells(0, r) == kActionDel) == allMarked) changed = toggle(grid, r) || changed;
    return changed;
}
