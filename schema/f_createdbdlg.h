// The "Create database" dialog: the new file's name, its format version and
// its collation. It creates nothing itself; the main window shows it, and on
// OK calls CreateMDB (or CreateMDBReplacing when the user agreed to replace
// an existing file) with versionKey() and langId(), then opens the file.
//
// What callers rely on:
// - btOkClick validates in order: an empty file box says "Select file"; an
//   existing file asks "File "<name>" already exists." / "Overwrite?" —
//   No keeps the dialog, Yes accepts with replaceExisting() set unless the
//   file cannot be replaced (held open by this program, or its folder
//   refuses new files), which says "Cannot delete file "<name>". File is
//   probably in use." and keeps the dialog. The existing file is never
//   touched here: the caller replaces it only with a complete new file.
// - Messages and the file choice go through the dialog service, so tests
//   answer them with scripted replies.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

class TCreateDbDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCreateDbDlg(QWidget* parent = nullptr);

    // Controls, by the names the design gives them.
    QLineEdit* eFile = nullptr;
    QPushButton* btSelFile = nullptr;
    QComboBox* cbVer = nullptr;
    QComboBox* cbLocale = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;

    // "Select file": the save dialog, with the extension and filter of the
    // selected version; a chosen file goes into eFile.
    void btSelFileClick();
    // "Create db": validates, and accepts the dialog when the choices hold.
    // Returns whether it accepted.
    bool btOkClick();

    QString fileName() const;
    // The selected version's key (kDBVersions), -1 for none.
    int versionKey() const;
    // The selected collation's language id (kCollations), -1 for none.
    int langId() const;
    // Set when the user agreed to replace an existing file.
    bool replaceExisting() const { return replaceExisting_; }

    // The folder the save dialog starts in: the program's folder at first.
    QString saveFolder;

private:
    bool replaceExisting_ = false;
};
