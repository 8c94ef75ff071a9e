// DELETE [T.* | *] FROM sources [WHERE ...]
#include <set>

#include "jet/error.h"
#include "jet/sql/executor/action_internal.h"
#include "jet/sql/parser/ast_clone.h"

namespace jet::sql::detail {
namespace {

const char* const kWhichTableMessage =
    "Specify the table containing the records you want to delete.";
const char* const kCannotDeleteMessage = "Could not delete from specified tables.";

}  // namespace

size_t runDelete(Database& db, const Statement& statement, const DeleteStatement& remove,
                 const ExecuteOptions& options) {
    // DELETE T.* names the table; a bare * or a column list (which Access
    // ignores) leaves it to FROM.
    std::string qualifier;
    for (const ExprPtr& target : remove.targets)
        if (target->kind == ExprKind::Star && !target->qualifier().empty()) {
            qualifier = target->qualifier();
            break;
        }
    SelectCore core;
    auto star = std::make_unique<Expr>();
    star->kind = ExprKind::Star;
    if (!qualifier.empty()) star->names.push_back(qualifier);
    core.items.push_back({std::move(star), ""});
    for (const TableRefPtr& ref : remove.from) core.from.push_back(cloneTableRef(*ref));
    core.where = cloneExpr(remove.where);
    const QueryResult found =
        runActionQuery(db, statement, queryOf(std::move(core)), options, true);

    int slot = -1;
    for (const ResultColumn& c : found.columns) {
        if (c.rowIdSlot < 0) throw Error(ErrorCode::InvalidArgument, kCannotDeleteMessage);
        if (slot >= 0 && c.rowIdSlot != slot)
            throw Error(ErrorCode::InvalidArgument, kWhichTableMessage);
        slot = c.rowIdSlot;
    }
    if (slot < 0) throw Error(ErrorCode::InvalidArgument, kCannotDeleteMessage);
    WriteTarget target(db, found.rowIdTables.at(static_cast<size_t>(slot)), options.functions);

    std::set<RowPointer> done;
    for (const ResultRow& row : found.rows) {
        const RowPointer id = row.rowIds.at(static_cast<size_t>(slot));
        if (id == kNoRow || !done.insert(id).second) continue;
        target.editor.remove(id);
    }
    return done.size();
}

}  // namespace jet::sql::detail
