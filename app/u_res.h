// The application's message strings. Templates take their values through
// QString::arg ("%1"); values from outside the program (file names, error
// messages) are escaped by the caller before they reach a label or dialog.
#pragma once

#include <QString>

#include "schema/schema_res.h"

namespace res {

inline const QString FileNotFound = QStringLiteral("File \"%1\" not found.");
inline const QString EnterPassword = QStringLiteral("Enter password to open database:");
inline const QString StoreTableChanges = QStringLiteral("Store changes of the selected table?");
inline const QString StoreViewChanges = QStringLiteral("Store changes of the selected view?");
inline const QString StoreRelChanges = QStringLiteral("Store changes of relations?");
inline const QString ErrorHeader = QStringLiteral("Error");

// The three filters of the open dialog joined into one filter text.
inline QString openDialogFilter() {
    return schema_res::accessFileFilter();
}

}  // namespace res
