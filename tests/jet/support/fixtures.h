// Access to the shared fixture files. Tests read fixtures in place (read-only)
// or work on copies in a temporary folder; nothing is ever written into them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

std::filesystem::path fixturesRoot();
std::filesystem::path fixture(const std::string& relative);
// Every Access file below the fixtures folder, relative paths, sorted.
std::vector<std::string> allFixtures();

// A fresh temporary folder removed when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Copies a fixture into the folder (writable) and returns the copy's path.
    std::filesystem::path copy(const std::string& fixtureRelative);

private:
    std::filesystem::path path_;
};

// Runs a shell command, returns its standard output; `status` gets the exit code.
std::string runCommand(const std::string& command, int* status = nullptr);
std::string shellQuote(const std::string& s);

}  // namespace testing_support
