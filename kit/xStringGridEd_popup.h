// The pop-up list of the string grid's list styles: a frameless list under
// (or above) a cell that shows the cell's pick list, highlights the item
// equal to the cell text, searches incrementally as the user types and
// reports a chosen item. Check-list styles show check marks and toggle an
// item on click or Space without closing; colour lists show a swatch.
#pragma once

#include <QElapsedTimer>
#include <QListWidget>

#include "kit/xStringGridEd_column.h"

namespace kit {

class StringGridEdPopupList : public QListWidget {
    Q_OBJECT
public:
    explicit StringGridEdPopupList(QWidget* parent = nullptr);

    // Fills the list with `items`; check lists show the items of `current`
    // checked, other lists highlight the item equal to `current`.
    void setup(const QStringList& items, const QString& current, TxStringGridEdEditStyle style,
               const TxStringGridEdColumn& column);
    // Places the list below `cell` (screen coordinates), or above it when it
    // would pass the bottom of the screen; at least `minWidth` wide.
    void showAt(const QRect& cell, int minWidth, int dropDownRows);
    // Starts or continues the incremental search: typed characters within
    // 2000 ms of each other accumulate (up to 32) and select the first item
    // that starts with them.
    void search(QChar typed);
    QString searchText() const { return search_; }
    bool isCheckList() const { return checkList_; }

signals:
    void itemChosen(const QString& item);   // a plain list: the item accepted
    void itemToggled(const QString& item);  // a check list: an item clicked
    void closedWithoutChoice();
    void hidden();  // after every close, chosen or not

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void choose(QListWidgetItem* item);

    bool checkList_ = false;
    bool chosen_ = false;
    QString search_;
    QElapsedTimer lastKey_;
};

}  // namespace kit
