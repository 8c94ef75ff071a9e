#include "jet/write/table_writer.h"

#include "jet/error.h"
#include "jet/util/names.h"
#include "jet/write/column_properties.h"
#include "jet/write/name_rules.h"

namespace jet {

NewTablesWriter::NewTablesWriter(DatabaseBuilder& builder, std::vector<NewTable> tables,
                                 std::vector<RelationSpec> relations,
                                 std::span<const std::string> existingNames)
    : builder_(builder), tables_(std::move(tables)) {
    std::vector<std::string> taken(existingNames.begin(), existingNames.end());
    for (const NewTable& t : tables_) {
        checkNewTableName(t.spec.name, taken);
        taken.push_back(t.spec.name);
    }
    std::vector<TableSpec> specs;
    for (const NewTable& t : tables_) specs.push_back(t.spec);
    plans_ = planRelations(specs, relations);
    for (const TableSpec& spec : specs)
        defs_.push_back(layoutTable(spec, builder_.version(), builder_.options().sortOrder));
    // Nothing is reserved until every table has been laid out, so that a
    // refused table leaves the builder as it was.
    for (size_t i = 0; i < defs_.size(); ++i) pages_.push_back(builder_.reserveTablePage());
    for (size_t i = 0; i < defs_.size(); ++i) {
        defs_[i].tdefPage = pages_[i];
        linkRelationIndexes(defs_[i], i, plans_, pages_);
    }
    written_.assign(defs_.size(), false);
    std::vector<const TableDef*> defs;
    for (const TableDef& d : defs_) defs.push_back(&d);
    integrity_ = std::make_unique<ReferentialIntegrity>(
        plans_, std::move(defs), builder_.options().sortOrder, builder_.version());
}

NewTablesWriter::~NewTablesWriter() = default;

size_t NewTablesWriter::indexOf(std::string_view table) const {
    for (size_t i = 0; i < tables_.size(); ++i)
        if (sameName(tables_[i].spec.name, table)) return i;
    throw Error(ErrorCode::NotFound, "'" + std::string(table) + "' is not one of the new tables");
}

const TableDef& NewTablesWriter::definition(std::string_view table) const {
    return defs_[indexOf(table)];
}

void NewTablesWriter::beginTable(std::string_view name) {
    const size_t i = indexOf(name);
    if (open_ || finished_ || written_[i])
        throw Error(ErrorCode::InvalidArgument,
                    "table '" + tables_[i].spec.name + "' cannot start now: " +
                        (written_[i] ? "it was written already" : "another table is open"));
    const NewTable& t = tables_[i];
    open_ = &builder_.beginTable(defs_[i], columnRulesOf(t.spec),
                                 encodeNewTableProperties(t.spec, t.description, builder_.version(),
                                                          builder_.options().codePage));
    openIndex_ = i;
    written_[i] = true;
}

void NewTablesWriter::addRow(std::span<const Value> values) {
    if (!open_) throw Error(ErrorCode::InvalidArgument, "no new table is open");
    open_->addRow(values);
    integrity_->rowWritten(openIndex_, open_->lastRow());
}

void NewTablesWriter::endTable() {
    if (!open_) throw Error(ErrorCode::InvalidArgument, "no new table is open");
    integrity_->tableComplete(openIndex_);
    open_ = nullptr;
    builder_.endTable();
}

void NewTablesWriter::finish() {
    if (finished_) return;
    if (open_) throw Error(ErrorCode::InvalidArgument, "a new table is still open");
    for (size_t i = 0; i < tables_.size(); ++i) {
        if (written_[i]) continue;
        beginTable(tables_[i].spec.name);
        endTable();
    }
    integrity_->finish();
    const TableDef& relationships = builder_.systemTableDef("MSysRelationships");
    for (const RelationPlan& p : plans_)
        builder_.addRelationRows(relationshipRows(relationships, p.relation));
    finished_ = true;
}

}  // namespace jet
