// The export source of a dataset (stDataset): the records of a TQueryUDB in
// its present order, filter and sort; its columns are the query's fields.
#pragma once

#include "db/xDBComponents_UDB_query.h"
#include "io/export_source.h"

class DatasetExportSource : public ExportSource {
public:
    explicit DatasetExportSource(TCustomQueryUDB& query) : query_(query) {}

    TSourceType sourceType() const override { return stDataset; }
    bool usable() const override { return query_.Active(); }
    std::vector<ExportColumn> columns() const override;
    size_t recordCount() const override { return query_.RecordCount(); }
    bool scan(bool useDisableControl, const std::function<bool(size_t recIdx)>& visit) override;
    const db::Value& value(int columnIndex) const override;

private:
    TCustomQueryUDB& query_;
};
