// Usage-map check. Each table's map of owned pages must list the data pages
// that hold its rows and no others, each index's map only its index pages
// (that it lists every page of its tree is checked with the tree), and no
// page may be claimed by two maps (a table's map of pages with free space
// repeats pages of its own map and is held to that). Long-value pages are in
// no table's map in Jet 3 and Jet 4 files, and ACE keeps them in per-column
// maps this check does not read; they are checked through the rows that
// reference them instead.
#include <algorithm>
#include <map>

#include "jet/catalog/consistency_check_internal.h"
#include "jet/format/data_page.h"
#include "jet/format/usage_map.h"

namespace jet::consistency {
namespace {

bool hasLiveRows(Bytes page, JetVersion v) {
    uint16_t count = dataPageRowCount(page, v);
    for (uint16_t row = 0; row < count; ++row) {
        if (!dataPageRow(page, v, row).deleted) return true;
    }
    return false;
}

struct MapClaim {
    std::string label;
    const CheckedTable* table = nullptr;
    bool indexMap = false;
};

}  // namespace

void checkUsageMaps(Database& db, const std::vector<CheckedTable>& tables, CheckReport& report) {
    PageStore& pages = db.pages();
    const JetVersion v = db.version();
    std::map<uint32_t, MapClaim> claims;
    std::map<uint32_t, const CheckedTable*> tableByDef;

    for (const CheckedTable& t : tables) {
        const TableDef& def = *t.def;
        tableByDef[def.tdefPage] = &t;
        ProblemSink problems(report, tableLabel(def));
        auto claim = [&](uint32_t mapPointer, const std::string& label,
                         bool indexMap) -> std::vector<uint32_t> {
            std::vector<uint32_t> listed;
            try {
                listed = readUsageMap(pages, v, mapPointer);
            } catch (const Error& e) {
                problems.add("the usage map of " + label + ": " + e.what());
                return {};
            }
            for (uint32_t page : listed) {
                auto [it, fresh] = claims.emplace(page, MapClaim{label, &t, indexMap});
                if (!fresh) {
                    problems.add("page " + std::to_string(page) + " is in the usage maps of both " +
                                 it->second.label + " and " + label);
                }
            }
            return listed;
        };
        std::vector<uint32_t> owned = claim(def.usageMapPointer, tableLabel(def), false);
        for (size_t i = 0; i < def.realIndexes.size(); ++i) {
            std::string label = "index #" + std::to_string(i);
            for (const IndexDef& index : def.indexes) {
                if (index.realIndex == static_cast<int32_t>(i)) {
                    label = "index '" + index.name + "'";
                    break;
                }
            }
            claim(def.realIndexes[i].usageMapPointer, label + " of " + tableLabel(def), true);
        }
        try {
            for (uint32_t page : readUsageMap(pages, v, def.freeMapPointer)) {
                if (!std::binary_search(owned.begin(), owned.end(), page)) {
                    problems.add("page " + std::to_string(page) +
                                 " is in the free-space map but not among the table's pages");
                }
            }
        } catch (const Error& e) {
            problems.add(std::string("the free-space map: ") + e.what());
        }
    }

    ProblemSink problems(report, "usage maps");
    for (uint32_t n = 1; n < pages.pageCount(); ++n) {
        try {
            PageRef ref = pages.page(n);
            Bytes p(*ref);
            const uint8_t type = p[0];
            auto claim = claims.find(n);
            if (type == kPageData) {
                const uint32_t owner = dataPageOwner(p);
                auto table = tableByDef.find(owner);
                if (claim != claims.end() && !claim->second.indexMap &&
                    claim->second.table->def->tdefPage != owner) {
                    problems.add("page " + std::to_string(n) + " is in the usage map of " +
                                 claim->second.label + " but is a data page of page " +
                                 std::to_string(owner));
                }
                // Access leaves some pages of its own system tables out of
                // their maps; user tables are held to theirs.
                if (table != tableByDef.end() && !table->second->isSystem() &&
                    (claim == claims.end() || claim->second.table != table->second ||
                     claim->second.indexMap) &&
                    hasLiveRows(p, v)) {
                    problems.add("page " + std::to_string(n) + " holds rows of " +
                                 tableLabel(*table->second->def) + " but is not in its usage map");
                }
                if (claim != claims.end() && claim->second.indexMap) {
                    problems.add("page " + std::to_string(n) +
                                 " is a data page in the usage map of " + claim->second.label);
                }
            } else if (type == kPageIndexNode || type == kPageIndexLeaf) {
                if (claim != claims.end() && !claim->second.indexMap) {
                    problems.add("page " + std::to_string(n) +
                                 " is an index page in the usage map of " + claim->second.label);
                }
                const uint32_t owner = readU32(p, 4, "the index page's table pointer");
                if (claim != claims.end() && claim->second.table->def->tdefPage != owner) {
                    problems.add("page " + std::to_string(n) + " is in the usage map of " +
                                 claim->second.label + " but is an index page of page " +
                                 std::to_string(owner));
                }
            } else if (claim != claims.end()) {
                problems.add("page " + std::to_string(n) + " of type " + std::to_string(type) +
                             " is in the usage map of " + claim->second.label);
            }
        } catch (const Error& e) {
            problems.add("page " + std::to_string(n) + ": " + e.what());
        }
    }
}

}  // namespace jet::consistency
