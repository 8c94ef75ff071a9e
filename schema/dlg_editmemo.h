// The "Edit" dialog: a resizable window with a memo m (both scroll bars, no
// word wrap, the memo's own menu) and "Ok" / "Cancel". Callers fill m, show
// it modally and read m back on OK; the dialog does nothing else.
#pragma once

#include <QDialog>

class QPushButton;
class TxMemoEx;

class TDlgEditMemo : public QDialog {
    Q_OBJECT
public:
    explicit TDlgEditMemo(QWidget* parent = nullptr);

    // The memo's text as lines, and back.
    QStringList lines() const;
    void setLines(const QStringList& lines);

    TxMemoEx* m = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;
};
