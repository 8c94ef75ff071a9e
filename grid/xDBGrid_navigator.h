// The record navigator under a grid: first, prior, next, last, insert,
// delete, edit, post, cancel and refresh for one query. Moves are enabled
// while the query is open and not at that end; insert, delete and edit
// while the query can change records and is not editing, post and cancel
// while it is; delete asks "Delete record?" first (ConfirmDelete); refresh
// re-reads the query keeping the record. A refused step is reported.
#pragma once

#include <QWidget>

class QToolButton;
class TCustomQueryUDB;

class TxDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh, nbCount };

    explicit TxDBNavigator(QWidget* parent = nullptr);
    ~TxDBNavigator() override;
    void SetDataSet(TCustomQueryUDB* dataSet);
    QToolButton* button(Button which) const { return buttons_[which]; }
    // Enables the buttons for the query's state.
    void UpdateButtons();
    bool ConfirmDelete = true;

signals:
    // After refresh re-read the query (or failed to).
    void Refreshed();

private:
    void click(Button which);
    TCustomQueryUDB* dataSet_ = nullptr;
    QToolButton* buttons_[nbCount] = {};
};
