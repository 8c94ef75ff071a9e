#include "support/case_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace testing_support {

std::vector<CaseBlock> readCaseBlocks(const std::filesystem::path& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::vector<CaseBlock> blocks;
    CaseBlock current;
    auto finish = [&] {
        if (!current.empty()) blocks.push_back(std::move(current));
        current.clear();
    };
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            finish();
            continue;
        }
        if (line[0] == '#') continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            ADD_FAILURE() << path.filename().string() << ":" << lineNo << ": no key in '" << line
                          << "'";
            continue;
        }
        const size_t valueAt = line.compare(colon, 2, ": ") == 0 ? colon + 2 : colon + 1;
        current.push_back(CaseEntry{lineNo, line.substr(0, colon), line.substr(valueAt)});
    }
    finish();
    return blocks;
}

}  // namespace testing_support
