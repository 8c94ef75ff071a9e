#include "settings/grid_layout_store.h"

#include <algorithm>

namespace {

QString columnSection(const QString& section, int index) {
    return section + QStringLiteral(".Column%1").arg(index);
}

}  // namespace

void saveGridColumns(SettingsFile& file, const QString& section,
                     const std::vector<SavedGridColumn>& columns) {
    file.writeInteger(section, QStringLiteral("ColCount"), int(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        const QString s = columnSection(section, int(i));
        file.eraseSection(s);
        file.writeString(s, QStringLiteral("FieldName"), columns[i].fieldName);
        if (columns[i].visible) file.writeInteger(s, QStringLiteral("ColWidth"), columns[i].width);
        file.writeBool(s, QStringLiteral("ColVisible"), columns[i].visible);
    }
}

std::vector<SavedGridColumn> readGridColumns(const SettingsFile& file, const QString& section,
                                             const std::vector<SavedGridColumn>& defaults) {
    std::vector<SavedGridColumn> out;
    const int count = file.readInteger(section, QStringLiteral("ColCount"), -1);
    for (int i = 0; i < count; ++i) {
        const QString s = columnSection(section, i);
        if (!file.sectionExists(s)) {
            out.push_back({});
            continue;
        }
        SavedGridColumn c;
        c.fieldName = file.readString(s, QStringLiteral("FieldName"));
        // Width and visibility of a column the grid shows now are its
        // defaults, so a missing key changes nothing.
        auto current = std::find_if(defaults.begin(), defaults.end(),
                                    [&](const SavedGridColumn& d) { return d.fieldName == c.fieldName; });
        const SavedGridColumn fallback = current == defaults.end() ? SavedGridColumn{} : *current;
        c.width = file.readInteger(s, QStringLiteral("ColWidth"), fallback.width);
        c.visible = file.readBool(s, QStringLiteral("ColVisible"), fallback.visible);
        out.push_back(c);
    }
    return out;
}

std::vector<int> restoredColumnOrder(const QStringList& present, const QStringList& saved) {
    const int n = int(present.size());
    std::vector<int> order(static_cast<size_t>(n));
    std::vector<bool> isNew(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        order[size_t(i)] = i;
        isNew[size_t(i)] = !saved.contains(present[i]);
    }
    if (n == 0) return order;
    for (int i = 0; i < int(saved.size()); ++i) {
        int at = -1;
        for (int p = n - 1; p >= 0 && at < 0; --p)
            if (present[order[size_t(p)]] == saved[i]) at = p;
        if (at < 0) continue;
        // New columns before this place in the first order, and the run of
        // new ones starting at it, keep their places.
        int k = 0;
        for (int j = 0; j < std::min(i, n); ++j) k += isNew[size_t(j)] ? 1 : 0;
        for (int j = i; j < n && isNew[size_t(j)]; ++j) ++k;
        const int target = std::min(i + k, n - 1);
        const int moved = order[size_t(at)];
        order.erase(order.begin() + at);
        order.insert(order.begin() + target, moved);
    }
    return order;
}

const QStringList& gridDesignListSuffixes() {
    static const QStringList suffixes{
        "FieldsAsBoolean",        "FieldsAsColor",          "FieldsFieldsAsDataBar",
        "FieldsAsDate",           "FieldsAsGraphics",       "FieldsFieldsAsHTMLText",
        "FieldsFieldsAsLink",     "FieldsAsPassword",       "FieldsFieldsAsRichText",
        "FieldsFieldsAsStatusBar", "FieldsFieldsAsTime",    "FieldsAutoPickList",
        "FieldsDrawDropDown",     "FieldsFilterButton",     "FieldsFieldsFilterMapping",
        "FieldsFieldsFixedColumnWidth", "TitleButtons",     "TitleHints",
        "TitleImages",            "TitlePopupItems",        "DataImages"};
    return suffixes;
}

void eraseGridDesignLists(SettingsFile& file, const QString& section) {
    for (const QString& suffix : gridDesignListSuffixes()) file.eraseSection(section + suffix);
}
