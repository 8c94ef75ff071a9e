#include "schema/f_createdbdlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/xdbtool_MDB.h"
#include "kit/xHTMLLabel.h"
#include "kit/xdlg.h"
#include "schema/schema_res.h"
#include "schema/version_choice.h"

TCreateDbDlg::TCreateDbDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CreateDbDlg"));
    setWindowTitle(QStringLiteral("Create database"));
    saveFolder = QCoreApplication::applicationDirPath();

    eFile = new QLineEdit(this);
    eFile->setObjectName(QStringLiteral("eFile"));
    eFile->setMinimumWidth(360);
    btSelFile = new QPushButton(QStringLiteral("Select file"), this);
    btSelFile->setObjectName(QStringLiteral("btSelFile"));
    cbVer = versionComboBox(this);
    cbLocale = collationComboBox(this);
    btOk = new QPushButton(QStringLiteral("Create db"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(eFile, 0, 0);
    grid->addWidget(btSelFile, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("DB version:"), this), 1, 0);
    grid->addWidget(cbVer, 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("DB collation:"), this), 3, 0);
    grid->addWidget(cbLocale, 4, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    selectVersion(cbVer, 256);
    selectCollation(cbLocale, 1033);

    connect(btSelFile, &QPushButton::clicked, this, &TCreateDbDlg::btSelFileClick);
    connect(btOk, &QPushButton::clicked, this, &TCreateDbDlg::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TCreateDbDlg::btSelFileClick() {
    const std::optional<QString> chosen = chooseAccessFile(saveFolder, eFile->text(), versionKey());
    if (!chosen) return;
    eFile->setText(QFileInfo(*chosen).absoluteFilePath());
    saveFolder = QFileInfo(*chosen).absolutePath();
}

bool TCreateDbDlg::btOkClick() {
    replaceExisting_ = false;
    const QString file = fileName();
    if (file.isEmpty()) {
        MsgInfo(schema_res::SelectFile);
        return false;
    }
    if (QFileInfo::exists(file)) {
        const QString shown = htmlEscape(file);
        if (MsgQuestionEx(schema_res::FileExists.arg(shown), schema_res::Overwrite) != mrYes)
            return false;
        if (!CanReplaceFile(file)) {
            MsgError(schema_res::CannotDelete.arg(shown));
            return false;
        }
        replaceExisting_ = true;
    }
    accept();
    return true;
}

QString TCreateDbDlg::fileName() const {
    return eFile->text().trimmed();
}

int TCreateDbDlg::versionKey() const {
    return DBVersionFromName(cbVer->currentText());
}

int TCreateDbDlg::langId() const {
    return CollationFromName(cbLocale->currentText());
}
