// The shared fixture files and temporary folders, for the engine's tests and
// the Qt tests alike. Fixtures are read in place (read-only) or copied into a
// temporary folder first; nothing is ever written into them, and every
// temporary folder is removed with the object that made it, so no test
// leaves files behind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

std::filesystem::path fixturesRoot();
// The tests' source folder (tests/), for the case files beside the tests.
std::filesystem::path testsRoot();
std::filesystem::path fixture(const std::string& relative);
// Every Access file below the fixtures folder, relative paths, sorted.
std::vector<std::string> allFixtures();

// Copies a fixture to `target` (made writable) and returns `target`. Throws
// std::runtime_error naming both paths when the copy fails, which fails the
// test that asked for it instead of letting it go on without its file.
std::filesystem::path copyFixtureTo(const std::string& fixtureRelative,
                                    const std::filesystem::path& target);

// A fresh temporary folder removed (with everything in it) when the object
// goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Copies a fixture into the folder under its own name (or `name`) and
    // returns the copy's path; throws as copyFixtureTo does.
    std::filesystem::path copy(const std::string& fixtureRelative, const std::string& name = {});

private:
    std::filesystem::path path_;
};

}  // namespace testing_support
