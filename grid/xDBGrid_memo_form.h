// The grid's memo window: the whole text of a memo cell in the keyword memo,
// with the menus "Properties" ("Wants Enter", "Wants Tabs", "Wrap lines")
// and "Window" ("Font..."), and OK / Cancel. Esc closes it without storing.
// The grid assigns the text to the field when the window closes with OK.
#pragma once

#include <QDialog>

class QAction;
class QDialogButtonBox;
class TxMemoEx;

class TxDBGridMemoForm : public QDialog {
    Q_OBJECT
public:
    // `readOnly`: the field may not be edited; the text can still be read,
    // searched and copied.
    TxDBGridMemoForm(const QString& caption, const QString& text, bool readOnly,
                     QWidget* parent = nullptr);

    QString text() const;

    TxMemoEx* memo = nullptr;
    QAction* actWantsEnter = nullptr;
    QAction* actWantsTabs = nullptr;
    QAction* actWrapLines = nullptr;
    QAction* actFont = nullptr;
    QDialogButtonBox* buttons = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyProperties();
};
