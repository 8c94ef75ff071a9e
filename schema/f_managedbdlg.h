// The "Manage database" dialog: facts about the open file and one
// maintenance run — compaction, optionally with a new password, a new
// version and collation, into a new file instead of the file's own place.
// The dialog only collects and checks the choices; the main window closes
// the database, runs the compaction and opens the result.
//
// What callers rely on:
// - btOkClick checks in this order, keeping the dialog open with every input
//   on the first that fails: "Save as new file" without a file ("Select
//   file"); the new file being the open one, compared as the file system
//   knows them (links, "..", the same file under another name) ("New file is
//   the same as current file. Change new file name."); an existing new file
//   ("File "<name>" already exists." / "Overwrite?", then "Cannot delete
//   file "<name>". File is probably in use." when it cannot be replaced);
//   differing passwords ("Entered passwords are not identical."); no new
//   password for a file without one ("Enter new password."). No file is
//   touched here; an existing new file is replaced only by a complete copy.
// - choice() says what to run; the password travels as a TPasswordChange,
//   never inside a text of options.
#pragma once

#include <QDialog>
#include <QString>

#include "db/xdbtool_MDB.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "1.2 MB": the size in thousands of bytes ("kB"), in millions above 1000 kB,
// one decimal in the user's number format.
QString databaseSizeText(qint64 bytes);

struct TManageChoice {
    QString newFile;  // empty: compact in place
    bool replaceNewFile = false;
    int versionKey = 0;  // 0 keeps the version
    int langId = 0;      // 0 keeps the collation
    TPasswordChange password;
};

class TManageDbDlg : public QDialog {
    Q_OBJECT
public:
    explicit TManageDbDlg(QWidget* parent = nullptr);

    // The facts shown, and the version and collation the lists start from
    // (FormShow); the current password decides check 5.
    void setDatabase(const QString& file, int versionKey, int langId, qint64 size,
                     const QString& currentPassword);

    // Controls, by the names the design gives them.
    QLineEdit* eFile = nullptr;
    QLineEdit* eVer = nullptr;
    QLineEdit* eSize = nullptr;
    QLineEdit* eCollation = nullptr;
    QCheckBox* chCompact = nullptr;
    QCheckBox* chNewPwd = nullptr;
    QGroupBox* gbPwd = nullptr;
    QLineEdit* ePwd1 = nullptr;
    QLineEdit* ePwd2 = nullptr;
    QCheckBox* chNewVer = nullptr;
    QGroupBox* gbVer = nullptr;
    QComboBox* cbVer = nullptr;
    QComboBox* cbLocale = nullptr;
    QCheckBox* chNewFile = nullptr;
    QGroupBox* gbFile = nullptr;
    QPushButton* btSelFile = nullptr;
    QLineEdit* eNewFile = nullptr;
    QLabel* lblKeepsPassword = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;

    // The enabling rule: "Ok" with "Compact database", each group with its
    // check box.
    void chCompactClick();
    void btSelFileClick();
    bool btOkClick();

    TManageChoice choice() const;

    QString saveFolder;

private:
    QString currentPassword_;
    bool replaceNewFile_ = false;
};
