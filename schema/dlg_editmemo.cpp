#include "schema/dlg_editmemo.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "kit/xImprovedComps.h"

TDlgEditMemo::TDlgEditMemo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DlgEditMemo"));
    setWindowTitle(QStringLiteral("Edit"));
    setSizeGripEnabled(true);
    resize(520, 360);

    m = new TxMemoEx(this);
    m->setObjectName(QStringLiteral("m"));
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btOk = new QPushButton(QStringLiteral("Ok"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m, 1);
    layout->addLayout(buttons);

    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList TDlgEditMemo::lines() const {
    return m->toPlainText().split(u'\n');
}

void TDlgEditMemo::setLines(const QStringList& lines) {
    m->setPlainText(lines.join(u'\n'));
}
