// Helpers shared by the index writer tests: raw pages of fixture files and a
// walk of an index tree that records its shape for checks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/index_page.h"

namespace jet::index_test {

// A whole file read into memory (fixtures are read-only; nothing is written).
std::vector<uint8_t> readWholeFile(const std::filesystem::path& path);
// The version named in an unencrypted file's header page.
JetVersion versionOfFile(const std::vector<uint8_t>& file);
// Page `n` of a file held in memory.
std::vector<uint8_t> pageOf(const std::vector<uint8_t>& file, JetVersion v, uint32_t n);

struct WalkedPage {
    uint32_t number = 0;
    IndexPage page;
    std::vector<uint32_t> children;  // entries' child pages, then an unlisted tail
};

// An index tree read from its root: pages by depth (0 = the root), each level
// from left to right, and the leaf entries in tree order.
struct TreeWalk {
    std::vector<std::vector<WalkedPage>> levels;
    std::vector<IndexEntry> entries;
    size_t pageCount() const;
};

// Reads the tree below `root`. Throws std::runtime_error when it is not a
// tree (a page seen twice, leaves at different depths, more than 16 levels).
TreeWalk walkTree(const std::function<std::vector<uint8_t>(uint32_t)>& pageAt, bool jet3,
                  uint32_t root);

}  // namespace jet::index_test
