#include "common/fixture_files.h"

#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

fs::path fixturesRoot() {
    return fs::path(TABULON_FIXTURES);
}

fs::path testsRoot() {
    return fs::path(TABULON_TESTS_DIR);
}

fs::path fixture(const std::string& relative) {
    return fixturesRoot() / relative;
}

std::vector<std::string> allFixtures() {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(fixturesRoot())) {
        auto ext = e.path().extension().string();
        if (e.is_regular_file() && (ext == ".mdb" || ext == ".accdb")) {
            out.push_back(fs::relative(e.path(), fixturesRoot()).string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

fs::path copyFixtureTo(const std::string& fixtureRelative, const fs::path& target) {
    const fs::path source = fixture(fixtureRelative);
    std::error_code ec;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (!ec) {
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, ec);
    }
    if (ec) {
        throw std::runtime_error("cannot copy the fixture " + source.string() + " to " +
                                 target.string() + ": " + ec.message());
    }
    return target;
}

TempDir::TempDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() /
            ("tabulon-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempDir::copy(const std::string& fixtureRelative, const std::string& name) {
    const fs::path target =
        path_ / (name.empty() ? fixture(fixtureRelative).filename() : fs::path(name));
    return copyFixtureTo(fixtureRelative, target);
}

}  // namespace testing_support
