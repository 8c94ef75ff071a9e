// Relationships created and dropped in an open file: the MSysRelationships
// rows and, for one whose integrity is enforced, the pair of foreign-key
// logical indexes laid out as the bulk writer lays them out
// (jet/write/relation_writer.h).
#include <algorithm>
#include <map>
#include <set>

#include "jet/error.h"
#include "jet/table/index_cursor.h"
#include "jet/table/relation_links.h"
#include "jet/table/schema_editor.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"
#include "jet/write/index_builder.h"
#include "jet/write/name_rules.h"
#include "jet/write/relation_writer.h"
#include "jet/write/table_def_writer.h"

namespace jet {
namespace {

constexpr const char* kNoUniqueIndexMessage =
    "No unique index found for the referenced field of the primary table.";
constexpr const char* kTooManyIndexes =
    "'. Delete some of the indexes on the table and try the operation again.";

[[noreturn]] void refuse(const std::string& message) {
    throw Error(ErrorCode::InvalidArgument, message);
}

const ColumnDef& columnOrThrow(const TableDef& def, const std::string& name) {
    const ColumnDef* c = def.findColumn(name);
    if (!c)
        schema::notFound("Invalid field definition '" + name +
                         "' in definition of index or relationship.");
    return *c;
}

std::vector<IndexColumn> ascending(const std::vector<uint16_t>& numbers) {
    std::vector<IndexColumn> out;
    for (uint16_t n : numbers) out.push_back(IndexColumn{n, true});
    return out;
}

bool coversExactly(const TableDef& def, const IndexDef& x, const std::vector<uint16_t>& numbers) {
    const std::vector<IndexColumn>& columns = def.realIndexOf(x).columns;
    return std::equal(columns.begin(), columns.end(), numbers.begin(), numbers.end(),
                      [](const IndexColumn& c, uint16_t n) { return c.columnNumber == n; });
}

// The unique index (not a relationship's) over exactly `numbers`, the
// primary key first, as the bulk writer chooses it.
const IndexDef* uniqueIndexOver(const TableDef& def, const std::vector<uint16_t>& numbers) {
    const IndexDef* found = nullptr;
    for (const IndexDef& x : def.indexes) {
        if (x.isForeignKey() || !(def.realIndexOf(x).flags & kIndexUnique) ||
            !coversExactly(def, x, numbers))
            continue;
        if (x.isPrimaryKey()) return &x;
        if (!found) found = &x;
    }
    return found;
}

// Refuses a relationship whose existing foreign keys name no referenced row.
void requireReferencedRows(Database& db, const TableDef& referenced, const IndexDef& unique,
                           const TableDef& foreign, const std::vector<size_t>& foreignColumns) {
    IndexCursor cursor(db, db.tableAt(referenced.tdefPage, referenced.name), unique,
                       IndexReading::KeysOnly);
    TableScan scan(db, db.tableAt(foreign.tdefPage, foreign.name));
    while (scan.next()) {
        const std::optional<std::vector<Value>> key = keyValues(scan.values(), foreignColumns);
        if (key && !cursor.seekExact(*key))
            throw Error(ErrorCode::Constraint, "Data in the table '" + foreign.name +
                                                   "' violates referential integrity rules.");
    }
}

std::vector<std::string> indexNames(const TableDef& def) {
    std::vector<std::string> names;
    for (const IndexDef& x : def.indexes) names.push_back(x.name);
    return names;
}

size_t positionOfIndex(const TableDef& def, int32_t number) {
    for (size_t i = 0; i < def.indexes.size(); ++i)
        if (def.indexes[i].number == number) return i;
    throwCorrupt("table '" + def.name + "' has no index number " + std::to_string(number));
}

}  // namespace

void SchemaEditor::createRelation(const RelationSpec& spec) {
    const JetVersion v = db_.version();
    RelationSpec r = spec;
    const bool enforced = r.enforced();
    TableDef referencedDef = schema::storedDefinition(db_, r.table, enforced);
    TableDef foreignDef = schema::storedDefinition(db_, r.foreignTable, enforced);
    const bool self = referencedDef.tdefPage == foreignDef.tdefPage;
    TableDef& referenced = referencedDef;
    TableDef& foreign = self ? referencedDef : foreignDef;
    r.table = referenced.name;
    r.foreignTable = foreign.name;
    if (r.name.empty()) r.name = referenced.name + foreign.name;
    checkObjectName(r.name);
    for (const Relation& existing : db_.relations())
        if (sameName(existing.name, r.name)) refuse("Object '" + r.name + "' already exists.");

    if (r.fields.empty()) refuse("No field defined--cannot append Relation.");
    std::vector<uint16_t> referencedNumbers, foreignNumbers;
    std::vector<size_t> foreignPositions;
    for (RelationField& f : r.fields) {
        const ColumnDef& a = columnOrThrow(referenced, f.name);
        const ColumnDef& b = columnOrThrow(foreign, f.foreignName);
        if (a.type != b.type)
            refuse("Relationship must be on the same number of fields with the same data types.");
        if (std::count(referencedNumbers.begin(), referencedNumbers.end(), a.number) ||
            std::count(foreignNumbers.begin(), foreignNumbers.end(), b.number))
            refuse("Invalid field definition '" + f.name +
                   "' in definition of index or relationship.");
        f.name = a.name;
        f.foreignName = b.name;
        referencedNumbers.push_back(a.number);
        foreignNumbers.push_back(b.number);
        foreignPositions.push_back(static_cast<size_t>(&b - foreign.columns.data()));
    }
    if (!enforced &&
        (r.attributes & (kRelationCascadeUpdates | kRelationCascadeDeletes | kRelationCascadeNull)))
        refuse("Relationship '" + r.name +
               "' cannot cascade without enforcing referential integrity.");

    const std::shared_ptr<const TableDef> relationships = db_.table("MSysRelationships");
    std::optional<IndexKeyCollector> keys;
    size_t newReal = 0;
    if (enforced) {
        const IndexDef* unique = uniqueIndexOver(referenced, referencedNumbers);
        if (!unique) refuse(kNoUniqueIndexMessage);
        if (uniqueIndexOver(foreign, foreignNumbers)) r.attributes |= kRelationUnique;
        const size_t added = self ? 2 : 1;
        for (const TableDef* t : {&referenced, &foreign})
            if (t->indexes.size() + added > kMaxIndexesPerTable)
                refuse("The operation failed. There are too many indexes on table '" + t->name +
                       kTooManyIndexes);
        requireReferencedRows(db_, referenced, *unique, foreign, foreignPositions);

        IndexDef referencedSide;
        referencedSide.name = referencedIndexName(referenced.name, indexNames(referenced));
        referencedSide.number = schema::nextIndexNumber(referenced);
        referencedSide.realIndex = unique->realIndex;
        referencedSide.kind = 2;
        referenced.indexes.push_back(referencedSide);

        IndexDef foreignSide;
        foreignSide.name = r.name;
        foreignSide.number = schema::nextIndexNumber(foreign);
        foreignSide.kind = 2;
        const std::vector<IndexColumn> columns = ascending(foreignNumbers);
        const uint8_t flags = isJet3(v) ? 0 : kIndexJet4Marker;
        if (std::optional<size_t> shared = sharedRealIndex(foreign, columns, flags, true)) {
            foreignSide.realIndex = static_cast<int32_t>(*shared);
        } else {
            RealIndexDef real;
            real.columns = columns;
            real.flags = flags;
            keys = schema::collectIndexKeys(db_, foreign, real, r.name);
            for (size_t i = 0; i < keys->size(); ++i)
                if (keys->key(i).size() > maxIndexKeyLength(v)) refuse("Invalid index definition.");
            newReal = foreign.realIndexes.size();
            foreignSide.realIndex = static_cast<int32_t>(newReal);
            foreign.realIndexes.push_back(std::move(real));
        }
        foreign.indexes.push_back(foreignSide);
        checkDistinctIndexNames(foreign.name, indexNames(foreign));

        RelationPlan plan;
        plan.relation = r;
        plan.referencedTable = 0;
        plan.foreignTable = self ? 0 : 1;
        plan.referencedIndex = referencedSide.number;
        plan.foreignIndex = foreignSide.number;
        const std::vector<uint32_t> pages{referenced.tdefPage, foreign.tdefPage};
        linkRelationIndexes(referenced, 0, std::span(&plan, 1), pages);
        if (!self) linkRelationIndexes(foreign, 1, std::span(&plan, 1), pages);
        for (TableDef* t : {&referenced, &foreign}) {
            schema::sortIndexesByName(t->indexes);
            (void)encodeTableDef(*t, v, db_.codePage());
        }
    }
    const std::vector<std::vector<Value>> rows = relationshipRows(*relationships, r);
    TableEditor relationRows(db_, "MSysRelationships");

    inTransaction([&] {
        PageAllocator allocator(db_);
        if (keys)
            schema::writeIndexTree(db_, allocator, foreign.tdefPage, *keys,
                                   foreign.realIndexes[newReal]);
        if (enforced) {
            schema::replaceDefinition(db_, allocator, referenced);
            if (!self) schema::replaceDefinition(db_, allocator, foreign);
        }
        for (const std::vector<Value>& row : rows) relationRows.insert(row);
    });
}

void SchemaEditor::dropRelation(std::string_view name) {
    const JetVersion v = db_.version();
    std::optional<Relation> relation;
    for (Relation& r : db_.relations())
        if (sameName(r.name, name)) relation = std::move(r);
    if (!relation) schema::notFound("Item not found in this collection.");

    const std::shared_ptr<const TableDef> relationships = db_.table("MSysRelationships");
    const size_t nameColumn = schema::columnOf(*relationships, "szRelationship");
    auto named = [&](const Value& value) {
        return value.is<std::string>() && sameName(value.as<std::string>(), relation->name);
    };
    const std::vector<schema::FoundRow> relationRows =
        schema::findRows(db_, "MSysRelationships",
                         [&](const std::vector<Value>& r) { return named(r[nameColumn]); });
    // Access also lists a relationship in MSysObjects, with its rights in
    // MSysACEs; those go with it.
    const std::shared_ptr<const TableDef> objects = db_.table("MSysObjects");
    const size_t objectName = schema::columnOf(*objects, "Name");
    const size_t objectType = schema::columnOf(*objects, "Type");
    const size_t objectId = schema::columnOf(*objects, "Id");
    const std::vector<schema::FoundRow> objectRows =
        schema::findRows(db_, "MSysObjects", [&](const std::vector<Value>& r) {
            return named(r[objectName]) && r[objectType].is<int64_t>() &&
                   r[objectType].as<int64_t>() == static_cast<int64_t>(ObjectType::Relationship);
        });
    std::set<int64_t> ids;
    for (const schema::FoundRow& r : objectRows)
        if (r.values[objectId].is<int64_t>()) ids.insert(r.values[objectId].as<int64_t>());
    std::vector<schema::FoundRow> aceRows;
    std::unique_ptr<TableEditor> aces;
    if (!ids.empty() && db_.findObject("MSysACEs")) {
        const size_t aceObject = schema::columnOf(*db_.table("MSysACEs"), "ObjectId");
        aceRows = schema::findRows(db_, "MSysACEs", [&](const std::vector<Value>& r) {
            return r[aceObject].is<int64_t>() && ids.contains(r[aceObject].as<int64_t>());
        });
        aces = std::make_unique<TableEditor>(db_, "MSysACEs");
    }

    // The pair of indexes of an enforced relationship: on the foreign table
    // the one over its fields that names the referenced table, by the
    // relationship's name when two would do.
    std::map<uint32_t, TableDef> changed;  // by definition page
    std::vector<std::pair<RealIndexDef, std::vector<uint32_t>>> released;
    const CatalogObject* referencedObject = db_.findObject(relation->table);
    const CatalogObject* foreignObject = db_.findObject(relation->foreignTable);
    if ((relation->attributes & kRelationDontEnforce) == 0 && referencedObject && foreignObject &&
        referencedObject->type == static_cast<int16_t>(ObjectType::Table) &&
        foreignObject->type == static_cast<int16_t>(ObjectType::Table)) {
        TableDef foreign = schema::storedDefinition(db_, foreignObject->name);
        const uint32_t referencedPage = referencedObject->tdefPage();
        std::vector<uint16_t> numbers;
        for (const RelationField& f : relation->fields)
            numbers.push_back(columnOrThrow(foreign, f.foreignName).number);
        const IndexDef* pick = nullptr;
        for (const IndexDef& x : foreign.indexes)
            if (x.isForeignKey() && x.relatedTableKind == kRelationForeignSide &&
                x.relatedTablePage == referencedPage && coversExactly(foreign, x, numbers) &&
                (!pick || sameName(x.name, relation->name)))
                pick = &x;
        if (pick) {
            const int32_t foreignNumber = pick->number, referencedNumber = pick->relatedIndex;
            changed.emplace(foreign.tdefPage, std::move(foreign));
            if (!changed.contains(referencedPage))
                changed.emplace(referencedPage,
                                schema::storedDefinition(db_, referencedObject->name));
            const std::pair<uint32_t, int32_t> gone[] = {{foreignObject->tdefPage(), foreignNumber},
                                                         {referencedPage, referencedNumber}};
            for (const auto& [page, number] : gone) {
                TableDef& def = changed.at(page);
                if (std::optional<RealIndexDef> real =
                        schema::removeLogicalIndex(def, positionOfIndex(def, number))) {
                    std::vector<uint32_t> pages = schema::indexTreePages(db_, *real);
                    released.emplace_back(std::move(*real), std::move(pages));
                }
            }
            for (const auto& [page, def] : changed) (void)encodeTableDef(def, v, db_.codePage());
        }
    }
    TableEditor relationEditor(db_, "MSysRelationships");
    TableEditor objectEditor(db_, "MSysObjects");

    inTransaction([&] {
        for (const schema::FoundRow& r : relationRows) relationEditor.remove(r.id);
        for (const schema::FoundRow& r : objectRows) objectEditor.remove(r.id);
        for (const schema::FoundRow& r : aceRows) aces->remove(r.id);
        PageAllocator allocator(db_);
        for (const auto& [page, def] : changed) schema::replaceDefinition(db_, allocator, def);
        for (const auto& [real, pages] : released)
            schema::releaseIndexPages(db_, allocator, real, pages);
    });
}

}  // namespace jet
