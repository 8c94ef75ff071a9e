// Query results as short texts for tests: the CSV lines tabulon-cli prints.
#pragma once

#include <string>
#include <vector>

#include "jet/sql/executor/query_result.h"

namespace jet::sql {

// The header line: column names joined with ",".
std::string columnNamesLine(const QueryResult& result);
// Column types by their display names ("Long,Text").
std::string columnTypesLine(const QueryResult& result);
// One CSV line per row: Null empty, text and dates quoted, Boolean 0/1.
std::vector<std::string> rowLines(const QueryResult& result);

}  // namespace jet::sql
