#include "grid/xDBGrid_navigator.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <exception>

#include "db/user_feedback.h"
#include "db/xDBComponents_UDB_query.h"
#include "kit/xdlg.h"

TxDBNavigator::TxDBNavigator(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DBNavigator1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    struct Def {
        const char* caption;
        const char* hint;
    };
    static const Def defs[nbCount] = {
        {"|\u25C0", "First record"}, {"\u25C0", "Prior record"}, {"\u25B6", "Next record"},
        {"\u25B6|", "Last record"},  {"+", "Insert record"},     {"\u2212", "Delete record"},
        {"\u270E", "Edit record"},   {"\u2714", "Post edit"},    {"\u2716", "Cancel edit"},
        {"\u21BB", "Refresh data"},
    };
    for (int i = 0; i < nbCount; ++i) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(defs[i].caption));
        b->setToolTip(QString::fromUtf8(defs[i].hint));
        b->setFixedSize(26, 22);
        connect(b, &QToolButton::clicked, this, [this, i] { click(Button(i)); });
        layout->addWidget(b);
        buttons_[i] = b;
    }
    layout->addStretch(1);
    UpdateButtons();
}

TxDBNavigator::~TxDBNavigator() {
    if (dataSet_) dataSet_->RemoveDataLink(this);
}

void TxDBNavigator::SetDataSet(TCustomQueryUDB* dataSet) {
    if (dataSet_) dataSet_->RemoveDataLink(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->AddDataLink(this, [this](TCustomQueryUDB&, TDataLinkEvent) { UpdateButtons(); });
    UpdateButtons();
}

void TxDBNavigator::UpdateButtons() {
    const bool open = dataSet_ && dataSet_->Active();
    const bool any = open && !dataSet_->IsEmpty();
    const size_t recNo = open ? dataSet_->RecNo() : 0;
    const size_t count = open ? dataSet_->RecordCount() : 0;
    buttons_[nbFirst]->setEnabled(any && recNo != 1);
    buttons_[nbPrior]->setEnabled(any && recNo != 1);
    buttons_[nbNext]->setEnabled(any && recNo != count);
    buttons_[nbLast]->setEnabled(any && recNo != count);
    const bool canModify = open && dataSet_->CanModify();
    const bool editing = canModify && (dataSet_->IsEditing() || dataSet_->IsNewRec());
    buttons_[nbInsert]->setEnabled(canModify && !editing);
    buttons_[nbDelete]->setEnabled(canModify && any && !editing);
    buttons_[nbEdit]->setEnabled(canModify && any && !editing);
    buttons_[nbPost]->setEnabled(editing);
    buttons_[nbCancel]->setEnabled(editing);
    buttons_[nbRefresh]->setEnabled(open);
}

void TxDBNavigator::click(Button which) {
    if (!dataSet_ || !dataSet_->Active()) return;
    try {
        switch (which) {
        case nbFirst: dataSet_->First(); break;
        case nbPrior: dataSet_->Prior(); break;
        case nbNext:
            dataSet_->Next();
            if (dataSet_->Eof()) dataSet_->Last();
            break;
        case nbLast: dataSet_->Last(); break;
        case nbInsert: dataSet_->Insert(); break;
        case nbDelete:
            if (!ConfirmDelete || ShowMsgDlg(kit::MsgKind::Question, kit::ButtonSet::OkCancel,
                                             {QStringLiteral("Delete record?")}) == mrOk)
                dataSet_->Delete();
            break;
        case nbEdit: dataSet_->Edit(); break;
        case nbPost: dataSet_->Post(); break;
        case nbCancel: dataSet_->Cancel(); break;
        case nbRefresh:
            dataSet_->RequeryEx(true);
            emit Refreshed();
            break;
        case nbCount: break;
        }
    } catch (const std::exception& error) {
        db::reportError(QString(), QString::fromUtf8(error.what()));
    }
    UpdateButtons();
}
