// One column definition of the editable string grid TxStringGridEd: how its
// cells are edited, what kind of value they hold and how they look, plus the
// check-list routines that work on a column's cell texts. A definition is a
// plain value; the grid keeps exactly one per grid column.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <Qt>

// The order is the numeric order of the values (settings and callers may
// store them as numbers).
enum TxStringGridEdEditStyle {
    sgbNone,
    sgbEllipsis,
    sgbEllipsisOnly,
    sgbDropDown,
    sgbDropDownList,
    sgbDropDownColor,
    sgbCheckbox,
    sgbDateTimePicker,
    sgbDropDownCheckList,
    sgbDropDownCheckListOnly,
    sgbDropDownDataImage,
    sgbButton,
    sgbRichText,
    sgbCustomEditor
};

enum TxStringGridEdDataType {
    sgdText,
    sgdNumber,
    sgdInteger,
    sgdDate,
    sgdTime,
    sgdDateTime,
    sgdDataBar,
    sgdStatusBar
};

enum TxStringGridEdInvalidDataAction { sgaNone, sgaHighlight, sgaBeep };

enum TxStringGridEdDataState { sdsOk, sdsEmpty, sdsInvalid, sdsOutOfLimit };

// Styles that open a pop-up list.
bool isListStyle(TxStringGridEdEditStyle style);
// Styles whose cells cannot be typed into.
bool isClosedStyle(TxStringGridEdEditStyle style);
// Styles that never show the text editor.
bool isEditorlessStyle(TxStringGridEdEditStyle style);
bool isEllipsisStyle(TxStringGridEdEditStyle style);
bool isCheckListStyle(TxStringGridEdEditStyle style);
// sgdNumber, sgdInteger and the two bar types: values written in a number format.
bool isNumberType(TxStringGridEdDataType type);
bool isDateTimeType(TxStringGridEdDataType type);

struct TxStringGridEdColumn {
    TxStringGridEdEditStyle ButtonStyle = sgbNone;
    TxStringGridEdDataType DataType = sgdText;
    // Number or date format used when a value is written back ("0.00",
    // "dd.mm.yyyy hh:nn"); empty: the user's settings.
    QString NumFormat;
    // Limits; checked only when at least one of them is not 0.
    double MinValue = 0;
    double MaxValue = 0;
    TxStringGridEdInvalidDataAction InvalidDataAction = sgaHighlight;
    QColor InvalidDataColor = Qt::red;
    QColor OutOfLimitDataColor = Qt::black;
    int DropDownRows = 12;
    bool DropDownListCanDelete = false;  // Delete may empty a closed-style cell
    QString CheckBoxTrueValue = "1";
    QString CheckBoxFalseValue = "0";
    bool CheckBoxDblClick = false;
    QString CheckListSeparator = ",";
    bool CheckListCaseSensitive = false;
    Qt::Alignment Alignment = Qt::AlignLeft;
    Qt::Alignment CheckboxAlignment = Qt::AlignHCenter;
    // Set: every type but sgdText right-aligned, text left-aligned.
    bool AutoAlignment = false;
    QColor Color;  // invalid: the grid's base colour
    QStringList PickList;
    bool ReadOnly = false;
    bool Visible = true;
    QString TitleCaption;  // not empty: replaces the text of the title row
    QColor TitleColor;     // invalid: the grid's title colour
    Qt::Alignment TitleAlignment = Qt::AlignLeft;
    bool WordWrap = false;
    bool TitleWordWrap = false;
    int Width = -1;  // below 0: the grid's default column width
    QString FieldName;
    int ColumnGroup = 0;  // restricts IsRowEmpty when not 0
    bool CustomDraw = false;

    // Back to the defaults above.
    void RestoreDefaults() { *this = TxStringGridEdColumn(); }

    // The horizontal alignment of data cells, AutoAlignment applied.
    Qt::Alignment effectiveAlignment() const;

    // The items of a check-list text, split at CheckListSeparator; blank
    // items are dropped, the others kept as written.
    QStringList CheckListItems(const QString& text) const;
    // Whether one of the items of `text` equals `value` (CheckListCaseSensitive).
    bool CheckListContainValue(const QString& text, const QString& value) const;
    // `value` for an empty text, `text` when it holds `value` already,
    // otherwise text + separator + value.
    QString CheckListAddValue(const QString& text, const QString& value) const;
    // The items of `text` without those equal to `value`, joined again.
    QString CheckListRemoveValue(const QString& text, const QString& value) const;
    // Removed when present, added when absent: what a click on a list item does.
    QString CheckListToggleValue(const QString& text, const QString& value) const;
    // Check-list styles only (others return `text`): keeps the items that
    // are in PickList, in pick-list order when sortAsPickList.
    QString CheckListCleanUpText(const QString& text, bool sortAsPickList) const;

private:
    bool sameItem(const QString& a, const QString& b) const;
};
