#include "table/table_editor_test_support.h"

#include <set>

#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"
#include "jet/value_text.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_writer.h"

namespace testing_support {

using namespace jet;

TableSpec editorTableSpec() {
    TableSpec spec;
    spec.name = "T";
    auto column = [](std::string name, int daoType, int size = 0) {
        ColumnSpec c;
        c.name = std::move(name);
        c.daoType = daoType;
        c.size = size;
        c.allowZeroLength = true;
        return c;
    };
    ColumnSpec id = column("ID", 4);
    id.autoIncrement = true;
    spec.columns.push_back(id);
    spec.columns.push_back(column("Name", 10, 40));
    spec.columns.push_back(column("Amount", 7));
    spec.columns.push_back(column("Day", 8));
    spec.columns.push_back(column("Notes", 12));
    ColumnSpec code = column("Code", 10, 10);
    code.required = true;
    code.allowZeroLength = false;
    spec.columns.push_back(code);
    IndexSpec primary;
    primary.name = "PrimaryKey";
    primary.columns = {{"ID", true}};
    primary.primary = true;
    IndexSpec name;
    name.name = "NameUnique";
    name.columns = {{"Name", true}};
    name.unique = true;
    IndexSpec amount;
    amount.name = "AmountDesc";
    amount.columns = {{"Amount", false}, {"Day", true}};
    spec.indexes = {primary, name, amount};
    return spec;
}

void writeEmptyTableFile(const std::string& path, JetVersion version, const TableSpec& spec) {
    writeTablesFile(path, version, {spec}, {}, {});
}

void writeTablesFile(const std::string& path, JetVersion version,
                     const std::vector<TableSpec>& tables,
                     const std::vector<RelationSpec>& relations, const TableRows& rows) {
    CreateOptions options;
    options.version = version;
    createDatabase(*posixFileSystem(), path, options);
    CompactRequest request;
    request.source = path;
    request.destination = path;
    compactDatabase(*posixFileSystem(), request, [&](DatabaseBuilder& builder) {
        std::vector<NewTable> specs;
        for (const TableSpec& t : tables) specs.push_back(NewTable{t, ""});
        NewTablesWriter writer(builder, specs, relations);
        for (const TableSpec& t : tables) {
            writer.beginTable(t.name);
            if (auto it = rows.find(t.name); it != rows.end())
                for (const auto& row : it->second) writer.addRow(row);
            writer.endTable();
        }
        writer.finish();
    });
}

namespace {

std::string describe(const std::vector<Value>& row) {
    std::string s;
    for (const Value& v : row) {
        std::string text = v.isNull() ? "Null" : valueText(v);
        if (text.size() > 40) text = text.substr(0, 40) + "...(" + std::to_string(text.size()) + ")";
        s += text + " | ";
    }
    return s;
}

}  // namespace

std::vector<std::string> differencesFromModel(Database& db, const std::string& table,
                                              const RowModel& model) {
    std::vector<std::string> out;
    std::shared_ptr<const TableDef> def = db.table(table);
    std::set<uint32_t> seen;
    TableScan scan(db, def);
    while (scan.next()) {
        const uint32_t id = scan.rowId().packed();
        auto it = model.find(id);
        if (!seen.insert(id).second) out.push_back("the scan meets row " + std::to_string(id) + " twice");
        if (it == model.end()) {
            out.push_back("row " + std::to_string(id) + " should not exist: " + describe(scan.values()));
        } else if (scan.values() != it->second) {
            out.push_back("row " + std::to_string(id) + " holds " + describe(scan.values()) +
                          " instead of " + describe(it->second));
        }
    }
    for (const auto& [id, row] : model)
        if (!seen.contains(id)) out.push_back("row " + std::to_string(id) + " is missing: " + describe(row));
    if (def->rowCount != model.size())
        out.push_back("the definition counts " + std::to_string(def->rowCount) + " rows, not " +
                      std::to_string(model.size()));
    for (const IndexDef& index : def->indexes) {
        IndexCursor cursor(db, def, index);
        std::set<uint32_t> walked;
        for (bool on = cursor.first(); on; on = cursor.next()) {
            const uint32_t id = cursor.rowId().packed();
            auto it = model.find(id);
            if (!walked.insert(id).second)
                out.push_back("index " + index.name + " meets row " + std::to_string(id) + " twice");
            if (it == model.end())
                out.push_back("index " + index.name + " names row " + std::to_string(id) +
                              ", which should not exist");
            else if (cursor.values() != it->second)
                out.push_back("index " + index.name + " reads row " + std::to_string(id) +
                              " differently");
        }
        if (cursor.staleEntries() != 0)
            out.push_back("index " + index.name + " has " + std::to_string(cursor.staleEntries()) +
                          " stale entries");
        if (walked.size() != model.size())
            out.push_back("index " + index.name + " walks " + std::to_string(walked.size()) +
                          " rows, not " + std::to_string(model.size()));
    }
    return out;
}

}  // namespace testing_support
