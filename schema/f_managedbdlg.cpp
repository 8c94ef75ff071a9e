#include "schema/f_managedbdlg.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "kit/xHTMLLabel.h"
#include "kit/xdlg.h"
#include "schema/schema_res.h"
#include "schema/version_choice.h"

namespace {

const QString kSameFile =
    QStringLiteral("New file is the same as current file. Change new file name.");
const QString kPasswordsDiffer = QStringLiteral("Entered passwords are not identical.");
const QString kEnterPassword = QStringLiteral("Enter new password.");

QLineEdit* factBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    return box;
}

QLineEdit* passwordBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"
    return box;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// The same file: one device and inode, whatever the names (links, "..",
// another spelling); for a new file that does not exist yet, the same
// canonical folder and name.
bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
        ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    const QFileInfo ia(a), ib(b);
    return ia.absoluteFilePath() == ib.absoluteFilePath();
}

}  // namespace

QString databaseSizeText(qint64 bytes) {
    double value = static_cast<double>(bytes) / 1000.0;
    QString unit = QStringLiteral("kB");
    if (value > 1000.0) {
        value /= 1000.0;
        unit = QStringLiteral("MB");
    }
    // "0.0": the user's decimal separator, no grouping.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("%1 %2").arg(locale.toString(value, 'f', 1), unit);
}

TManageDbDlg::TManageDbDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ManageDbDlg"));
    setWindowTitle(QStringLiteral("Manage database"));
    saveFolder = QCoreApplication::applicationDirPath();

    eFile = factBox(this, "eFile");
    eFile->setMinimumWidth(360);
    eVer = factBox(this, "eVer");
    eSize = factBox(this, "eSize");
    eCollation = factBox(this, "eCollation");
    auto* facts = new QGridLayout;
    int row = 0;
    for (auto [caption, box] :
         {std::pair{"DB file:", eFile}, std::pair{"DB version:", eVer},
          std::pair{"DB size:", eSize}, std::pair{"DB collation:", eCollation}}) {
        facts->addWidget(new QLabel(QString::fromLatin1(caption), this), row, 0);
        facts->addWidget(box, row++, 1);
    }

    chCompact = checkBox(this, "chCompact", QStringLiteral("Compact database"));
    chCompact->setChecked(true);
    chNewPwd = checkBox(this, "chNewPwd", QStringLiteral("Change DB password"));
    gbPwd = new QGroupBox(this);
    gbPwd->setObjectName(QStringLiteral("gbPwd"));
    ePwd1 = passwordBox(gbPwd, "ePwd1");
    ePwd2 = passwordBox(gbPwd, "ePwd2");
    auto* pwd = new QGridLayout(gbPwd);
    pwd->addWidget(new QLabel(QStringLiteral("New password:"), gbPwd), 0, 0);
    pwd->addWidget(ePwd1, 1, 0);
    pwd->addWidget(new QLabel(QStringLiteral("Repeat password:"), gbPwd), 0, 1);
    pwd->addWidget(ePwd2, 1, 1);

    chNewVer = checkBox(this, "chNewVer", QStringLiteral("Change DB version and collation"));
    gbVer = new QGroupBox(this);
    gbVer->setObjectName(QStringLiteral("gbVer"));
    cbVer = versionComboBox(gbVer);
    cbLocale = collationComboBox(gbVer);
    auto* ver = new QGridLayout(gbVer);
    ver->addWidget(new QLabel(QStringLiteral("New version:"), gbVer), 0, 0);
    ver->addWidget(cbVer, 1, 0);
    ver->addWidget(new QLabel(QStringLiteral("New collation:"), gbVer), 0, 1);
    ver->addWidget(cbLocale, 1, 1);

    chNewFile = checkBox(this, "chNewFile", QStringLiteral("Save as new file"));
    gbFile = new QGroupBox(this);
    gbFile->setObjectName(QStringLiteral("gbFile"));
    btSelFile = new QPushButton(QStringLiteral("Select file"), gbFile);
    btSelFile->setObjectName(QStringLiteral("btSelFile"));
    eNewFile = new QLineEdit(gbFile);
    eNewFile->setObjectName(QStringLiteral("eNewFile"));
    // A copy made without a password change keeps the password the open
    // file has; saying so spares the user a surprise.
    lblKeepsPassword = new QLabel(
        QStringLiteral("Without a password change the new file keeps the current password."),
        gbFile);
    lblKeepsPassword->setObjectName(QStringLiteral("lblKeepsPassword"));
    auto* file = new QGridLayout(gbFile);
    file->addWidget(btSelFile, 0, 0);
    file->addWidget(eNewFile, 0, 1);
    file->addWidget(lblKeepsPassword, 1, 0, 1, 2);

    btOk = new QPushButton(QStringLiteral("Ok"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addSpacing(6);
    for (QWidget* w : {static_cast<QWidget*>(chCompact), static_cast<QWidget*>(chNewPwd),
                       static_cast<QWidget*>(gbPwd), static_cast<QWidget*>(chNewVer),
                       static_cast<QWidget*>(gbVer), static_cast<QWidget*>(chNewFile),
                       static_cast<QWidget*>(gbFile)})
        layout->addWidget(w);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QCheckBox* box : {chCompact, chNewPwd, chNewVer, chNewFile})
        connect(box, &QCheckBox::toggled, this, &TManageDbDlg::chCompactClick);
    connect(btSelFile, &QPushButton::clicked, this, &TManageDbDlg::btSelFileClick);
    connect(btOk, &QPushButton::clicked, this, &TManageDbDlg::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    chCompactClick();
}

void TManageDbDlg::setDatabase(const QString& file, int versionKey, int langId, qint64 size,
                               const QString& currentPassword) {
    eFile->setText(file);
    eVer->setText(DBVersionName(versionKey));
    eCollation->setText(CollationName(langId));
    eSize->setText(databaseSizeText(size));
    currentPassword_ = currentPassword;
    selectVersion(cbVer, versionKey);
    selectCollation(cbLocale, langId);
    chCompactClick();
}

void TManageDbDlg::chCompactClick() {
    btOk->setEnabled(chCompact->isChecked());
    gbPwd->setEnabled(chNewPwd->isChecked());
    gbVer->setEnabled(chNewVer->isChecked());
    gbFile->setEnabled(chNewFile->isChecked());
    lblKeepsPassword->setVisible(!currentPassword_.isEmpty());
}

void TManageDbDlg::btSelFileClick() {
    const std::optional<QString> chosen =
        chooseAccessFile(saveFolder, eNewFile->text(), DBVersionFromName(cbVer->currentText()));
    if (!chosen) return;
    eNewFile->setText(QFileInfo(*chosen).absoluteFilePath());
    saveFolder = QFileInfo(*chosen).absolutePath();
}

bool TManageDbDlg::btOkClick() {
    replaceNewFile_ = false;
    if (!chCompact->isChecked()) return false;
    if (chNewFile->isChecked()) {
        const QString target = eNewFile->text().trimmed();
        if (target.isEmpty()) {
            MsgInfo(schema_res::SelectFile);
            return false;
        }
        if (sameFile(target, eFile->text())) {
            MsgInfo(kSameFile);
            return false;
        }
        if (QFileInfo::exists(target)) {
            const QString shown = htmlEscape(target);
            if (MsgQuestionEx(schema_res::FileExists.arg(shown), schema_res::Overwrite) != mrYes)
                return false;
            if (!CanReplaceFile(target)) {
                MsgError(schema_res::CannotDelete.arg(shown));
                return false;
            }
            replaceNewFile_ = true;
        }
    }
    if (chNewPwd->isChecked()) {
        if (ePwd1->text() != ePwd2->text()) {
            MsgWarning(kPasswordsDiffer);
            return false;
        }
        if (currentPassword_.isEmpty() && ePwd1->text().isEmpty()) {
            MsgWarning(kEnterPassword);
            return false;
        }
    }
    accept();
    return true;
}

TManageChoice TManageDbDlg::choice() const {
    TManageChoice c;
    if (chNewFile->isChecked()) {
        c.newFile = eNewFile->text().trimmed();
        c.replaceNewFile = replaceNewFile_;
    }
    if (chNewVer->isChecked()) {
        c.versionKey = DBVersionFromName(cbVer->currentText());
        c.langId = CollationFromName(cbLocale->currentText());
    }
    if (chNewPwd->isChecked()) {
        c.password = ePwd1->text().isEmpty() ? TPasswordChange{TPasswordChange::Remove, QString()}
                                             : TPasswordChange{TPasswordChange::Set, ePwd1->text()};
    }
    return c;
}
