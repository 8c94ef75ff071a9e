#include "grid/xDBGrid_sort_state.h"

QString NormalizeSortFieldName(const QString& text) {
    QStringList names;
    for (const QString& name : text.split(u','))
        if (!name.trimmed().isEmpty()) names << name.trimmed();
    return names.join(u',');
}

QString NormalizeSortDirections(const QString& text) {
    if (text.trimmed().isEmpty()) return {};
    QStringList out;
    for (const QString& item : text.split(u','))
        out << (item.trimmed().compare(u"D", Qt::CaseInsensitive) == 0 ? QStringLiteral("D")
                                                                        : QStringLiteral("A"));
    return out.join(u',');
}

TSortFieldNames SplitSortFieldNames(const QString& text) {
    return text.split(u',', Qt::SkipEmptyParts);
}

TSortDirections SplitSortDirections(const QString& text) {
    TSortDirections result;
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts))
        result << (item.compare(u"D", Qt::CaseInsensitive) == 0);
    return result;
}

QString JoinSortDirections(const TSortDirections& directions) {
    QStringList out;
    for (bool desc : directions) out << (desc ? QStringLiteral("D") : QStringLiteral("A"));
    return out.join(u',');
}

int PosInSortField(const QString& sortFieldName, const QString& fieldName) {
    const QStringList names = sortFieldName.split(u',');
    int found = 0;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].trimmed().compare(fieldName.trimmed(), Qt::CaseInsensitive) == 0) found = i + 1;
    return found;
}

TSortRequest TitleClickSortRequest(const QString& sortFieldName, const QString& sortDirections,
                                   const QString& fieldName, bool shift, bool ctrl) {
    const QString f = fieldName.toUpper();
    const int pos = PosInSortField(sortFieldName, f);
    TSortFieldNames names = SplitSortFieldNames(NormalizeSortFieldName(sortFieldName));
    TSortDirections dirs = SplitSortDirections(sortDirections);
    while (dirs.size() < names.size()) dirs << false;
    if (!shift) {
        bool desc = dirs.isEmpty() ? false : dirs.first();
        if (pos > 0) desc = !dirs.value(pos - 1);
        return {f, desc ? QStringLiteral("D") : QStringLiteral("A")};
    }
    if (pos == 0) {
        names << f;
        dirs << false;
    } else if (ctrl) {
        names.removeAt(pos - 1);
        dirs.removeAt(pos - 1);
    } else {
        dirs[pos - 1] = !dirs[pos - 1];
    }
    return {names.join(u','), JoinSortDirections(dirs)};
}
