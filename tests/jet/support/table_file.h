// A new Jet 4 file holding one table with the given rows, written by the
// engine's writer: a small fixture made to show one behaviour.
#pragma once

#include <string>
#include <vector>

#include "jet/value.h"
#include "jet/write/table_layout.h"

namespace testing_support {

void writeTableFile(const std::string& path, const jet::TableSpec& table,
                    const std::vector<std::vector<jet::Value>>& rows);

// A column of a table spec: `daoType` as DAO numbers types (4 Long, 10 Text ...).
jet::ColumnSpec columnSpec(const std::string& name, int daoType, int size = 0);

}  // namespace testing_support
