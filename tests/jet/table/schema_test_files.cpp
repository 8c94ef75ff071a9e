#include "table/schema_test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "support/mdbtools_compare.h"

namespace testing_support {
namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

}  // namespace

std::filesystem::path prepare(const FileCase& c, TempDir& dir) {
    using jet::JetVersion;
    if (c.fixture)
        return dir.copy(c.fixture, "file" + std::filesystem::path(c.fixture).extension().string());
    const std::filesystem::path path =
        dir.path() /
        (c.version == JetVersion::Jet3 || c.version == JetVersion::Jet4 ? "new.mdb" : "new.accdb");
    jet::CreateOptions options;
    options.version = c.version;
    jet::createDatabase(*jet::posixFileSystem(), path.string(), options);
    return path;
}

std::shared_ptr<jet::Database> openWritable(const std::filesystem::path& path) {
    jet::OpenOptions options;
    options.writable = true;
    return jet::Database::open(path.string(), options);
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void expectSound(const std::filesystem::path& path) {
    std::shared_ptr<jet::Database> db = jet::Database::open(path.string());
    const jet::CheckReport report = jet::checkDatabase(*db);
    EXPECT_TRUE(report.ok()) << joined(report.problems);
    EXPECT_EQ(joined(differencesWithMdbtools(path.string())), "");
}

}  // namespace testing_support
