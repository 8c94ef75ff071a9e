#include "grid/xDBGrid_memo_form.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "kit/xImprovedComps.h"
#include "kit/xdlg_service.h"

TxDBGridMemoForm::TxDBGridMemoForm(const QString& caption, const QString& text, bool readOnly,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    resize(520, 360);
    memo = new TxMemoEx(this);
    memo->setObjectName(QStringLiteral("Memo"));
    memo->setPlainText(text);
    memo->setReadOnly(readOnly);
    memo->moveCursor(QTextCursor::End);
    memo->installEventFilter(this);

    auto* menus = new QMenuBar(this);
    QMenu* properties = menus->addMenu(QStringLiteral("Properties"));
    const auto check = [properties](const QString& item, bool on) {
        QAction* action = properties->addAction(item);
        action->setCheckable(true);
        action->setChecked(on);
        return action;
    };
    actWantsEnter = check(QStringLiteral("Wants Enter"), true);
    actWantsTabs = check(QStringLiteral("Wants Tabs"), false);
    actWrapLines = check(QStringLiteral("Wrap lines"), true);
    for (QAction* a : {actWantsEnter, actWantsTabs, actWrapLines})
        connect(a, &QAction::toggled, this, [this] { applyProperties(); });
    QMenu* window = menus->addMenu(QStringLiteral("Window"));
    actFont = window->addAction(QStringLiteral("Font..."));
    connect(actFont, &QAction::triggered, this, [this] {
        if (const auto font = kit::dialogService().chooseFont({memo->font()})) memo->setFont(*font);
    });

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!readOnly);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    layout->addWidget(memo, 1);
    layout->addWidget(buttons);
    applyProperties();
    memo->setFocus();
}

QString TxDBGridMemoForm::text() const {
    return memo->toPlainText();
}

void TxDBGridMemoForm::applyProperties() {
    memo->setTabChangesFocus(!actWantsTabs->isChecked());
    memo->setLineWrapMode(actWrapLines->isChecked() ? QPlainTextEdit::WidgetWidth
                                                    : QPlainTextEdit::NoWrap);
}

bool TxDBGridMemoForm::eventFilter(QObject* watched, QEvent* event) {
    // Without "Wants Enter", Enter is the OK button's, as in a one-line edit.
    if (watched == memo && event->type() == QEvent::KeyPress && !actWantsEnter->isChecked()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            if (!memo->isReadOnly()) accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
