#include "jet/catalog/consistency_check.h"

#include "jet/catalog/stored_queries.h"
#include "jet/format/property_blob.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"

namespace jet {
namespace {

template <typename Fn>
void guarded(CheckReport& report, const std::string& what, Fn&& fn) {
    try {
        fn();
    } catch (const Error& e) {
        report.problems.push_back(what + ": " + e.what());
    }
}

// Every index is walked in key order: it must reach as many rows as the table
// holds (fewer when it ignores nulls) and never a row that is gone.
void checkIndexes(CheckReport& report, Database& db, const std::shared_ptr<const TableDef>& def,
                  uint64_t rows) {
    for (const IndexDef& index : def->indexes) {
        guarded(report, "index '" + index.name + "' of table '" + def->name + "'", [&] {
            IndexCursor cursor(db, def, index);
            uint64_t entries = 0;
            for (bool more = cursor.first(); more; more = cursor.next()) ++entries;
            bool ignoresNulls = (def->realIndexOf(index).flags & kIndexIgnoreNulls) != 0;
            if (cursor.staleEntries() > 0) {
                report.problems.push_back("index '" + index.name + "' of table '" + def->name +
                                          "' points at " + std::to_string(cursor.staleEntries()) +
                                          " rows that are gone");
            }
            if (entries > rows || (!ignoresNulls && entries != rows)) {
                report.problems.push_back("index '" + index.name + "' of table '" + def->name +
                                          "' holds " + std::to_string(entries) + " entries for " +
                                          std::to_string(rows) + " rows");
            }
        });
    }
}

}  // namespace

CheckReport checkDatabase(Database& db) {
    CheckReport report;
    for (const CatalogObject& o : db.objects()) {
        if (o.properties.empty()) continue;
        guarded(report, "properties of '" + o.name + "'",
                [&] { parsePropertyBlob(o.properties, isJet3(db.version()), db.codePage()); });
    }
    for (const CatalogObject* t : db.tables(true)) {
        guarded(report, "table '" + t->name + "'", [&] {
            auto def = db.tableAt(t->tdefPage(), t->name);
            TableScan scan(db, def);
            uint64_t rows = 0;
            while (scan.next()) {
                scan.values();
                ++rows;
            }
            // Access keeps the counts of its own system tables loosely (they
            // lag behind their rows), so only user tables are held to theirs.
            if (!t->isSystem() && rows != def->rowCount) {
                report.problems.push_back("table '" + t->name + "': " + std::to_string(rows) +
                                          " rows found, the definition counts " +
                                          std::to_string(def->rowCount));
            }
            ++report.tablesChecked;
            report.rowsChecked += rows;
            checkIndexes(report, db, def, rows);
        });
    }
    guarded(report, "stored queries", [&] { readStoredQueries(db); });
    guarded(report, "relations", [&] {
        for (const Relation& r : db.relations()) {
            for (const std::string& end : {r.table, r.foreignTable}) {
                const CatalogObject* o = db.findObject(end);
                if (!o) {
                    report.problems.push_back("relation '" + r.name +
                                              "' names the missing table '" + end + "'");
                    continue;
                }
                if (o->type != static_cast<int16_t>(ObjectType::Table)) continue;
                auto def = db.tableAt(o->tdefPage(), o->name);
                for (const RelationField& f : r.fields) {
                    const std::string& col = end == r.table ? f.name : f.foreignName;
                    if (!def->findColumn(col)) {
                        report.problems.push_back("relation '" + r.name +
                                                  "' names the missing column '" + end + "." + col +
                                                  "'");
                    }
                }
            }
        }
    });
    return report;
}

}  // namespace jet
