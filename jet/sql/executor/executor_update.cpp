// UPDATE source SET column = value, ... [WHERE ...]
#include <map>
#include <set>

#include "jet/error.h"
#include "jet/sql/executor/action_internal.h"
#include "jet/sql/parser/ast_clone.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"

namespace jet::sql::detail {
namespace {

// Linked tables and tables of other files are read through the source but
// cannot be written here; refused before any row is found.
void requireLocalSources(Database& db, const TableRef& ref) {
    if (ref.kind == TableRef::Kind::Join) {
        requireLocalSources(db, *ref.left);
        requireLocalSources(db, *ref.right);
        return;
    }
    if (ref.kind != TableRef::Kind::Table) return;
    if (ref.database)
        throw Error(ErrorCode::Unsupported, "Tables in another database (IN '" +
                                                ref.database->path + "') are not supported.");
    const CatalogObject* object = db.findObject(ref.name);
    if (object && object->type != static_cast<int16_t>(ObjectType::Table) &&
        object->type != static_cast<int16_t>(ObjectType::Query))
        throw Error(ErrorCode::Unsupported,
                    "The rows of linked table '" + object->name + "' cannot be changed.");
}

size_t columnIndex(const TableDef& def, const std::string& name) {
    for (size_t i = 0; i < def.columns.size(); ++i)
        if (sameName(def.columns[i].name, name)) return i;
    throw Error(ErrorCode::NotFound, "table '" + def.name + "' has no column '" + name + "'");
}

}  // namespace

size_t runUpdate(Database& db, const Statement& statement, const UpdateStatement& update,
                 const ExecuteOptions& options) {
    requireLocalSources(db, *update.target);
    const size_t n = update.assignments.size();
    // One SELECT finds the rows and works out their new values: first the
    // columns assigned (which tells the table and row of each), then the
    // values, all from the rows as they are before anything changes.
    SelectCore core;
    for (const Assignment& a : update.assignments) core.items.push_back({cloneExpr(a.column), ""});
    for (const Assignment& a : update.assignments) core.items.push_back({cloneExpr(a.value), ""});
    core.from.push_back(cloneTableRef(*update.target));
    core.where = cloneExpr(update.where);
    const QueryResult found = runActionQuery(db, statement, queryOf(std::move(core)), options);

    std::map<int, std::string> slots;  // the tables written, by row-id slot
    for (size_t i = 0; i < n; ++i) {
        const ResultColumn& c = found.columns[i];
        const std::string& written = update.assignments[i].column->name();
        if (c.baseColumn.empty() || c.rowIdSlot < 0)
            throw Error(ErrorCode::InvalidArgument, kNotUpdateableQueryMessage);
        if (!c.updatable)
            throw Error(ErrorCode::InvalidArgument,
                        "Cannot update '" + written + "'; field not updateable.");
        slots[c.rowIdSlot] = found.rowIdTables.at(static_cast<size_t>(c.rowIdSlot));
    }

    struct Writer {
        std::unique_ptr<WriteTarget> target;
        std::vector<std::pair<size_t, size_t>> assignments;  // (result value, table column)
        int slot = 0;
        std::set<RowPointer> done;  // rows already changed, reached again through a join
    };
    std::vector<Writer> writers;
    for (const auto& [slot, table] : slots) {
        Writer w;
        w.slot = slot;
        w.target = std::make_unique<WriteTarget>(db, table, options.functions);
        const TableDef& def = w.target->editor.def();
        std::set<size_t> seen;
        for (size_t i = 0; i < n; ++i) {
            if (found.columns[i].rowIdSlot != slot) continue;
            const size_t column = columnIndex(def, found.columns[i].baseColumn);
            if (!seen.insert(column).second)
                throw Error(ErrorCode::InvalidArgument,
                            "Duplicate output destination '" + def.columns[column].name + "'.");
            w.assignments.push_back({n + i, column});
        }
        writers.push_back(std::move(w));
    }

    size_t affected = 0;
    for (const ResultRow& row : found.rows) {
        for (Writer& w : writers) {
            const RowPointer id = row.rowIds.at(static_cast<size_t>(w.slot));
            if (id == kNoRow || !w.done.insert(id).second) continue;
            const TableDef& def = w.target->editor.def();
            std::optional<std::vector<Value>> values = readRow(db, def, id);
            if (!values)
                throw Error(ErrorCode::NotFound, "table '" + def.name + "' has no row at page " +
                                                     std::to_string(id.page) + ", row " +
                                                     std::to_string(id.row));
            for (const auto& [from, column] : w.assignments) (*values)[column] = row.values[from];
            w.target->editor.update(id, w.target->checked(std::move(*values)));
            ++affected;
        }
    }
    return affected;
}

}  // namespace jet::sql::detail
