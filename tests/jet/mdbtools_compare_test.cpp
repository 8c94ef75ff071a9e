// The engine against an independent reader, mdbtools, on every fixture it
// can read: same tables, columns, rows and cell values.
#include "support/mdbtools_compare.h"

#include <gtest/gtest.h>

#include "support/fixtures.h"

namespace {

class MdbtoolsCompare : public ::testing::TestWithParam<std::string> {};

TEST_P(MdbtoolsCompare, SameTablesColumnsRowsAndValues) {
    const std::string path = testing_support::fixture(GetParam()).string();
    for (const std::string& problem : testing_support::differencesWithMdbtools(path))
        ADD_FAILURE() << problem;
}

std::vector<std::string> readableFixtures() {
    std::vector<std::string> out;
    for (const auto& f : testing_support::allFixtures()) {
        // mdbtools cannot read the Office-encrypted .accdb files.
        if (f.find("encrypted/") == 0 && f.find(".accdb") != std::string::npos) continue;
        out.push_back(f);
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MdbtoolsCompare, ::testing::ValuesIn(readableFixtures()),
                         [](const auto& param) {
                             std::string n = param.param;
                             for (char& c : n) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return n;
                         });

}  // namespace
