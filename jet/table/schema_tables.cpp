// Tables created, dropped and renamed in an open file.
#include <set>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/format/usage_map.h"
#include "jet/table/bookkeeping_rows.h"
#include "jet/table/schema_editor.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/store_page_sink.h"
#include "jet/table/table_editor.h"
#include "jet/util/bytes.h"
#include "jet/util/names.h"
#include "jet/write/column_properties.h"
#include "jet/write/index_builder.h"
#include "jet/write/name_rules.h"
#include "jet/write/table_def_writer.h"
#include "jet/write/usage_map_writer.h"

namespace jet {
namespace {

constexpr const char* kTableInRelationshipMessage =
    "Cannot delete this index or table. It is either the current index or it is used in a "
    "relationship.";
constexpr size_t kOwnerOffset = 4;
constexpr size_t kNextPageOffset = 4;
constexpr uint32_t kRelationNotEnforced = 2;

bool inRelation(const Relation& r, std::string_view table) {
    return sameName(r.table, table) || sameName(r.foreignTable, table);
}

// Every page a table holds: its definition chain, the pages its maps name
// and, since Jet 3 keeps long values on pages no map of the table names,
// every data and index page that names the table as its owner.
std::set<uint32_t> pagesOfTable(Database& db, const TableDef& def) {
    PageStore& store = db.pages();
    const JetVersion v = db.version();
    std::set<uint32_t> pages;
    for (uint32_t page = def.tdefPage; page != 0;
         page = readU32(Bytes(*store.page(page)), kNextPageOffset)) {
        if (page >= store.pageCount() || pages.contains(page) ||
            (*store.page(page))[0] != kPageTableDef)
            throwCorrupt("the definition chain of table '" + def.name + "' is broken");
        pages.insert(page);
    }
    auto named = [&](uint32_t map) {
        if (map == 0) return;
        for (uint32_t p : readUsageMap(store, v, map))
            if (p >= 3 && p < store.pageCount()) pages.insert(p);
    };
    named(def.usageMapPointer);
    named(def.freeMapPointer);
    for (const RealIndexDef& r : def.realIndexes) named(r.usageMapPointer);
    for (const LongValueMaps& lv : def.longValueMaps) {
        named(lv.usageMapPointer);
        named(lv.freeMapPointer);
    }
    for (uint32_t page = 3; page < store.pageCount(); ++page) {
        PageRef ref = store.page(page);
        const uint8_t type = (*ref)[0];
        if (type != kPageData && type != kPageIndexNode && type != kPageIndexLeaf) continue;
        if (readU32(Bytes(*ref), kOwnerOffset) == def.tdefPage) pages.insert(page);
    }
    return pages;
}

std::vector<uint32_t> mapPointersOf(const TableDef& def) {
    std::vector<uint32_t> maps{def.usageMapPointer, def.freeMapPointer};
    for (const RealIndexDef& r : def.realIndexes) maps.push_back(r.usageMapPointer);
    for (const LongValueMaps& lv : def.longValueMaps) {
        maps.push_back(lv.usageMapPointer);
        maps.push_back(lv.freeMapPointer);
    }
    std::set<uint32_t> seen;
    std::vector<uint32_t> out;
    for (uint32_t m : maps)
        if (m != 0 && seen.insert(m).second) out.push_back(m);
    return out;
}

// A relation whose integrity is enforced ties the table's definition to the
// other table's: both hold an index naming the other.
void refuseEnforcedRelations(Database& db, const TableDef& def) {
    for (const Relation& r : db.relations())
        if (inRelation(r, def.name) && (r.attributes & kRelationNotEnforced) == 0 &&
            !(sameName(r.table, def.name) && sameName(r.foreignTable, def.name)))
            throw Error(ErrorCode::Constraint, kTableInRelationshipMessage);
    for (const IndexDef& x : def.indexes)
        if (x.relatedTablePage != 0 && x.relatedTablePage != def.tdefPage)
            throw Error(ErrorCode::Constraint, kTableInRelationshipMessage);
    for (const CatalogObject* o : db.tables()) {
        if (o->tdefPage() == def.tdefPage) continue;
        for (const IndexDef& x : db.tableAt(o->tdefPage(), o->name)->indexes)
            if (x.relatedTablePage == def.tdefPage)
                throw Error(ErrorCode::Constraint, kTableInRelationshipMessage);
    }
}

std::unique_ptr<TableEditor> editorIfPresent(Database& db, std::string_view table) {
    for (const CatalogObject* o : db.tables(true))
        if (sameName(o->name, table)) return std::make_unique<TableEditor>(db, table);
    return nullptr;
}

}  // namespace

namespace schema {

void writeEmptyStorage(Database& db, PageAllocator& allocator, TableDef& def) {
    PageStore& store = db.pages();
    const JetVersion v = db.version();
    StorePageSink sink(store, allocator);
    std::vector<std::vector<uint8_t>> maps;
    maps.push_back(encodeUsageMap(sink, v, {}));
    maps.push_back(encodeUsageMap(sink, v, {}));
    for (RealIndexDef& real : def.realIndexes) {
        const BuiltIndex built = buildIndex(sink, v, def.tdefPage, IndexKeyCollector{});
        real.rootPage = built.rootPage;
        real.entryCount = 0;
        maps.push_back(encodeUsageMap(sink, v, built.pages));
    }
    std::vector<size_t> longValueColumns;
    if (!isJet3(v))
        for (size_t i = 0; i < def.columns.size(); ++i)
            if (isLongValueType(def.columns[i].type)) {
                longValueColumns.push_back(i);
                maps.push_back(encodeUsageMap(sink, v, {}));
                maps.push_back(encodeUsageMap(sink, v, {}));
            }
    const std::vector<RowPointer> at = placeBookkeepingRows(store, v, allocator, maps);
    size_t next = 0;
    def.usageMapPointer = at[next++].packed();
    def.freeMapPointer = at[next++].packed();
    for (RealIndexDef& real : def.realIndexes) real.usageMapPointer = at[next++].packed();
    def.longValueMaps.clear();
    for (size_t i : longValueColumns) {
        LongValueMaps lv;
        lv.columnNumber = def.columns[i].number;
        lv.usageMapPointer = at[next++].packed();
        lv.freeMapPointer = at[next++].packed();
        def.longValueMaps.push_back(lv);
    }
}

}  // namespace schema

void SchemaEditor::createTable(const TableSpec& spec, std::string_view description) {
    const JetVersion v = db_.version();
    checkNewTableName(spec.name, schema::takenNames(db_));
    TableDef def = layoutTable(spec, v, db_.header().sortOrder);
    if (def.nextAutoNumber == 0) def.nextAutoNumber = 1;
    const Blob properties = encodeNewTableProperties(spec, description, v, db_.codePage());
    // Whatever the encoder refuses is refused before a page is written.
    (void)encodeTableDef(def, v, db_.codePage());
    const SidSet sids = schema::catalogSids(db_);
    const int32_t container = schema::tablesContainerId(db_);
    TableEditor objects(db_, "MSysObjects");
    std::unique_ptr<TableEditor> aces = editorIfPresent(db_, "MSysACEs");

    inTransaction([&] {
        PageAllocator allocator(db_);
        def.tdefPage = allocator.allocate();
        schema::writeEmptyStorage(db_, allocator, def);
        StorePageSink sink(db_.pages(), allocator);
        writeTableDef(sink, def.tdefPage, def, v, db_.codePage());

        const int32_t id = static_cast<int32_t>(def.tdefPage);
        std::vector<Value> row = schema::blueprintRow(
            db_, "MSysObjects",
            tableObjectRow(v, spec.name, def.tdefPage, false, schema::accessNow(), properties, sids)
                .values);
        row[schema::columnOf(*db_.table("MSysObjects"), "ParentId")] = Value::integer(container);
        objects.insert(row);
        if (aces)
            for (const CatalogRow& r : aceRowsForObject(v, id, static_cast<int>(ObjectType::Table), sids))
                aces->insert(schema::blueprintRow(db_, "MSysACEs", r.values));
    });
}

void SchemaEditor::dropTable(std::string_view table) {
    const JetVersion v = db_.version();
    const TableDef def = schema::storedDefinition(db_, table, false);
    refuseEnforcedRelations(db_, def);
    const CatalogObject* object = db_.findObject(def.name);
    const int32_t id = object ? object->id : static_cast<int32_t>(def.tdefPage);

    const std::shared_ptr<const TableDef> objectsDef = db_.table("MSysObjects");
    const size_t idColumn = schema::columnOf(*objectsDef, "Id");
    const size_t typeColumn = schema::columnOf(*objectsDef, "Type");
    const std::vector<schema::FoundRow> objectRows =
        schema::findRows(db_, "MSysObjects", [&](const std::vector<Value>& r) {
            return r[idColumn].is<int64_t>() && r[idColumn].as<int64_t>() == id &&
                   r[typeColumn].is<int64_t>() && r[typeColumn].as<int64_t>() == 1;
        });
    TableEditor objects(db_, "MSysObjects");
    std::unique_ptr<TableEditor> aces = editorIfPresent(db_, "MSysACEs");
    std::vector<schema::FoundRow> aceRows;
    if (aces) {
        const size_t objectColumn = schema::columnOf(*db_.table("MSysACEs"), "ObjectId");
        aceRows = schema::findRows(db_, "MSysACEs", [&](const std::vector<Value>& r) {
            return r[objectColumn].is<int64_t>() && r[objectColumn].as<int64_t>() == id;
        });
    }
    std::unique_ptr<TableEditor> relationships = editorIfPresent(db_, "MSysRelationships");
    std::vector<schema::FoundRow> relationRows;
    if (relationships) {
        const std::shared_ptr<const TableDef> rel = db_.table("MSysRelationships");
        const size_t foreign = schema::columnOf(*rel, "szObject");
        const size_t referenced = schema::columnOf(*rel, "szReferencedObject");
        auto names = [&](const Value& value) {
            return value.is<std::string>() && sameName(value.as<std::string>(), def.name);
        };
        relationRows = schema::findRows(db_, "MSysRelationships", [&](const std::vector<Value>& r) {
            return names(r[foreign]) || names(r[referenced]);
        });
    }
    const std::set<uint32_t> pages = pagesOfTable(db_, def);

    inTransaction([&] {
        for (const schema::FoundRow& r : objectRows) objects.remove(r.id);
        for (const schema::FoundRow& r : aceRows) aces->remove(r.id);
        for (const schema::FoundRow& r : relationRows) relationships->remove(r.id);
        PageAllocator allocator(db_);
        for (uint32_t map : mapPointersOf(def))
            removeBookkeepingRow(db_.pages(), v, allocator, map);
        for (uint32_t page : pages) allocator.release(page);
    });
}

void SchemaEditor::renameTable(std::string_view from, std::string_view to) {
    const TableDef def = schema::storedDefinition(db_, from, false);
    std::vector<std::string> taken;
    for (std::string& name : schema::takenNames(db_))
        if (!sameName(name, def.name)) taken.push_back(std::move(name));
    checkNewTableName(to, taken);

    const std::shared_ptr<const TableDef> objectsDef = db_.table("MSysObjects");
    const size_t idColumn = schema::columnOf(*objectsDef, "Id");
    const size_t typeColumn = schema::columnOf(*objectsDef, "Type");
    const size_t nameColumn = schema::columnOf(*objectsDef, "Name");
    std::vector<schema::FoundRow> objectRows =
        schema::findRows(db_, "MSysObjects", [&](const std::vector<Value>& r) {
            return r[idColumn].is<int64_t>() &&
                   (static_cast<uint32_t>(r[idColumn].as<int64_t>()) & 0x00FFFFFF) == def.tdefPage &&
                   r[typeColumn].is<int64_t>() && r[typeColumn].as<int64_t>() == 1;
        });
    TableEditor objects(db_, "MSysObjects");
    std::unique_ptr<TableEditor> relationships = editorIfPresent(db_, "MSysRelationships");
    std::vector<schema::FoundRow> relationRows;
    size_t object = 0, referenced = 0;
    if (relationships) {
        const std::shared_ptr<const TableDef> rel = db_.table("MSysRelationships");
        object = schema::columnOf(*rel, "szObject");
        referenced = schema::columnOf(*rel, "szReferencedObject");
        auto names = [&](const Value& value) {
            return value.is<std::string>() && sameName(value.as<std::string>(), def.name);
        };
        relationRows = schema::findRows(db_, "MSysRelationships", [&](const std::vector<Value>& r) {
            return names(r[object]) || names(r[referenced]);
        });
    }
    const std::string newName(to);
    inTransaction([&] {
        for (schema::FoundRow& r : objectRows) {
            r.values[nameColumn] = Value::text(newName);
            if (const ColumnDef* updated = objectsDef->findColumn("DateUpdate"))
                r.values[static_cast<size_t>(updated - objectsDef->columns.data())] =
                    Value::dateTime(schema::accessNow());
            objects.update(r.id, r.values);
        }
        for (schema::FoundRow& r : relationRows) {
            for (size_t column : {object, referenced})
                if (r.values[column].is<std::string>() &&
                    sameName(r.values[column].as<std::string>(), def.name))
                    r.values[column] = Value::text(newName);
            relationships->update(r.id, r.values);
        }
    });
}

}  // namespace jet
