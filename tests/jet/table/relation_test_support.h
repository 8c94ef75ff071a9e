// What the relationship tests share: small related tables with a Long
// primary key, rows made of short values, a row found by its key, the
// outcome of an operation as text; the files themselves (writable opens,
// their bytes, their soundness) as the other schema tests have them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"
#include "jet/value.h"
#include "jet/write/table_layout.h"
#include "table/schema_test_files.h"

namespace testing_support {

inline jet::Value n(int64_t v) {
    return jet::Value::integer(v);
}
inline jet::Value t(const std::string& v) {
    return jet::Value::text(v);
}

// A table of Long columns, the first its primary key, and a Text(20)
// column `textColumn` after them unless it is empty.
jet::TableSpec relatedTableSpec(const std::string& name,
                                const std::vector<std::string>& longColumns,
                                const std::string& textColumn = "");

// The row of `table` whose first column holds `first`.
jet::RowPointer rowWhere(jet::Database& db, const std::string& table, int64_t first);

// "taken", or the message of the jet::Error the operation threw.
std::string outcome(const std::function<void()>& operation);

// The versions the relationship tests write, and their names in test names.
inline const auto kRelatedVersions =
    ::testing::Values(jet::JetVersion::Jet3, jet::JetVersion::Jet4, jet::JetVersion::Ace14);
std::string versionName(const ::testing::TestParamInfo<jet::JetVersion>& version);

// Access's files with enforced relationships, one per version: Table1's
// otherfk1 names Table2.id (cascading deletes), its otherfk2 names Table3.id
// (cascading updates).
inline constexpr const char* kAccessFilesWithRelationships[] = {
    "V1997/indexTestV1997.mdb", "V2000/indexTestV2000.mdb", "V2007/indexTestV2007.accdb",
    "V2010/indexTestV2010.accdb"};

}  // namespace testing_support
