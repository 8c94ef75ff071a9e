// The column list of an export (GetFieldList) and what the writers need to
// know of a column's type: which types are written at all, which are
// quoted, which are numbers or dates, and a column's display width.
#pragma once

#include <QStringList>
#include <vector>

#include "io/export_source.h"

enum TFieldListFlag : unsigned {
    flCaptions = 1,     // titles instead of field names
    flIndexes = 2,      // column indexes in decimal
    flVisibleOnly = 4,  // skip invisible columns
    flDataOnly = 8,     // skip calculated columns
    flAllTypes = 16,
    flScalar = 32,
    flMemo = 64,
    flPicture = 128,
};

bool isScalarType(db::DataType type);
bool isMemoType(db::DataType type);
bool isPictureType(db::DataType type);
// The types whose values the text writer encloses in its quote string.
bool isQuotedType(db::DataType type);
bool isDateType(db::DataType type);
// Numbers of every size, currency and decimals (not Booleans).
bool isNumericType(db::DataType type);

// The source's columns that pass `flags`, in the source's order.
std::vector<ExportColumn> exportColumns(const ExportSource& source, unsigned flags);
// The same as names (or captions, or indexes, per `flags`).
QStringList GetFieldList(const ExportSource& source, unsigned flags);

enum class ExportAlignment { Left, Right, Center };
// The width in characters a column's values take when aligned to columns.
int exportDisplayWidth(const ExportColumn& column);
ExportAlignment exportAlignment(const ExportColumn& column);
