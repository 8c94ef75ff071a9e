// A whole-file consistency check: every catalogue object, definition, row,
// long value, property blob, stored query and relation is read, and what is
// read is checked against what the file claims about itself (row counts,
// relation ends). Used by `tabulon-cli check` and by tests of every file the
// engine writes.
#pragma once

#include <string>
#include <vector>

#include "jet/catalog/database.h"

namespace jet {

struct CheckReport {
    std::vector<std::string> problems;  // empty when the file is sound
    uint64_t tablesChecked = 0;
    uint64_t rowsChecked = 0;
    bool ok() const { return problems.empty(); }
};

// Never throws for damage found in the file: each problem becomes a line of
// the report, and the check goes on with the next object.
CheckReport checkDatabase(Database& db);

}  // namespace jet
