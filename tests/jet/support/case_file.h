// The plain-text case files of the SQL tests: blocks of "key: value" lines,
// a blank line ending a block and '#' starting a comment line. Each runner
// gives the keys their meaning; this only splits the file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct CaseEntry {
    int line = 0;
    std::string key;
    std::string value;  // after ": " (or ":"), as written
};
using CaseBlock = std::vector<CaseEntry>;

// A file that cannot be read and a line without a key are test failures.
std::vector<CaseBlock> readCaseBlocks(const std::filesystem::path& path);

}  // namespace testing_support
