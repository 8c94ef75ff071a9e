// The message strings of the create and manage dialogs, and the file filter
// every dialog that picks an Access file shares (the main window's open
// dialog too). Templates take their values through QString::arg ("%1"); file
// names are escaped by the caller before they reach a dialog.
#pragma once

#include <QString>

namespace schema_res {

inline const QString FilterMdb = QStringLiteral("Database MS Access (*.mdb)|*.mdb");
inline const QString FilterAccdb = QStringLiteral("Database MS Access (*.accdb)|*.accdb");
inline const QString FilterAll = QStringLiteral("All files (*.*)|*.*");

// The three filters joined into one filter text (.mdb is entry 1, .accdb 2).
inline QString accessFileFilter() {
    return FilterMdb + u'|' + FilterAccdb + u'|' + FilterAll;
}

inline const QString SelectFile = QStringLiteral("Select file");
inline const QString FileExists = QStringLiteral("File \"%1\" already exists.");
inline const QString Overwrite = QStringLiteral("Overwrite?");
inline const QString CannotDelete =
    QStringLiteral("Cannot delete file \"%1\". File is probably in use.");

}  // namespace schema_res
