// The data grid's option groups (OptionsEx2) and the small types the grid's
// units share. Plain records with their initial values; the grid reads them
// on every use, so a change takes effect at the next paint or action.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

enum TColumnWidth {
    cwNone,
    cwDefaultWidth,
    cwLabelWidth,
    cwSameWidth,
    cwAutoWidth,
    cwDataWidth,
    cwDataLabelWidth,
    cwHideEmptyCol,
};

enum TLookupCondition { lcBrowse, lcBrowseFilter, lcNotEdit, lcNotEditFilter, lcNever };
enum TOptionTextFilterType { oftAnyPos, oftStartPos, oftExactValue, oftAnyPosForNoLikeChar };
enum TOptionFilterCaseSensitivityType { fcsDoNotChange, fcsCaseInsensitive, fcsCaseSensitive };
enum TOptionsBlobType { obtNone, obtGlyph, obtContent };
enum TSearchingType { stFindFirst, stFindNext, stFindPrev };

// Remembered per column: width, visibility, and the column's filter
// condition (dataset filter syntax).
struct TColumnStoredProp {
    QString FieldName;
    int Width = 0;
    bool Visible = true;
    QString FilterString;
};

struct TOptionsFixedCell {
    bool TitleExBtn = true;
    bool TitleExBtnSelectAll = true;
    bool TitleExBtnHintRecCount = false;
    bool TitleBtn = true;
    bool FixedColBtn = true;
    bool TitlePopup = true;
    bool TitlePopupDistinctValues = false;
    int TitleImageSpace = 3;
    int TitleTextMinWidth = 16;
    QString TitleTextSeparators = QStringLiteral(" ._-/\\@#$&|");
    QString TitleForceWrapSeparators;
    bool TitleTextCaseSeparator = true;
    bool RotateTitleText = false;
    int FixedCols = 0;
};

struct TOptionsEditors {
    bool BoolGlyphs = true;
    bool BoolOneClickChange = false;
    bool BoolAutoSave = false;
    bool BoolAllowsNull = false;
    TOptionsBlobType Memo = obtGlyph;
    TOptionsBlobType Graphic = obtGlyph;
    bool DateTimePicker = true;
    bool OnlyPickListValues = false;
    int TextAsMemoSize = 0;
    bool NotProcDblClick = false;
    bool NotProcMemoDblClick = false;
    bool NotProcGraphicDblClick = false;
    bool AllowPasteMultipleCells = false;
    bool AllowReadOnlyButton = false;
    bool AllowLookupFilter = false;
    bool AutoDropDown = false;
    bool AutoPickListWidth = true;
    bool BlockInsertByKey = false;
};

struct TOptionsAppearance {
    bool DrawRowFocus = false;
    bool DrawColoredRow = false;
    bool ActiveRowGradient = false;
    bool HighlightMultiselect = true;
    bool SkipCellHighlight = false;
    bool HideHScrollBar = false;
    bool StandardTabKey = false;
    bool ReturnAsTabKey = false;
    bool DragCell = false;
    bool DragToScrollData = false;
    int HintMaxLength = 2000;
    int ColumnMinWidth = 40;
    int ColumnMaxWidth = 200;
    // The number of records the data-width modes visit.
    int ColumnWidthMaxRecordsSearch = 2000;
    unsigned LookupResetDelay = 2500;
    bool DataRowInFixedColsAsTitle = false;
    bool ColumnFontStyleColor = false;
    bool TitleFontStyleColor = false;
    bool PreferColumnColor = true;
};

struct TOptionsFilters {
    bool FunnelBtn = false;
    bool FunnelBtnActiveOnly = false;
    bool MultiFieldFilter = false;
    bool TextBar = false;
    bool TextBarTopLayout = false;
    int TextMarginX = 2;
    int TextMarginY = 1;
    QColor TextBkColor;  // invalid: the window background
    bool TextListAutoLoad = false;
    bool TextListAddFilter = true;
    TOptionTextFilterType TextFilterType = oftAnyPos;
    QChar TextFilterLikeChar;  // null: ask the sorter, then the dataset default
    QString TextFilterLikeOperator;
    bool UseDatePartAsRange = true;
    bool UseNumberPartAsRange = true;
    QChar NumberPartWildChar = QLatin1Char('*');
    unsigned SetFilterDelay = 1000;
    bool FilterPanel = false;
    QColor FilterPanelColor = QColor(214, 214, 214);
    QString FilterPanelButtonList;
    TOptionFilterCaseSensitivityType FilterCaseSensitivity = fcsDoNotChange;
    // Height of the bar's editor until it is measured.
    int TextBarHeight = 21;
};

struct TOptionsGroups {
    bool Active = false;
    bool CanExpand = true;
    bool ShowMergedCell = false;
    bool AlwaysUseGroupColors = false;
    int GroupHeightPixels = 12;
    int MergeCellHeightPixels = 20;
    int CollapseBtnSize = 10;
    int GroupLineWidth = 1;
};

struct TOptionsCellCondition {
    bool Active = false;
};

struct TOptionsHighlightText {
    bool Active = false;
    QString HighlightText;
    QColor FontColor;
    QColor BkColor = QColor(255, 255, 0);
    bool Bold = false;
    QStringList HighlightInFields;
};

struct TOptionsEx2 {
    TOptionsFixedCell FixedCell;
    TOptionsEditors Editors;
    TOptionsAppearance Appearance;
    TOptionsFilters Filters;
    TOptionsGroups Groups;
    TOptionsCellCondition CellCondition;
    TOptionsHighlightText HighlightText;
};
