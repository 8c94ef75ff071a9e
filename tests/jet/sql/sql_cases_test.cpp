// Runs every SQL test file in cases/ (the format is in cases/README.md), one
// test per file; each failure names the file and the line of its record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "common/fixture_files.h"
#include "sql/sql_test_runner.h"

namespace sql_test {
namespace {

std::filesystem::path casesFolder() {
    return testing_support::testsRoot() / "jet/sql/cases";
}

std::vector<std::string> caseFiles() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(casesFolder(), ignored)) {
        if (entry.path().extension() == ".test") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SqlCases : public testing::TestWithParam<std::string> {};

TEST_P(SqlCases, EveryRecordHolds) {
    const std::filesystem::path path = casesFolder() / GetParam();
    const RunResult result = runTestFile(path);
    EXPECT_GT(result.records, 0u) << path << " holds no records";
    RecordProperty("records", static_cast<int>(result.records));
    for (const Failure& f : result.failures) {
        ADD_FAILURE_AT(path.string().c_str(), f.line) << f.message;
    }
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string name = std::filesystem::path(info.param).stem().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, SqlCases, testing::ValuesIn(caseFiles()), testName);

}  // namespace
}  // namespace sql_test
