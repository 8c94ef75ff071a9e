// Catalogue rows and definitions shared by the schema editor's operations.
#include <chrono>
#include <cmath>

#include "jet/error.h"
#include "jet/file/page_store.h"
#include "jet/format/page_types.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/store_page_sink.h"
#include "jet/table/table_def_rewrite.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "jet/util/bytes.h"
#include "jet/util/names.h"
#include "jet/write/column_properties.h"
#include "jet/write/table_def_writer.h"

namespace jet::schema {

double accessNow() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return std::floor(seconds) / 86400.0 + 25569.0;
}

std::vector<std::string> takenNames(const Database& db) {
    std::vector<std::string> names;
    for (const CatalogObject* o : db.tables(true)) names.push_back(o->name);
    for (const CatalogObject* o : db.queryObjects()) names.push_back(o->name);
    for (const CatalogObject* o : db.linkedTables()) names.push_back(o->name);
    return names;
}

size_t columnOf(const TableDef& def, std::string_view name) {
    for (size_t i = 0; i < def.columns.size(); ++i)
        if (sameName(def.columns[i].name, name)) return i;
    throwCorrupt("system table '" + def.name + "' has no column '" + std::string(name) + "'");
}

std::vector<FoundRow> findRows(Database& db, std::string_view table,
                               const std::function<bool(const std::vector<Value>&)>& keep) {
    std::vector<FoundRow> out;
    TableScan scan(db, db.table(table));
    while (scan.next()) {
        std::vector<Value> values = scan.values();
        if (keep(values)) out.push_back(FoundRow{scan.rowId(), std::move(values)});
    }
    return out;
}

SidSet catalogSids(Database& db) {
    const std::shared_ptr<const TableDef> objects = db.table("MSysObjects");
    const ColumnDef* owner = objects->findColumn("Owner");
    if (!owner || isJet3(db.version())) return defaultSids(db.version());
    const size_t name = columnOf(*objects, "Name");
    const size_t ownerAt = static_cast<size_t>(owner - objects->columns.data());
    for (const FoundRow& r : findRows(db, "MSysObjects", [&](const std::vector<Value>& v) {
             return v[name].is<std::string>() && v[name].as<std::string>() == "MSysDb";
         })) {
        const Value& sid = r.values[ownerAt];
        if (!sid.is<Blob>() || sid.as<Blob>().size() != 2) break;
        // Admin's id unmasked is 03 01.
        const Blob& b = sid.as<Blob>();
        return sidSetForMask(
            {static_cast<uint8_t>(b[0] ^ 0x03), static_cast<uint8_t>(b[1] ^ 0x01)});
    }
    return defaultSids(db.version());
}

int32_t tablesContainerId(const Database& db) {
    for (const CatalogObject& o : db.objects())
        if (o.type == static_cast<int16_t>(ObjectType::Container) && o.name == "Tables")
            return o.id;
    return kTablesContainerId;
}

std::vector<Value> rowByName(const TableDef& def, const std::map<std::string, Value>& values) {
    std::vector<Value> row(def.columns.size());
    for (const auto& [name, value] : values)
        for (size_t i = 0; i < def.columns.size(); ++i)
            if (sameName(def.columns[i].name, name)) row[i] = value;
    return row;
}

std::vector<Value> blueprintRow(Database& db, std::string_view table,
                                const std::vector<Value>& blueprint) {
    for (const SystemTable& t : systemTables(db.version(), db.header().sortOrder)) {
        if (!sameName(t.def.name, table)) continue;
        std::map<std::string, Value> named;
        for (size_t i = 0; i < t.def.columns.size() && i < blueprint.size(); ++i)
            named[t.def.columns[i].name] = blueprint[i];
        return rowByName(*db.table(table), named);
    }
    throw Error(ErrorCode::NotFound,
                "this format has no system table '" + std::string(table) + "'");
}

void notFound(const std::string& what) {
    throw Error(ErrorCode::NotFound, what);
}

TableDef storedDefinition(Database& db, std::string_view table, bool rewrite) {
    const CatalogObject* object = nullptr;
    for (const CatalogObject* o : db.tables(true))
        if (sameName(o->name, table)) object = o;
    if (!object) throw Error(ErrorCode::NotFound, missingObjectMessage(table));
    if (object->isSystem())
        throw Error(ErrorCode::Unsupported,
                    "the design of system table '" + object->name + "' cannot be changed");
    TableDef stored = readTableDef(db.pages(), db.version(), object->tdefPage(), db.codePage());
    stored.name = object->name;
    for (const ColumnDef& c : stored.columns)
        if (c.type == DataType::Complex || c.calculated)
            throw Error(ErrorCode::Unsupported,
                        "the design of table '" + stored.name +
                            "' cannot be changed in place: the field '" + c.name +
                            "' is an attachment, multi-value or calculated field");
    if (!rewrite) return stored;
    try {
        requireFaithfulDefinition(db.pages(), db.version(), stored, db.codePage());
    } catch (const Error&) {
        throw Error(ErrorCode::Unsupported, "the definition of table '" + stored.name +
                                                "' holds bytes the engine cannot write back, so "
                                                "its design cannot be changed in place");
    }
    return stored;
}

namespace {

constexpr size_t kNextPageOffset = 4;

std::vector<uint32_t> continuationPages(PageStore& store, uint32_t first) {
    std::vector<uint32_t> chain;
    uint32_t page = readU32(Bytes(*store.page(first)), kNextPageOffset);
    while (page != 0) {
        if (chain.size() > store.pageCount() || page >= store.pageCount() ||
            (*store.page(page))[0] != kPageTableDef)
            throwCorrupt("the definition chain of page " + std::to_string(first) + " is broken");
        chain.push_back(page);
        page = readU32(Bytes(*store.page(page)), kNextPageOffset);
    }
    return chain;
}

}  // namespace

void replaceDefinition(Database& db, PageAllocator& allocator, const TableDef& def) {
    PageStore& store = db.pages();
    const std::vector<uint32_t> old = continuationPages(store, def.tdefPage);
    StorePageSink sink(store, allocator);
    writeTableDef(sink, def.tdefPage, def, db.version(), db.codePage());
    for (uint32_t page : old) allocator.release(page);
    db.forgetTableDef(def.tdefPage);
}

namespace {

std::optional<FoundRow> objectRow(Database& db, uint32_t tdefPage) {
    const std::shared_ptr<const TableDef> objects = db.table("MSysObjects");
    const size_t id = columnOf(*objects, "Id"), type = columnOf(*objects, "Type");
    std::vector<FoundRow> rows = findRows(db, "MSysObjects", [&](const std::vector<Value>& v) {
        return v[id].is<int64_t>() &&
               (static_cast<uint32_t>(v[id].as<int64_t>()) & 0x00FFFFFF) == tdefPage &&
               v[type].is<int64_t>() && v[type].as<int64_t>() == 1;
    });
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

}  // namespace

PropertyBlob tableProperties(Database& db, uint32_t tdefPage) {
    for (const CatalogObject* o : db.tables(true))
        if (o->tdefPage() == tdefPage && !o->properties.empty())
            return parsePropertyBlob(o->properties, isJet3(db.version()), db.codePage());
    return {};
}

void requireFaithfulProperties(Database& db, uint32_t tdefPage) {
    for (const CatalogObject* o : db.tables(true)) {
        if (o->tdefPage() != tdefPage || o->properties.empty()) continue;
        const bool jet3 = isJet3(db.version());
        bool same = false;
        try {
            same = writePropertyBlob(parsePropertyBlob(o->properties, jet3, db.codePage()), jet3,
                                     db.codePage()) == o->properties;
        } catch (const Error&) {
        }
        if (!same)
            throw Error(ErrorCode::Unsupported,
                        "the properties of table '" + o->name +
                            "' hold bytes the engine cannot write back, so its fields cannot be "
                            "changed in place");
    }
}

size_t columnIndexOrThrow(const TableDef& def, std::string_view name) {
    for (size_t i = 0; i < def.columns.size(); ++i)
        if (sameName(def.columns[i].name, name)) return i;
    schema::notFound("Item not found in this collection.");
}

std::vector<PropertyMap> columnPropertyMaps(const ColumnSpec& column, JetVersion v) {
    TableSpec one;
    one.name = "T";
    one.columns.push_back(column);
    std::vector<PropertyMap> maps;
    for (PropertyMap& m : newTablePropertyBlob(one, "", v).maps)
        if (sameName(m.objectName, column.name)) maps.push_back(std::move(m));
    return maps;
}

void storeTableProperties(Database& db, uint32_t tdefPage, const PropertyBlob& blob) {
    std::optional<FoundRow> row = objectRow(db, tdefPage);
    if (!row)
        throwCorrupt("the catalogue has no row for the table on page " + std::to_string(tdefPage));
    const std::shared_ptr<const TableDef> objects = db.table("MSysObjects");
    std::vector<Value> values = row->values;
    const std::vector<uint8_t> bytes = writePropertyBlob(blob, isJet3(db.version()), db.codePage());
    values[columnOf(*objects, "LvProp")] = bytes.empty() ? Value() : Value::binary(bytes);
    if (const ColumnDef* updated = objects->findColumn("DateUpdate"))
        values[static_cast<size_t>(updated - objects->columns.data())] =
            Value::dateTime(accessNow());
    TableEditor editor(db, "MSysObjects");
    editor.update(row->id, values);
}

}  // namespace jet::schema
