// What the create and manage dialogs share: the drop-down lists of the four
// versions and twenty collations a new or compacted file can have, and the
// save dialog that picks its file with the extension of the chosen version.
#pragma once

#include <QString>
#include <optional>

class QComboBox;
class QWidget;

// "cbVer": the version descriptions, 12 rows shown at a time.
QComboBox* versionComboBox(QWidget* parent);
// "cbLocale": the collation names, 16 rows shown at a time.
QComboBox* collationComboBox(QWidget* parent);
// Select the row of the key or language id; nothing changes when no row
// has it.
void selectVersion(QComboBox* box, int versionKey);
void selectCollation(QComboBox* box, int langId);

// The save dialog for a file of the version `versionKey`: the .mdb filter
// and extension for keys up to 64 (Jet), the .accdb ones above; nothing
// when the user cancels.
std::optional<QString> chooseAccessFile(const QString& folder, const QString& fileName,
                                        int versionKey);
