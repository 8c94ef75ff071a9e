#include "support/fixtures.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

fs::path fixturesRoot() {
    return fs::path(TABULON_FIXTURES);
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

fs::path TempDir::copy(const std::string& fixtureRelative) {
    fs::path src = fixture(fixtureRelative);
    fs::path dst = path_ / src.filename();
    fs::copy_file(src, dst, fs::copy_options::overwrite_existing);
    fs::permissions(dst, fs::perms::owner_read | fs::perms::owner_write);
    return dst;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

std::string runCommand(const std::string& command, int* status) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    std::array<char, 65536> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
    int rc = ::pclose(pipe.release());
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

}  // namespace testing_support
