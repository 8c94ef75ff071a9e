#include "table/relation_test_support.h"

#include <stdexcept>

#include "jet/error.h"
#include "jet/table/table_scan.h"
#include "support/table_file.h"

namespace testing_support {

jet::TableSpec relatedTableSpec(const std::string& name,
                                const std::vector<std::string>& longColumns,
                                const std::string& textColumn) {
    jet::TableSpec spec;
    spec.name = name;
    for (const std::string& c : longColumns) spec.columns.push_back(columnSpec(c, 4));
    if (!textColumn.empty()) spec.columns.push_back(columnSpec(textColumn, 10, 20));
    jet::IndexSpec primary;
    primary.name = "PrimaryKey";
    primary.columns = {{longColumns.at(0), true}};
    primary.primary = true;
    spec.indexes = {primary};
    return spec;
}

jet::RowPointer rowWhere(jet::Database& db, const std::string& table, int64_t first) {
    jet::TableScan scan(db, db.table(table));
    while (scan.next())
        if (scan.value(0) == jet::Value::integer(first)) return scan.rowId();
    throw std::runtime_error(table + " has no row " + std::to_string(first));
}

std::string outcome(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const jet::Error& e) {
        return e.what();
    }
    return "taken";
}

std::string versionName(const ::testing::TestParamInfo<jet::JetVersion>& version) {
    return version.param == jet::JetVersion::Jet3   ? "Jet3"
           : version.param == jet::JetVersion::Jet4 ? "Jet4"
                                                    : "Ace14";
}

}  // namespace testing_support
