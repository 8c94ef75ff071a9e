// New pages for an open file inside a page transaction. The free-page map
// (the inline map in row 0 of page 1, a set bit meaning free) gives pages
// first; a page it gives as free is taken only when no usage map of any
// table claims it, since Access marks a released table's pages free without
// clearing them from every map (see jet/FORMAT.md). Otherwise the file grows
// by one page. Either way the page's free bit is cleared, so that nobody
// takes it again and the checker does not find live rows on a free page.
#pragma once

#include <cstdint>
#include <optional>
#include <set>

namespace jet {

class Database;

class PageAllocator {
public:
    explicit PageAllocator(Database& db) : db_(db) {}

    // A page for the caller to fill; its bytes are whatever it held.
    uint32_t allocate();
    // Gives a page back: its bit in the free-page map is set when the map
    // can name it. Its contents stay, as Access leaves them.
    void release(uint32_t page);
    // Forgets what was learnt of the file (after a rollback).
    void reset() { claimed_.reset(); }

private:
    const std::set<uint32_t>& claimed();

    Database& db_;
    // Every page some usage map claims, gathered on the first need.
    std::optional<std::set<uint32_t>> claimed_;
};

}  // namespace jet
