// The tables of SQL test files: a `table` record's column lines (see
// cases/README.md) read into a table spec, and the table written into an
// existing file by the engine's whole-file writer.
#pragma once

#include <string>
#include <vector>

#include "jet/write/table_layout.h"

namespace sql_test {

struct TestTable {
    jet::TableSpec spec;
    std::string validationRule, validationText;  // the table's own
};

// Throws std::invalid_argument naming the line it cannot read.
TestTable readTestTable(const std::string& name, const std::vector<std::string>& lines);

// Rewrites the file at `path` with `table` added (its rows empty).
void addTestTable(const std::string& path, const TestTable& table);

}  // namespace sql_test
