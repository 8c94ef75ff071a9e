// What the settings file keeps of a data grid's layout, without the grid:
// the saved columns (field name, width, visibility) of a section S in
// "ColCount" and the sections S + ".Column%d", the order a saved layout
// gives a grid's present columns, and the grid's design-list sections.
//
// What callers rely on:
// - readGridColumns gives nothing when "ColCount" is absent; a column
//   section that is missing gives an empty field name (matching no column).
// - restoredColumnOrder keeps columns the layout does not know (new ones)
//   at their places and puts the saved ones in the saved order around them.
// - eraseGridDesignLists erases every one of the 21 design-list sections.
#pragma once

#include <QStringList>
#include <vector>

#include "settings/settings_file.h"

struct SavedGridColumn {
    QString fieldName;
    int width = 0;  // pixels; kept only for visible columns
    bool visible = true;
};

void saveGridColumns(SettingsFile& file, const QString& section,
                     const std::vector<SavedGridColumn>& columns);
std::vector<SavedGridColumn> readGridColumns(const SettingsFile& file, const QString& section,
                                             const std::vector<SavedGridColumn>& defaults = {});

// The present columns (field names, in order) rearranged by the saved
// layout; the result holds indexes into `present`.
std::vector<int> restoredColumnOrder(const QStringList& present, const QStringList& saved);

// The suffixes of the design-list sections (appended to S directly).
const QStringList& gridDesignListSuffixes();
void eraseGridDesignLists(SettingsFile& file, const QString& section);
