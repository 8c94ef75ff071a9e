#include "index_test_support.h"

#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

namespace jet::index_test {

std::vector<uint8_t> readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

JetVersion versionOfFile(const std::vector<uint8_t>& file) {
    if (file.size() < 0x15 || file[0x14] > static_cast<uint8_t>(JetVersion::Ace17)) {
        throw std::runtime_error("not a file of a known version");
    }
    return static_cast<JetVersion>(file[0x14]);
}

std::vector<uint8_t> pageOf(const std::vector<uint8_t>& file, JetVersion v, uint32_t n) {
    const size_t size = pageSizeOf(v);
    const size_t start = size_t{n} * size;
    if (start + size > file.size())
        throw std::runtime_error("page " + std::to_string(n) + " is past the end");
    return std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(start),
                                file.begin() + static_cast<std::ptrdiff_t>(start + size));
}

size_t TreeWalk::pageCount() const {
    size_t n = 0;
    for (const auto& level : levels) n += level.size();
    return n;
}

namespace {

void walkPage(const std::function<std::vector<uint8_t>(uint32_t)>& pageAt, bool jet3,
              uint32_t number, size_t depth, std::set<uint32_t>& seen, TreeWalk& walk) {
    if (depth > 16) throw std::runtime_error("index tree deeper than 16 levels");
    if (!seen.insert(number).second) {
        throw std::runtime_error("page " + std::to_string(number) + " is reached twice");
    }
    WalkedPage walked;
    walked.number = number;
    walked.page = parseIndexPage(pageAt(number), jet3);
    if (!walked.page.leaf) {
        for (const auto& entry : walked.page.entries) walked.children.push_back(entry.childPage);
        const uint32_t tail = walked.page.tailPage;
        if (tail != 0 && (walked.children.empty() || walked.children.back() != tail)) {
            walked.children.push_back(tail);
        }
    }
    if (walk.levels.size() <= depth) walk.levels.resize(depth + 1);
    const bool leaf = walked.page.leaf;
    const std::vector<uint32_t> children = walked.children;
    if (leaf) {
        walk.entries.insert(walk.entries.end(), walked.page.entries.begin(),
                            walked.page.entries.end());
    }
    walk.levels[depth].push_back(std::move(walked));
    for (uint32_t child : children) walkPage(pageAt, jet3, child, depth + 1, seen, walk);
}

}  // namespace

TreeWalk walkTree(const std::function<std::vector<uint8_t>(uint32_t)>& pageAt, bool jet3,
                  uint32_t root) {
    TreeWalk walk;
    std::set<uint32_t> seen;
    walkPage(pageAt, jet3, root, 0, seen, walk);
    for (size_t depth = 0; depth < walk.levels.size(); ++depth) {
        for (const WalkedPage& p : walk.levels[depth]) {
            if (p.page.leaf != (depth + 1 == walk.levels.size())) {
                throw std::runtime_error("page " + std::to_string(p.number) +
                                         " breaks the rule that all leaves are at one depth");
            }
        }
    }
    return walk;
}

}  // namespace jet::index_test
