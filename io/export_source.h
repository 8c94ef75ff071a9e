// The export source model the tabular writers share: what kind of object
// the records come from, its columns, and a walk over its records.
//
// What callers rely on:
// - A source that is not usable (a data-bound source without an open
//   dataset) makes every writer return false without doing anything.
// - scan() visits the records from the first, calling `visit` with a
//   running index from 1 while the current record is the visited one, until
//   the end or until `visit` returns false; afterwards the source is back on
//   the record it was on. It returns false when `visit` stopped it.
// - value() reads the current record's value of a column of columns(); the
//   reference holds until the walk moves to another record.
//
// Use from the thread that owns the source's dataset.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "db/db_types.h"

// The kinds of object an export reads; the grid kinds come with the grid.
enum TSourceType { stGrid, stDataset, stRecView, stTreeView, stStringGrid };

// What a writer does with the file it saved.
enum TActionAfter { aaNone, aaShow, aaPrint };

struct ExportColumn {
    int index = 0;      // position in the source
    QString fieldName;  // the field's name
    QString caption;    // the title a user sees
    db::DataType type = db::DataType::Text;
    int size = 0;  // characters of a text field, bytes of others
    bool visible = true;
    bool calculated = false;
};

class ExportSource {
public:
    virtual ~ExportSource() = default;
    virtual TSourceType sourceType() const = 0;
    virtual bool usable() const = 0;
    virtual std::vector<ExportColumn> columns() const = 0;
    virtual size_t recordCount() const = 0;
    virtual bool scan(bool useDisableControl, const std::function<bool(size_t recIdx)>& visit) = 0;
    virtual const db::Value& value(int columnIndex) const = 0;
};
