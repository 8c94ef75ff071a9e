// Relationships with enforced integrity: every logical index has a number
// of its own, the pair of foreign-key indexes
// each one keeps on its two tables (jet/table/relation_links.h) point at
// each other over fields of the same types, each MSysRelationships entry
// that is enforced has its pair, and every foreign key with no null part
// names a row of the referenced table, as the pair promises Access.
#include <algorithm>
#include <set>

#include "jet/catalog/consistency_check_internal.h"
#include "jet/table/relation_links.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"

namespace jet::consistency {
namespace {

constexpr uint32_t kNotEnforced = 0x2;

std::vector<std::string> columnNames(const TableDef& def, const std::vector<size_t>& positions) {
    std::vector<std::string> names;
    for (size_t p : positions) names.push_back(def.columns.at(p).name);
    return names;
}

bool sameNames(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const std::string& x, const std::string& y) { return sameName(x, y); });
}

// Every foreign key of the link's foreign table names a referenced row.
void checkForeignKeys(Database& db, const RelationLink& link, ProblemSink& problems) {
    TableScan scan(db, db.tableAt(link.foreignPage, link.foreignTable));
    while (scan.next()) {
        const std::optional<std::vector<Value>> key = keyValues(scan.values(), link.foreignColumns);
        if (key && !referencedRowExists(db, link, *key))
            problems.add(describeRow(scan.rowId()) + " names no row of table '" +
                         link.referencedTable + "'");
    }
}

}  // namespace

void checkRelationIndexes(Database& db, const std::vector<CheckedTable>& tables,
                          CheckReport& report) {
    std::vector<RelationLink> links;
    for (const CheckedTable& t : tables) {
        // A relationship names the index on its other side by number.
        std::set<int32_t> numbers;
        for (const IndexDef& x : t.def->indexes)
            if (!numbers.insert(x.number).second)
                report.problems.push_back(tableLabel(*t.def) + ": two indexes have the number " +
                                          std::to_string(x.number));
        guarded(report, "relationships of " + tableLabel(*t.def), [&] {
            for (RelationLink& link : relationLinksOf(db, *t.def)) {
                const TableDef& referenced = *db.tableAt(link.referencedPage, link.referencedTable);
                const TableDef& foreign = *db.tableAt(link.foreignPage, link.foreignTable);
                for (size_t i = 0; i < link.referencedColumns.size(); ++i)
                    if (referenced.columns[link.referencedColumns[i]].type !=
                        foreign.columns[link.foreignColumns[i]].type)
                        report.problems.push_back(
                            "relationship index " + std::to_string(link.foreignIndex) + " of " +
                            tableLabel(foreign) + ": its fields and those of " +
                            tableLabel(referenced) + " are of other types");
                if (link.readFromForeignSide) links.push_back(std::move(link));
            }
        });
    }
    for (const RelationLink& link : links) {
        ProblemSink problems(report, "relationship index " + std::to_string(link.foreignIndex) +
                                         " of table '" + link.foreignTable + "'");
        try {
            checkForeignKeys(db, link, problems);
        } catch (const Error& e) {
            // Keys in a sort order the engine cannot build are not damage.
            (e.code() == ErrorCode::Unsupported ? report.notes : report.problems)
                .push_back(problems.subject() + ": " + e.what());
        }
    }

    for (const Relation& r : db.relations()) {
        if (r.attributes & kNotEnforced) continue;
        const CatalogObject* referenced = db.findObject(r.table);
        const CatalogObject* foreign = db.findObject(r.foreignTable);
        const auto isTable = [](const CatalogObject* o) {
            return o && o->type == static_cast<int16_t>(ObjectType::Table);
        };
        if (!isTable(referenced) || !isTable(foreign)) continue;
        std::vector<std::string> referencedFields, foreignFields;
        for (const RelationField& f : r.fields) {
            referencedFields.push_back(f.name);
            foreignFields.push_back(f.foreignName);
        }
        const bool paired = std::any_of(links.begin(), links.end(), [&](const RelationLink& l) {
            if (l.referencedPage != referenced->tdefPage() || l.foreignPage != foreign->tdefPage())
                return false;
            const TableDef& a = *db.tableAt(l.referencedPage, l.referencedTable);
            const TableDef& b = *db.tableAt(l.foreignPage, l.foreignTable);
            return sameNames(columnNames(a, l.referencedColumns), referencedFields) &&
                   sameNames(columnNames(b, l.foreignColumns), foreignFields);
        });
        if (!paired)
            report.problems.push_back(
                "relation '" + r.name +
                "' is enforced but its tables have no pair of indexes for it");
    }
}

}  // namespace jet::consistency
