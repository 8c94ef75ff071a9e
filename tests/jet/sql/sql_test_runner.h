// Runs SQL test files (the format is in cases/README.md): each record's
// statement, text or call against the engine, compared with what the record
// expects. Records run in order; a database record gives the ones after it a
// fresh copy of a fixture, or a new file, in a temporary folder of its own.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "sql/sql_test_file.h"

namespace sql_test {

struct RunResult {
    size_t records = 0;             // records that check something (database records not counted)
    std::vector<Failure> failures;  // format problems and differing results, by line
};

RunResult runTestText(std::string_view text);
// A file that cannot be read is one failure at line 0.
RunResult runTestFile(const std::filesystem::path& path);

}  // namespace sql_test
