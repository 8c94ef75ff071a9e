// Files the schema editor's tests change: new files of each version and
// copies of files Access made, opened for writing, and the soundness check
// every changed file must pass (the engine's checker and mdbtools).
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/jet_version.h"
#include "support/fixtures.h"

namespace testing_support {

struct FileCase {
    const char* name;
    jet::JetVersion version;  // of a new file; ignored for a fixture
    const char* fixture;      // relative to the fixtures folder; null for a new file
};

// A copy of the fixture, or a new empty file of the version, in `dir`.
std::filesystem::path prepare(const FileCase& c, TempDir& dir);

std::shared_ptr<jet::Database> openWritable(const std::filesystem::path& path);

// The whole file, for comparing before and after a refused change.
std::vector<uint8_t> fileBytes(const std::filesystem::path& path);

// The file passes the consistency check and reads the same through mdbtools
// (gtest failures otherwise).
void expectSound(const std::filesystem::path& path);

}  // namespace testing_support
