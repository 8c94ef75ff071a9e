// A whole-file consistency check: every page, catalogue object, definition,
// row, long value, index, property blob, stored query and relation is read,
// and what is read is checked against what the file claims about itself:
//   - pages: every type byte is one Access writes; data pages name an owner
//     that can own them and keep their rows inside the page, apart;
//   - usage maps: a table's data pages with rows are in its map, index pages
//     in their index's map, and no page is claimed by two maps;
//   - rows and long values: every row decodes, every long-value chain ends
//     inside the file with exactly the length its reference gives;
//   - indexes: every index holds exactly the keys of its table's rows, built
//     as Access builds them, in order, with the tree, the leaf chain and the
//     prefix compression as Access writes them;
//   - relationships: the pair of indexes of each enforced one names each
//     other, and every foreign key names a row of the referenced table.
// Used by `tabulon-cli check` and by tests of every file the engine writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/catalog/database.h"

namespace jet {

struct CheckReport {
    std::vector<std::string> problems;  // empty when the file is sound
    // What could not be checked and why (not damage): for example an index
    // on text in a sort order whose keys the engine cannot build.
    std::vector<std::string> notes;
    uint64_t tablesChecked = 0;
    uint64_t rowsChecked = 0;
    uint64_t pagesChecked = 0;
    uint64_t indexEntriesChecked = 0;
    bool ok() const { return problems.empty(); }
};

// Never throws for damage found in the file: each problem becomes one line
// of the report naming the page, table or index, and the check goes on with
// the next object.
CheckReport checkDatabase(Database& db);

}  // namespace jet
