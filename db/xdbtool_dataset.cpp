#include "db/xdbtool_dataset.h"

#include <QDateTime>
#include <QLocale>
#include <exception>

#include "config/KelmCompGlobalCfg.h"
#include "db/user_feedback.h"
#include "db/wait_cursor.h"
#include "db/xdbtool.h"

namespace {

using jet::DataType;

std::optional<DataType> typeOf(const std::optional<TQueryField>& field) {
    if (!field) return std::nullopt;
    try {
        return field->DataType();
    } catch (const std::exception&) {
        return std::nullopt;  // a handle that outlived its query's fields
    }
}

bool isOneOf(const std::optional<DataType>& type, std::initializer_list<DataType> types) {
    if (!type) return false;
    for (DataType t : types) {
        if (*type == t) return true;
    }
    return false;
}

}  // namespace

// ---- Field kinds -------------------------------------------------------------

bool IsDataField(const std::optional<TQueryField>& field) {
    return typeOf(field).has_value();
}

bool IsComparableField(const std::optional<TQueryField>& field) {
    return isOneOf(
        typeOf(field),
        {DataType::Boolean, DataType::Byte, DataType::Integer, DataType::Long, DataType::Currency,
         DataType::Single, DataType::Double, DataType::DateTime, DataType::Text, DataType::Guid,
         DataType::Numeric, DataType::BigInt, DataType::ExtDateTime});
}

bool IsQuotedField(const std::optional<TQueryField>& field) {
    return isOneOf(typeOf(field), {DataType::Text, DataType::Memo, DataType::DateTime,
                                   DataType::ExtDateTime, DataType::Guid, DataType::LongBinary});
}

bool IsMemoField(const std::optional<TQueryField>& field) {
    const std::optional<DataType> type = typeOf(field);
    if (isOneOf(type, {DataType::Memo})) return true;
    return isOneOf(type, {DataType::LongBinary}) &&
           kelmCompConfig().xDBToolCfg.BlobField_ftBlobAsMemo;
}

bool IsGraphicField(const std::optional<TQueryField>& field) {
    return isOneOf(typeOf(field), {DataType::LongBinary}) && !IsMemoField(field);
}

bool IsDateTimeField(const std::optional<TQueryField>& field) {
    return isOneOf(typeOf(field), {DataType::DateTime, DataType::ExtDateTime});
}

bool IsDateField(const std::optional<TQueryField>& field) {
    return IsDateTimeField(field) && !IsTimeField(field);
}

bool IsTimeField(const std::optional<TQueryField>&) {
    return false;
}

bool IsNumericField(const std::optional<TQueryField>& field) {
    return isOneOf(typeOf(field),
                   {DataType::Byte, DataType::Integer, DataType::Long, DataType::Currency,
                    DataType::Single, DataType::Double, DataType::Numeric, DataType::BigInt});
}

bool IsDataSetEditing(const TCustomQueryUDB* dataSet) {
    return dataSet && dataSet->IsEditing();
}

// ---- Operators ---------------------------------------------------------------

QString GetFilterWildCard(bool forSQL) {
    return forSQL ? QStringLiteral("%") : kelmCompConfig().xDBFilterCfg.FilterWildCardChar;
}

QString GetLikeOperator(bool forSQL) {
    const auto& cfg = kelmCompConfig().xDBFilterCfg;
    return forSQL ? cfg.SQLLikeOperator : cfg.FilterLikeOperator;
}

QString GetIsOperator() {
    return kelmCompConfig().xDBFilterCfg.NullEqualStr;
}

QString GetIsNotOperator() {
    return kelmCompConfig().xDBFilterCfg.NotNullEqualStr;
}

// ---- Boolean texts -------------------------------------------------------------

QString GetBoolFieldText(const TQueryField& field, bool value) {
    if (typeOf(field) != DataType::Boolean) return {};
    const QString values = field.DisplayValues().left(255);
    if (values.isEmpty()) return value ? QStringLiteral("True") : QStringLiteral("False");
    const qsizetype semicolon = values.indexOf(u';');
    if (semicolon < 0) return value ? values : QString();
    return value ? values.left(semicolon) : values.mid(semicolon + 1);
}

bool IsBoolTrueText(const TQueryField& field, const QString& text) {
    return text.compare(GetBoolFieldText(field, true), Qt::CaseInsensitive) == 0;
}

// ---- Conditions ----------------------------------------------------------------

QString BuildFieldConditionEx(const std::optional<TQueryField>& field, const QString& valueText,
                              bool isNull, const QString& op, bool notNull) {
    try {
        if (!field || !field->DataSet().Active()) return {};
        if (!IsComparableField(field) && !IsMemoField(field)) return {};
        const auto& cfg = kelmCompConfig().xDBFilterCfg;
        QString quote = IsQuotedField(field) ? QStringLiteral("'") : QString();
        QString value = valueText;
        if (field->DataType() == DataType::Boolean) {
            const bool truth = IsBoolTrueText(*field, value) ||
                               value.compare(cfg.BooleanString[1], Qt::CaseInsensitive) == 0 ||
                               value == u"1";
            value = cfg.BooleanString[truth ? 1 : 0];
        } else if (IsNumericField(field)) {
            const QString platform = QLocale().decimalPoint();
            if (platform != cfg.DecimalSeparator) value.replace(platform, cfg.DecimalSeparator);
        }
        if (!quote.isEmpty()) value.replace(u'\'', QStringLiteral("''"));
        QString condOp = op.isEmpty() ? QStringLiteral("=") : op;
        if (isNull || notNull) {
            quote = QStringLiteral(" ");
            value = QStringLiteral("NULL");
            condOp = isNull ? GetIsOperator() : GetIsNotOperator();
        }
        return MakeCondition(QuoteFieldName(field->FieldName()), condOp, value, quote);
    } catch (const std::exception&) {
        return {};
    }
}

QString BuildFieldCondition(const std::optional<TQueryField>& field, const QString& valueText,
                            bool isNull, const QString& op) {
    return BuildFieldConditionEx(field, valueText, isNull, op, false);
}

// ---- Filtering a query -----------------------------------------------------------

namespace {

// Puts the text on the query and returns to the record that was current;
// the message of a refused text, or nothing.
std::optional<QString> setFilterKeepingRecord(TCustomQueryUDB& dataSet, const QString& text) {
    db::WaitCursor cursor;
    const std::optional<jet::Bookmark> mark = dataSet.Bookmark();
    ScopedControlsOff quiet(dataSet);
    try {
        dataSet.SetFilterEx(text.isEmpty() ? dataSet.Filter() : text, !text.isEmpty());
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    if (dataSet.Active() && dataSet.RecordCount() > 0) {
        try {
            if (!mark || !dataSet.GotoBookmark(*mark)) dataSet.First();
        } catch (const std::exception&) {
            // Staying wherever the filter left the cursor is good enough.
        }
    }
    return std::nullopt;
}

}  // namespace

bool ApplyFilter(TCustomQueryUDB* dataSet, const QString& filterText, bool showError) {
    if (!dataSet) return false;
    const std::optional<QString> refused = setFilterKeepingRecord(*dataSet, filterText.trimmed());
    if (!refused) return true;
    if (showError) db::reportError(kErrorInExpression, *refused);
    return false;
}

bool ClearFilter(TCustomQueryUDB* dataSet) {
    return ApplyFilter(dataSet, QString(), true);
}

bool FilterBySelection(const std::optional<TQueryField>& field, TFilterBySelectionMode mode) {
    try {
        if (!field) return false;
        TCustomQueryUDB& dataSet = field->DataSet();
        QString text;
        const bool isNull = field->IsNull();
        if (!isNull) {
            if (field->DataType() == DataType::Boolean) {
                text =
                    kelmCompConfig().xDBFilterCfg.BooleanString[field->Value().as<bool>() ? 1 : 0];
            } else if (IsDateField(field)) {
                text = DateToFilterText(field->AsVariant().toDateTime());
            } else {
                text = field->AsString();
            }
        }
        const QString condition = BuildFieldCondition(field, text, isNull);
        if (condition.isEmpty()) return false;
        // A filter that is switched off no longer restricts anything, so it
        // is not added to.
        const QString old = dataSet.Filtered() ? dataSet.Filter().trimmed() : QString();
        QString prefix;
        if (!old.isEmpty() && mode == fsAddAnd) prefix = u'(' + old + QStringLiteral(") AND ");
        if (!old.isEmpty() && mode == fsAddOr) prefix = u'(' + old + QStringLiteral(") OR ");
        return ApplyFilter(&dataSet, prefix + condition, true);
    } catch (const std::exception&) {
        return false;
    }
}

// ---- Lists -----------------------------------------------------------------------

int FillListFromDataSet(const TQueryField& captionField, const std::optional<TQueryField>& idField,
                        QList<QPair<QString, int>>& list) {
    list.clear();
    TCustomQueryUDB& dataSet = captionField.DataSet();
    if (!dataSet.Active()) return 0;
    dataSet.ScanRecords([&] {
        const int id = idField ? idField->AsVariant().toInt() : -1;
        list.append({captionField.AsString(), id});
    });
    return static_cast<int>(list.size());
}
