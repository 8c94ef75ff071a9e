#include "io/export_columns.h"

using db::DataType;

bool isScalarType(DataType type) {
    switch (type) {
        case DataType::Boolean:
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::Currency:
        case DataType::Single:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::Text:
        case DataType::Guid:
        case DataType::Numeric:
        case DataType::BigInt:
        case DataType::ExtDateTime:
        case DataType::Complex:  // queries show a complex column's values as text
            return true;
        default:
            return false;
    }
}

bool isMemoType(DataType type) {
    return type == DataType::Memo;
}

bool isPictureType(DataType type) {
    return type == DataType::LongBinary;
}

bool isQuotedType(DataType type) {
    switch (type) {
        case DataType::Text:
        case DataType::DateTime:
        case DataType::ExtDateTime:
        case DataType::Memo:
        case DataType::Guid:
        case DataType::LongBinary:
        case DataType::Complex:
            return true;
        default:
            return false;
    }
}

bool isDateType(DataType type) {
    return type == DataType::DateTime || type == DataType::ExtDateTime;
}

bool isNumericType(DataType type) {
    switch (type) {
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::Currency:
        case DataType::Single:
        case DataType::Double:
        case DataType::Numeric:
        case DataType::BigInt:
            return true;
        default:
            return false;
    }
}

std::vector<ExportColumn> exportColumns(const ExportSource& source, unsigned flags) {
    std::vector<ExportColumn> out;
    for (const ExportColumn& column : source.columns()) {
        if ((flags & flVisibleOnly) && !column.visible && source.sourceType() != stRecView)
            continue;
        if ((flags & flDataOnly) && column.calculated) continue;
        // A string grid's columns are all text and always admitted.
        const bool admitted = source.sourceType() == stStringGrid || (flags & flAllTypes) ||
                              ((flags & flScalar) && isScalarType(column.type)) ||
                              ((flags & flMemo) && isMemoType(column.type)) ||
                              ((flags & flPicture) && isPictureType(column.type));
        if (admitted) out.push_back(column);
    }
    return out;
}

QStringList GetFieldList(const ExportSource& source, unsigned flags) {
    QStringList names;
    for (const ExportColumn& column : exportColumns(source, flags)) {
        if (flags & flIndexes) names << QString::number(column.index);
        else if (flags & flCaptions) names << column.caption;
        else names << column.fieldName;
    }
    return names;
}

int exportDisplayWidth(const ExportColumn& column) {
    switch (column.type) {
        case DataType::Boolean: return 5;
        case DataType::Byte: return 3;
        case DataType::Integer: return 6;
        case DataType::Long: return 11;
        case DataType::BigInt: return 20;
        case DataType::Currency: return 21;
        case DataType::Single: return 15;
        case DataType::Double: return 24;
        case DataType::Numeric: return 31;
        case DataType::DateTime: return 19;
        case DataType::ExtDateTime: return 27;
        case DataType::Guid: return 38;
        case DataType::Text: return column.size > 0 ? column.size : 50;
        default: return 50;
    }
}

ExportAlignment exportAlignment(const ExportColumn& column) {
    return isNumericType(column.type) ? ExportAlignment::Right : ExportAlignment::Left;
}
