// Structure tree benchmark: a new Jet 4 file with 1,000 tables of 20 fields
// each (a primary key, one more index, and a relation to the previous
// table), then the time to read the catalogue lists, to build the tree's
// content, and to build it with the tree view filled, as "Refresh
// structure" does.
//
//   tree_bench [--tables N] [--fields N] [--keep DIR]
#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/structure_tree_model.h"
#include "app/structure_tree_source.h"
#include "app/structure_tree_widget.h"
#include "db/xDBComponents_UDB.h"
#include "db/xdbtool_MDB.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_writer.h"

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

jet::ColumnSpec column(const std::string& name, int daoType, int size = 0,
                       bool autoIncrement = false) {
    jet::ColumnSpec c;
    c.name = name;
    c.daoType = daoType;
    c.size = size;
    c.autoIncrement = autoIncrement;
    return c;
}

jet::IndexSpec index(const std::string& name, const std::string& field, bool primary) {
    jet::IndexSpec i;
    i.name = name;
    i.columns = {{field, true}};
    i.primary = i.unique = i.required = primary;
    return i;
}

std::string tableName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "Table %04d", i);
    return name;
}

void writeFile(const std::string& path, int tables, int fields) {
    jet::createDatabase(*jet::posixFileSystem(), path, {});
    std::vector<jet::NewTable> specs;
    std::vector<jet::RelationSpec> relations;
    static const int kTypes[] = {10, 4, 8, 7, 1, 5, 3, 12};
    for (int t = 0; t < tables; ++t) {
        jet::TableSpec spec;
        spec.name = tableName(t);
        spec.columns.push_back(column("ID", 4, 0, true));
        spec.columns.push_back(column("ParentID", 4));
        for (int f = 2; f < fields; ++f) {
            const int type = kTypes[f % 8];
            spec.columns.push_back(column("Field" + std::to_string(f), type, type == 10 ? 50 : 0));
        }
        spec.indexes.push_back(index("PrimaryKey", "ID", true));
        spec.indexes.push_back(index("Field2", "Field2", false));
        specs.push_back(jet::NewTable{spec, ""});
        if (t > 0) {
            jet::RelationSpec rel;
            rel.table = tableName(t - 1);
            rel.foreignTable = spec.name;
            rel.fields = {{"ID", "ParentID"}};
            relations.push_back(rel);
        }
    }
    jet::CompactRequest request;
    request.source = path;
    request.destination = path;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        jet::NewTablesWriter writer(builder, specs, relations);
        for (const auto& table : specs) {
            writer.beginTable(table.spec.name);
            writer.endTable();
        }
        writer.finish();
    });
}

}  // namespace

int main(int argc, char** argv) {
    int tables = 1000;
    int fields = 20;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--tables")) tables = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--fields")) fields = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--keep")) keep = argv[i + 1];
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string path = (keep.empty() ? dir.path().toStdString() : keep) + "/tree_bench.mdb";

    auto start = std::chrono::steady_clock::now();
    writeFile(path, tables, fields);
    std::printf("%-34s %8.3f s\n", "write the file", seconds(start));

    std::shared_ptr<dao::Database> db = OpenMDB(QString::fromStdString(path), QString(), false);
    TConnectionUDB connection;

    start = std::chrono::steady_clock::now();
    CatalogueStructureSource source(*db, connection);
    std::printf("%-34s %8.3f s  (%lld tables, %zu relations)\n", "read table/view/relation lists",
                seconds(start), static_cast<long long>(source.tableNames().size()),
                source.relations().size());

    StructureTreeModel model;
    model.setSource(&source);
    for (int run = 0; run < 3; ++run) {
        start = std::chrono::steady_clock::now();
        model.BuildStructureTree();
        std::printf("%-34s %8.3f s  (%d nodes)\n", "build the tree content", seconds(start),
                    model.nodeCount());
    }
    model.setFilterText(QStringLiteral("field7"));
    start = std::chrono::steady_clock::now();
    model.BuildStructureTree();
    std::printf("%-34s %8.3f s  (%d nodes)\n", "build with the filter \"field7\"", seconds(start),
                model.nodeCount());

    QString lastTbl;
    TStructureTab tab(StructureActions{}, lastTbl);
    for (int run = 0; run < 3; ++run) {
        start = std::chrono::steady_clock::now();
        tab.setDatabase(db.get(), &connection);
        std::printf("%-34s %8.3f s  (%d top items)\n", "open: lists, content and tree view",
                    seconds(start), tab.tvStruct->topLevelItemCount());
    }
    start = std::chrono::steady_clock::now();
    tab.actStructRefreshExecute();
    std::printf("%-34s %8.3f s\n", "\"Refresh structure\"", seconds(start));
    tab.resize(1000, 600);
    tab.show();
    start = std::chrono::steady_clock::now();
    tab.expandAll();
    QApplication::processEvents();
    std::printf("%-34s %8.3f s\n", "\"Expand all\", shown", seconds(start));
    start = std::chrono::steady_clock::now();
    tab.actStructRefreshExecute();
    QApplication::processEvents();
    std::printf("%-34s %8.3f s\n", "\"Refresh structure\", shown", seconds(start));
    tab.setDatabase(nullptr, nullptr);
    db->Close();
    return 0;
}
