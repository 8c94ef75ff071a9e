#include "jet/write/relation_writer.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/format/index_key.h"
#include "jet/table/index_cursor.h"
#include "jet/util/names.h"
#include "jet/write/name_rules.h"

namespace jet {
namespace {

constexpr uint8_t kReferencedSide = 1;
constexpr uint8_t kForeignSide = 2;

[[noreturn]] void refuse(const std::string& message) {
    throw Error(ErrorCode::InvalidArgument, message);
}

size_t tableNumber(const std::vector<TableSpec>& tables, const std::string& name) {
    for (size_t i = 0; i < tables.size(); ++i)
        if (sameName(tables[i].name, name)) return i;
    refuse(missingObjectMessage(name));
}

const ColumnSpec& columnOf(const TableSpec& table, const std::string& name) {
    for (const ColumnSpec& c : table.columns)
        if (sameName(c.name, name)) return c;
    refuse("Invalid field definition '" + name + "' in definition of index or relationship.");
}

bool coversExactly(const IndexSpec& index, const std::vector<std::string>& columns) {
    if (index.columns.size() != columns.size()) return false;
    for (size_t i = 0; i < columns.size(); ++i)
        if (!sameName(index.columns[i].first, columns[i])) return false;
    return true;
}

// The unique index over exactly `columns` (the primary key first), or
// nullptr.
const IndexSpec* uniqueIndexOver(const TableSpec& table, const std::vector<std::string>& columns) {
    const IndexSpec* found = nullptr;
    for (const IndexSpec& x : table.indexes) {
        if (x.foreignKey || !(x.primary || x.unique) || !coversExactly(x, columns)) continue;
        if (x.primary) return &x;
        if (!found) found = &x;
    }
    return found;
}

void checkFields(const RelationSpec& r, const TableSpec& referenced, const TableSpec& foreign) {
    if (r.fields.empty()) refuse("No field defined--cannot append Relation.");
    for (const RelationField& f : r.fields) {
        const ColumnSpec& a = columnOf(referenced, f.name);
        const ColumnSpec& b = columnOf(foreign, f.foreignName);
        if (a.daoType != b.daoType)
            refuse("Relationship must be on the same number of fields with the same data types.");
    }
}

}  // namespace

std::string referencedIndexName(const std::string& table,
                                const std::vector<std::string>& indexNames) {
    auto taken = [&](const std::string& name) {
        return std::any_of(indexNames.begin(), indexNames.end(),
                           [&](const std::string& x) { return sameName(x, name); });
    };
    // Access picks the letter after as many as the table has indexes;
    // letters run on into the lower case as they do in Access's names.
    char letter = static_cast<char>('A' + std::min<size_t>(indexNames.size(), 25));
    for (int tries = 0; tries < 52; ++tries) {
        const std::string name = std::string(".r") + letter;
        if (!taken(name)) return name;
        letter = letter == 'Z' ? 'a' : static_cast<char>(letter + 1);
    }
    refuse("The operation failed. There are too many indexes on table '" + table +
           "'. Delete some of the indexes on the table and try the operation again.");
}

std::vector<RelationPlan> planRelations(std::vector<TableSpec>& tables,
                                        std::span<const RelationSpec> relations) {
    std::vector<RelationPlan> plans;
    for (const RelationSpec& given : relations) {
        RelationPlan plan;
        plan.relation = given;
        RelationSpec& r = plan.relation;
        plan.referencedTable = tableNumber(tables, r.table);
        plan.foreignTable = tableNumber(tables, r.foreignTable);
        TableSpec& referenced = tables[plan.referencedTable];
        TableSpec& foreign = tables[plan.foreignTable];
        r.table = referenced.name;
        r.foreignTable = foreign.name;
        if (r.name.empty()) r.name = referenced.name + foreign.name;
        checkObjectName(r.name);
        for (const RelationPlan& earlier : plans)
            if (sameName(earlier.relation.name, r.name))
                refuse("Object '" + r.name + "' already exists.");
        checkFields(r, referenced, foreign);

        std::vector<std::string> referencedColumns, foreignColumns;
        for (const RelationField& f : r.fields) {
            referencedColumns.push_back(columnOf(referenced, f.name).name);
            foreignColumns.push_back(columnOf(foreign, f.foreignName).name);
        }
        if (!r.enforced()) {
            if (r.attributes &
                (kRelationCascadeUpdates | kRelationCascadeDeletes | kRelationCascadeNull))
                refuse("Relationship '" + r.name +
                       "' cannot cascade without enforcing referential integrity.");
            plans.push_back(std::move(plan));
            continue;
        }
        const IndexSpec* unique = uniqueIndexOver(referenced, referencedColumns);
        if (!unique) refuse("No unique index found for the referenced field of the primary table.");
        if (uniqueIndexOver(foreign, foreignColumns)) r.attributes |= kRelationUnique;

        IndexSpec referencedSide;
        std::vector<std::string> indexNames;
        for (const IndexSpec& x : referenced.indexes) indexNames.push_back(x.name);
        referencedSide.name = referencedIndexName(referenced.name, indexNames);
        referencedSide.foreignKey = true;
        referencedSide.unique = true;
        referencedSide.required = unique->primary || unique->required;
        referencedSide.ignoreNulls = !unique->primary && unique->ignoreNulls;
        for (const std::string& c : referencedColumns) referencedSide.columns.push_back({c, true});
        plan.referencedIndex = static_cast<int32_t>(referenced.indexes.size());
        referenced.indexes.push_back(std::move(referencedSide));

        IndexSpec foreignSide;
        foreignSide.name = r.name;
        foreignSide.foreignKey = true;
        for (const std::string& c : foreignColumns) foreignSide.columns.push_back({c, true});
        plan.foreignIndex = static_cast<int32_t>(foreign.indexes.size());
        foreign.indexes.push_back(std::move(foreignSide));
        plans.push_back(std::move(plan));
    }
    return plans;
}

void linkRelationIndexes(TableDef& def, size_t table, std::span<const RelationPlan> plans,
                         std::span<const uint32_t> pages) {
    auto link = [&](int32_t number, uint8_t side, size_t otherTable, int32_t otherIndex,
                    uint32_t attributes) {
        for (IndexDef& x : def.indexes) {
            if (x.number != number) continue;
            x.relatedTableKind = side;
            x.relatedIndex = otherIndex;
            x.relatedTablePage = pages[otherTable];
            x.cascadeUpdates = (attributes & kRelationCascadeUpdates) != 0;
            x.cascadeDeletes = (attributes & kRelationCascadeDeletes) != 0;
            x.cascadeNullOnDelete = (attributes & kRelationCascadeNull) != 0;
        }
    };
    for (const RelationPlan& p : plans) {
        if (!p.relation.enforced()) continue;
        if (p.referencedTable == table)
            link(p.referencedIndex, kReferencedSide, p.foreignTable, p.foreignIndex,
                 p.relation.attributes);
        if (p.foreignTable == table)
            link(p.foreignIndex, kForeignSide, p.referencedTable, p.referencedIndex,
                 p.relation.attributes);
    }
}

std::vector<std::vector<Value>> relationshipRows(const TableDef& relationshipsTable,
                                                 const RelationSpec& relation) {
    std::vector<std::vector<Value>> rows;
    const auto count = static_cast<int64_t>(relation.fields.size());
    for (size_t i = 0; i < relation.fields.size(); ++i) {
        std::vector<Value> row;
        for (const ColumnDef& c : relationshipsTable.columns) {
            const std::string name = foldName(c.name);
            if (name == "ccolumn") {
                row.push_back(Value::integer(count));
            } else if (name == "grbit") {
                row.push_back(Value::integer(static_cast<int32_t>(relation.attributes)));
            } else if (name == "icolumn") {
                row.push_back(Value::integer(static_cast<int64_t>(i)));
            } else if (name == "szcolumn") {
                row.push_back(Value::text(relation.fields[i].foreignName));
            } else if (name == "szobject") {
                row.push_back(Value::text(relation.foreignTable));
            } else if (name == "szreferencedcolumn") {
                row.push_back(Value::text(relation.fields[i].name));
            } else if (name == "szreferencedobject") {
                row.push_back(Value::text(relation.table));
            } else if (name == "szrelationship") {
                row.push_back(Value::text(relation.name));
            } else {
                row.push_back(Value());
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

ReferentialIntegrity::ReferentialIntegrity(std::span<const RelationPlan> plans,
                                           std::vector<const TableDef*> defs, SortOrder sortOrder,
                                           JetVersion v)
    : complete_(defs.size(), false), defs_(std::move(defs)), sortOrder_(sortOrder), version_(v) {
    auto position = [](const TableDef& def, const std::string& name) {
        for (size_t i = 0; i < def.columns.size(); ++i)
            if (sameName(def.columns[i].name, name)) return i;
        throw Error(ErrorCode::InvalidArgument,
                    "table '" + def.name + "' has no column '" + name + "'");
    };
    for (const RelationPlan& p : plans) {
        if (!p.relation.enforced()) continue;
        Link link;
        link.plan = &p;
        const TableDef& referenced = *defs_.at(p.referencedTable);
        const TableDef& foreign = *defs_.at(p.foreignTable);
        for (const RelationField& f : p.relation.fields) {
            link.referencedColumns.push_back(position(referenced, f.name));
            link.foreignColumns.push_back(position(foreign, f.foreignName));
            link.types.push_back(referenced.columns[link.referencedColumns.back()].type);
        }
        links_.push_back(std::move(link));
    }
}

// The key of `columns` of `row` as the referenced table's unique index
// compares it (text without regard to case, as Access's index does); false
// when a part is null, which Access never checks.
bool ReferentialIntegrity::keyOf(const Link& link, std::span<const Value> row,
                                 const std::vector<size_t>& columns, std::string& key) const {
    const IndexKeyForms forms = indexKeyForms(sortOrder_, version_);
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < columns.size(); ++i) {
        const Value& v = row[columns[i]];
        if (v.isNull()) return false;
        DataType type = link.types[i];
        if (type == DataType::Complex) type = DataType::Long;
        appendIndexKey(bytes, v, type, true, forms.text.value_or(SortOrderKind::GeneralLegacy),
                       forms.numeric);
    }
    key.assign(bytes.begin(), bytes.end());
    return true;
}

void ReferentialIntegrity::refuse(const Link& link) const {
    throw Error(ErrorCode::Constraint,
                "You cannot add or change a record because a related record is required in "
                "table '" +
                    link.plan->relation.table + "'.");
}

void ReferentialIntegrity::rowWritten(size_t table, std::span<const Value> row) {
    std::string key;
    for (Link& link : links_) {
        if (link.plan->referencedTable == table && keyOf(link, row, link.referencedColumns, key))
            link.referencedKeys.insert(key);
        if (link.plan->foreignTable == table && keyOf(link, row, link.foreignColumns, key)) {
            if (complete_[link.plan->referencedTable]) {
                if (!link.referencedKeys.count(key)) refuse(link);
            } else {
                link.waiting.push_back(std::move(key));
            }
        }
    }
}

void ReferentialIntegrity::tableComplete(size_t table) {
    complete_.at(table) = true;
    for (Link& link : links_) {
        if (link.plan->referencedTable != table) continue;
        for (const std::string& key : link.waiting)
            if (!link.referencedKeys.count(key)) refuse(link);
        link.waiting.clear();
        link.waiting.shrink_to_fit();
    }
}

void ReferentialIntegrity::finish() {
    for (const Link& link : links_)
        for (const std::string& key : link.waiting)
            if (!link.referencedKeys.count(key)) refuse(link);
}

}  // namespace jet
