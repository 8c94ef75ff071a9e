#include "kit/xStringGridEd_column.h"

bool isListStyle(TxStringGridEdEditStyle style) {
    switch (style) {
        case sgbDropDown:
        case sgbDropDownList:
        case sgbDropDownColor:
        case sgbDropDownCheckList:
        case sgbDropDownCheckListOnly:
        case sgbDropDownDataImage:
            return true;
        default:
            return false;
    }
}

bool isClosedStyle(TxStringGridEdEditStyle style) {
    switch (style) {
        case sgbEllipsisOnly:
        case sgbDropDownList:
        case sgbDropDownColor:
        case sgbDropDownCheckListOnly:
        case sgbButton:
            return true;
        default:
            return false;
    }
}

bool isEditorlessStyle(TxStringGridEdEditStyle style) {
    return style == sgbCheckbox || style == sgbButton;
}

bool isEllipsisStyle(TxStringGridEdEditStyle style) {
    return style == sgbEllipsis || style == sgbEllipsisOnly;
}

bool isCheckListStyle(TxStringGridEdEditStyle style) {
    return style == sgbDropDownCheckList || style == sgbDropDownCheckListOnly;
}

bool isNumberType(TxStringGridEdDataType type) {
    return type == sgdNumber || type == sgdInteger || type == sgdDataBar || type == sgdStatusBar;
}

bool isDateTimeType(TxStringGridEdDataType type) {
    return type == sgdDate || type == sgdTime || type == sgdDateTime;
}

Qt::Alignment TxStringGridEdColumn::effectiveAlignment() const {
    if (!AutoAlignment) return Alignment;
    return DataType == sgdText ? Qt::AlignLeft : Qt::AlignRight;
}

bool TxStringGridEdColumn::sameItem(const QString& a, const QString& b) const {
    return a.compare(b, CheckListCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

QStringList TxStringGridEdColumn::CheckListItems(const QString& text) const {
    QStringList items;
    if (CheckListSeparator.isEmpty()) {
        if (!text.trimmed().isEmpty()) items << text;
        return items;
    }
    for (const QString& item : text.split(CheckListSeparator))
        if (!item.trimmed().isEmpty()) items << item;
    return items;
}

bool TxStringGridEdColumn::CheckListContainValue(const QString& text, const QString& value) const {
    for (const QString& item : CheckListItems(text))
        if (sameItem(item, value)) return true;
    return false;
}

QString TxStringGridEdColumn::CheckListAddValue(const QString& text, const QString& value) const {
    if (text.isEmpty()) return value;
    if (CheckListContainValue(text, value)) return text;
    return text + CheckListSeparator + value;
}

QString TxStringGridEdColumn::CheckListRemoveValue(const QString& text,
                                                   const QString& value) const {
    QStringList kept;
    for (const QString& item : CheckListItems(text))
        if (!sameItem(item, value)) kept << item;
    return kept.join(CheckListSeparator);
}

QString TxStringGridEdColumn::CheckListToggleValue(const QString& text,
                                                   const QString& value) const {
    return CheckListContainValue(text, value) ? CheckListRemoveValue(text, value)
                                              : CheckListAddValue(text, value);
}

QString TxStringGridEdColumn::CheckListCleanUpText(const QString& text, bool sortAsPickList) const {
    if (!isCheckListStyle(ButtonStyle)) return text;
    const QStringList items = CheckListItems(text);
    auto inList = [this](const QStringList& list, const QString& value) {
        for (const QString& entry : list)
            if (sameItem(entry, value)) return true;
        return false;
    };
    QStringList kept;
    if (sortAsPickList) {
        for (const QString& pick : PickList)
            if (inList(items, pick)) kept << pick;
    } else {
        for (const QString& item : items)
            if (inList(PickList, item)) kept << item;
    }
    return kept.join(CheckListSeparator);
}
