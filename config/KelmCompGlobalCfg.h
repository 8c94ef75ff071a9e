// The shared configuration record: one instance, filled with the defaults
// below when it is first used, read by the kit's controls, the database
// helpers and the property store. It sits in a folder of its own, below all
// of them, because each of those layers reads it and none may depend on the
// others; it holds plain settings and knows neither windows nor databases.
// The program itself never changes it; tests may, but must restore what
// they change (use a copy and assign it back).
#pragma once

#include <QString>
#include <QStringList>
#include <Qt>
#include <functional>

class QObject;
class QWidget;

// Anchor handler given to every label of the kit's dialogs.
using TxAnchorClickHandler = std::function<void(QWidget* sender, const QString& linkName)>;

struct TxDBToolCfg {
    // Dialogs (message, input and progress windows).
    QString xDlg_DefaultFont = "Tahoma";
    int xDlg_DefaultSize = 8;
    TxAnchorClickHandler xDlg_AnchorClick;  // none by default
    bool xDlg_BlockStoringGridFields = false;

    // SQL texts written by the database helpers.
    QString SQLScript_StringFieldQuotes = "'";
    QString SQLScript_BooleanTrueValue = "1";
    QString SQLScript_BooleanFalseValue = "0";
    QString SQLScript_ReservedKeywords;  // comma-separated, set by the constructor
    bool BlobField_ftBlobAsMemo = true;

    TxDBToolCfg();
};

struct TxDBFilterCfg {
    QString FilterWildCardChar = "*";
    QString SQLWildCardChar = "%";
    QString FilterLikeOperator = "LIKE";
    QString SQLLikeOperator = "LIKE";
    QString NullEqualStr = "=";
    QString NotNullEqualStr = "<>";
    QString DateFormat;  // empty: the platform's short date format
    QString BooleanString[2] = {"false", "true"};
    QString TableQuoteStart = "[";
    QString TableQuoteStop = "]";
    QString FieldQuoteStart = "[";
    QString FieldQuoteStop = "]";
    QString DecimalSeparator = ".";
};

struct TxDBFieldDefaultsCfg {
    QString DefaultFloatDisplayFormat = "#,##0.00";
    QString DefaultFloatEditFormat = "0.00";
    QString DefaultBoolDisplayFormat = "Yes;No";
    QString DefaultDateTimeDisplayFormat;
    QString DefaultTimeDisplayFormat = "h:nn";
    std::function<void(QObject* dataset)> LoadFieldsPropsProc;  // none
    QStringList* InternalSQLLog = nullptr;                      // none; not owned
    QString InternalLogSeparator = ";";
};

struct TxDBComponentsCfg {
    Qt::CursorShape RequeryCursorType = Qt::BusyCursor;  // the SQL-wait cursor
};

struct TxDBExportCfg {
    bool UseDisableControl = true;
};

struct TRTFRepDlgCfg {
    bool ExportExcelNoFileName = true;
};

struct TPropSaveCfg {
    QString Suffix_BlockSaveItems = "_nostore";
    bool Grids_UseGlobalSetting = false;
    QString FieldList_UseNewWidth;
};

struct TKelmCompConfig {
    TxDBToolCfg xDBToolCfg;
    TxDBFilterCfg xDBFilterCfg;
    TxDBFieldDefaultsCfg xDBFieldDefaultsCfg;
    TxDBComponentsCfg xDBComponentsCfg;
    TxDBExportCfg xDBExportCfg;
    TRTFRepDlgCfg RTFRepDlgCfg;
    TPropSaveCfg PropSaveCfg;

    // The settings file that property stores share when one of them is
    // marked as the global file; not owned, none by default.
    QObject* Global_PropSaveFile = nullptr;
    // General notification that components raise (code, value); none by
    // default, so raising it does nothing.
    std::function<void(QObject* sender, int code, int value)> Global_OnKelmCompGeneralEvent;
};

// The one record of the run.
TKelmCompConfig& kelmCompConfig();

// Raises Global_OnKelmCompGeneralEvent when a handler is installed.
void raiseKelmCompGeneralEvent(QObject* sender, int code, int value);
