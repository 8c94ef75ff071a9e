#include "jet/catalog/consistency_check.h"

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/consistency_check_internal.h"
#include "jet/catalog/stored_queries.h"
#include "jet/format/property_blob.h"

namespace jet {
namespace consistency {

ProblemSink::~ProblemSink() {
    if (count_ > kProblemsPerObject) {
        report_.problems.push_back(subject_ + ": " + std::to_string(count_ - kProblemsPerObject) +
                                   " more problems");
    }
}

void ProblemSink::add(const std::string& what) {
    if (++count_ <= kProblemsPerObject) report_.problems.push_back(subject_ + ": " + what);
}

std::string describeRow(RowPointer id) {
    return "row " + std::to_string(id.page) + ":" + std::to_string(id.row);
}

std::string tableLabel(const TableDef& def) {
    return "table '" + def.name + "'";
}

namespace {

void checkTable(Database& db, const CheckedTable& table, CheckReport& report) {
    const TableDef& def = *table.def;
    std::vector<IndexVerifier> indexes;
    for (size_t i = 0; i < def.realIndexes.size(); ++i) {
        guarded(report, "real index #" + std::to_string(i) + " of " + tableLabel(def),
                [&] { indexes.emplace_back(db, table.def, i, report); });
    }
    uint64_t rows = checkRows(db, table, indexes, report);
    // Access keeps the counts of its own system tables loosely (they lag
    // behind their rows), so only user tables are held to theirs. A count
    // below the rows is noted: Access-made files show it (a row added while
    // the count was not), and Access works with them. A count above the rows
    // may mean rows are lost.
    if (!table.isSystem() && rows != def.rowCount) {
        const std::string line = tableLabel(def) + ": " + std::to_string(rows) +
                                 " rows found, the definition counts " +
                                 std::to_string(def.rowCount);
        (rows > def.rowCount ? report.notes : report.problems).push_back(line);
    }
    // A complex column keeps its values in a hidden table that its
    // MSysComplexColumns row names; without either the values are lost.
    for (const ColumnDef& c : def.columns) {
        if (c.type != DataType::Complex) continue;
        guarded(report, "column '" + c.name + "' of " + tableLabel(def),
                [&] { ComplexColumnReader values(db, def, c); });
    }
    ++report.tablesChecked;
    report.rowsChecked += rows;
    for (IndexVerifier& index : indexes) {
        guarded(report, tableLabel(def), [&] { index.verify(); });
    }
}

void checkRelations(Database& db, CheckReport& report) {
    for (const Relation& r : db.relations()) {
        for (const std::string& end : {r.table, r.foreignTable}) {
            const CatalogObject* o = db.findObject(end);
            if (!o) {
                report.problems.push_back("relation '" + r.name + "' names the missing table '" +
                                          end + "'");
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
}

}  // namespace
}  // namespace consistency

CheckReport checkDatabase(Database& db) {
    using namespace consistency;
    CheckReport report;
    guarded(report, "pages", [&] { checkPages(db, report); });

    for (const CatalogObject& o : db.objects()) {
        if (o.properties.empty()) continue;
        guarded(report, "properties of '" + o.name + "'",
                [&] { parsePropertyBlob(o.properties, isJet3(db.version()), db.codePage()); });
    }
    std::vector<CheckedTable> tables;
    for (const CatalogObject* t : db.tables(true)) {
        guarded(report, "table '" + t->name + "'", [&] {
            tables.push_back(CheckedTable{t, db.tableAt(t->tdefPage(), t->name)});
        });
    }
    guarded(report, "usage maps", [&] { checkUsageMaps(db, tables, report); });
    for (const CheckedTable& t : tables) {
        guarded(report, tableLabel(*t.def), [&] { checkTable(db, t, report); });
    }
    guarded(report, "stored queries", [&] {
        for (const QueryDefinition& q : readStoredQueries(db))
            if (!q.error.empty())
                report.problems.push_back("stored query '" + q.name + "': " + q.error);
    });
    guarded(report, "relations", [&] { checkRelations(db, report); });
    guarded(report, "relationship indexes", [&] { checkRelationIndexes(db, tables, report); });
    return report;
}

}  // namespace jet
