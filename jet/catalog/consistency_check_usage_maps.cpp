// Usage-map check. Each table's map of owned pages must list the data pages
// that hold its rows and no others, each index's map only its index pages
// (that it lists every page of its tree is checked with the tree), and no
// page may be claimed by two maps (a table's map of pages with free space
// repeats pages of its own map and is held to that). Long-value pages are in
// no table's map in Jet 3 and Jet 4 files; ACE keeps them in a map per
// long-value column. Pages the free-page map gives as free are not judged,
// except that a page a table's map claims must not be free while it holds
// rows.
#include <algorithm>
#include <map>
#include <set>

#include "jet/catalog/consistency_check_internal.h"
#include "jet/format/data_page.h"
#include "jet/format/usage_map.h"

namespace jet::consistency {
namespace {

constexpr uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"

bool hasLiveRows(Bytes page, JetVersion v) {
    uint16_t count = dataPageRowCount(page, v);
    for (uint16_t row = 0; row < count; ++row) {
        if (!dataPageRow(page, v, row).deleted) return true;
    }
    return false;
}

enum class MapKind { Table, Index, LongValues };

struct MapClaim {
    std::string label;
    const CheckedTable* table = nullptr;
    MapKind kind = MapKind::Table;
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
                         MapKind kind) -> std::vector<uint32_t> {
            std::vector<uint32_t> listed;
            try {
                listed = readUsageMap(pages, v, mapPointer);
            } catch (const Error& e) {
                problems.add("the usage map of " + label + ": " + e.what());
                return {};
            }
            for (uint32_t page : listed) {
                auto [it, fresh] = claims.emplace(page, MapClaim{label, &t, kind});
                if (!fresh) {
                    problems.add("page " + std::to_string(page) + " is in the usage maps of both " +
                                 it->second.label + " and " + label);
                }
            }
            return listed;
        };
        auto checkFreeMap = [&](uint32_t freeMapPointer, const std::vector<uint32_t>& owned,
                                const std::string& label) {
            try {
                for (uint32_t page : readUsageMap(pages, v, freeMapPointer)) {
                    if (!std::binary_search(owned.begin(), owned.end(), page)) {
                        problems.add("page " + std::to_string(page) +
                                     " is in the free-space map of " + label +
                                     " but not in its usage map");
                    }
                }
            } catch (const Error& e) {
                problems.add("the free-space map of " + label + ": " + e.what());
            }
        };
        std::vector<uint32_t> owned = claim(def.usageMapPointer, tableLabel(def), MapKind::Table);
        checkFreeMap(def.freeMapPointer, owned, tableLabel(def));
        for (const LongValueMaps& lv : def.longValueMaps) {
            const ColumnDef* column = def.columnByNumber(lv.columnNumber);
            std::string label = "the long values of column '" +
                                (column ? column->name : "#" + std::to_string(lv.columnNumber)) +
                                "' of " + tableLabel(def);
            // The free-space map of a long-value column is left unreadable
            // in many files Access wrote (Jet 3 files and system tables
            // among them); only its map of owned pages is held to account.
            claim(lv.usageMapPointer, label, MapKind::LongValues);
        }
        for (size_t i = 0; i < def.realIndexes.size(); ++i) {
            std::string label = "index #" + std::to_string(i);
            for (const IndexDef& index : def.indexes) {
                if (index.realIndex == static_cast<int32_t>(i)) {
                    label = "index '" + index.name + "'";
                    break;
                }
            }
            claim(def.realIndexes[i].usageMapPointer, label + " of " + tableLabel(def),
                  MapKind::Index);
        }
    }

    // A page the free-page map gives as free still carries the owner and the
    // rows it held last (Access only clears its bit when a table's pages are
    // released), so it says nothing about the maps of the table that now has
    // that definition page. A page that a table's map claims and that holds
    // live rows must not be free: whoever takes free pages would overwrite
    // the rows.
    const std::set<uint32_t> freePages = freePagesOf(pages, v);
    ProblemSink problems(report, "usage maps");
    for (uint32_t n = 1; n < pages.pageCount(); ++n) {
        try {
            auto found = claims.find(n);
            const MapClaim* claim = found == claims.end() ? nullptr : &found->second;
            const bool free = freePages.contains(n);
            if (free && !claim) continue;
            PageRef ref = pages.page(n);
            Bytes p(*ref);
            const uint8_t type = p[0];
            auto claimedAs = [&](MapKind kind) { return claim && claim->kind == kind; };
            const std::string where =
                claim ? " is in the usage map of " + claim->label + " but" : std::string();
            if (type == kPageData) {
                const uint32_t owner = dataPageOwner(p);
                if (owner == kLongValueOwner) {
                    if (claim && claim->kind != MapKind::LongValues) {
                        problems.add("page " + std::to_string(n) + where + " holds long values");
                    }
                    continue;
                }
                if (free && claimedAs(MapKind::Table) && hasLiveRows(p, v)) {
                    problems.add("page " + std::to_string(n) + where +
                                 " the free-page map gives it as free, and it holds rows");
                }
                if (claimedAs(MapKind::LongValues) || claimedAs(MapKind::Index) ||
                    (claim && claim->table->def->tdefPage != owner)) {
                    problems.add("page " + std::to_string(n) + where + " is a data page of page " +
                                 std::to_string(owner));
                }
                // Access leaves some pages of its own system tables out of
                // their maps; user tables are held to theirs.
                auto table = tableByDef.find(owner);
                if (table != tableByDef.end() && !table->second->isSystem() &&
                    !(claimedAs(MapKind::Table) && claim->table == table->second) &&
                    hasLiveRows(p, v)) {
                    problems.add("page " + std::to_string(n) + " holds rows of " +
                                 tableLabel(*table->second->def) + " but is not in its usage map");
                }
            } else if (type == kPageIndexNode || type == kPageIndexLeaf) {
                const uint32_t owner = readU32(p, 4, "the index page's table pointer");
                if (claim &&
                    (claim->kind != MapKind::Index || claim->table->def->tdefPage != owner)) {
                    problems.add("page " + std::to_string(n) + where +
                                 " is an index page of page " + std::to_string(owner));
                }
            } else if (claim) {
                problems.add("page " + std::to_string(n) + where + " has type " +
                             std::to_string(type));
            }
        } catch (const Error& e) {
            problems.add("page " + std::to_string(n) + ": " + e.what());
        }
    }
}

}  // namespace jet::consistency
