// Stored queries created, changed, renamed and dropped in an open file.
#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "jet/catalog/stored_queries.h"
#include "jet/error.h"
#include "jet/sql/stored_query_format.h"
#include "jet/sql/stored_query_rows.h"
#include "jet/table/schema_editor.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/table_editor.h"
#include "jet/util/names.h"
#include "jet/write/name_rules.h"
#include "jet/write/system_catalog.h"

namespace jet {
namespace {

constexpr int64_t kQueryObjectType = static_cast<int64_t>(ObjectType::Query);
constexpr int64_t kFirstOtherObjectId = static_cast<int32_t>(0x80000000u);

const CatalogObject& findQuery(const Database& db, std::string_view name) {
    for (const CatalogObject* o : db.queryObjects())
        if (sameName(o->name, name)) return *o;
    throw Error(ErrorCode::NotFound, missingObjectMessage(name));
}

void requireQueryTable(const Database& db) {
    for (const CatalogObject* t : db.tables(true))
        if (sameName(t->name, "MSysQueries")) return;
    throw Error(ErrorCode::Unsupported, "this file has no MSysQueries table to keep queries in");
}

// Objects without a definition page (queries, linked tables, forms, ...)
// take ids from 80000000 up; a new one takes the next after the highest.
int32_t newObjectId(const Database& db) {
    int64_t next = kFirstOtherObjectId;
    for (const CatalogObject& o : db.objects())
        if (o.id < 0) next = std::max<int64_t>(next, int64_t{o.id} + 1);
    if (next >= 0)
        throw Error(ErrorCode::Unsupported, "the file has no object id left for a query");
    return static_cast<int32_t>(next);
}

int64_t intOf(const Value& v) {
    return v.is<int64_t>() ? v.as<int64_t>() : 0;
}

std::vector<schema::FoundRow> rowsWithId(Database& db, std::string_view table,
                                         std::string_view column, int32_t id,
                                         std::optional<int64_t> type = std::nullopt) {
    const std::shared_ptr<const TableDef> def = db.table(table);
    const size_t idColumn = schema::columnOf(*def, column);
    const std::optional<size_t> typeColumn =
        type ? std::optional<size_t>(schema::columnOf(*def, "Type")) : std::nullopt;
    return schema::findRows(db, table, [&](const std::vector<Value>& r) {
        return r[idColumn].is<int64_t>() && r[idColumn].as<int64_t>() == id &&
               (!typeColumn || intOf(r[*typeColumn]) == *type);
    });
}

// One MSysQueries row in the file's own columns. Order goes in as four
// bytes, most significant first, as Access writes it: the unique index on
// (ObjectId, Attribute, Order) then keeps the rows of one attribute apart
// and in order, wherever the rows land on the pages.
std::vector<Value> queryRowValues(const TableDef& def, const QueryRow& r, int32_t id) {
    std::map<std::string, Value> v;
    v["ObjectId"] = Value::integer(id);
    v["Attribute"] = Value::integer(r.attribute);
    const auto order = static_cast<uint32_t>(r.order);
    v["Order"] =
        Value::binary(Blob{static_cast<uint8_t>(order >> 24), static_cast<uint8_t>(order >> 16),
                           static_cast<uint8_t>(order >> 8), static_cast<uint8_t>(order)});
    if (r.name1) v["Name1"] = Value::text(*r.name1);
    if (r.name2) v["Name2"] = Value::text(*r.name2);
    if (r.expression) v["Expression"] = Value::text(*r.expression);
    if (queryRowHasFlag(r.attribute)) v["Flag"] = Value::integer(r.flag);
    if (r.lvExtra) v["LvExtra"] = Value::integer(*r.lvExtra);
    return schema::rowByName(def, v);
}

void writeQueryRows(TableEditor& editor, int32_t id, const QueryRowSet& query) {
    // The editor's definition is replaced by each change: look it up anew.
    for (const QueryRow& r : query.rows) editor.insert(queryRowValues(editor.def(), r, id));
}

void setColumn(const TableDef& def, std::vector<Value>& row, std::string_view column, Value value) {
    if (const ColumnDef* c = def.findColumn(column))
        row[static_cast<size_t>(c - def.columns.data())] = std::move(value);
}

std::unique_ptr<TableEditor> acesEditor(Database& db) {
    for (const CatalogObject* o : db.tables(true))
        if (sameName(o->name, "MSysACEs")) return std::make_unique<TableEditor>(db, "MSysACEs");
    return nullptr;
}

std::vector<std::string> namesOtherThan(const Database& db, std::string_view name) {
    std::vector<std::string> out;
    for (std::string& n : schema::takenNames(db))
        if (!sameName(n, name)) out.push_back(std::move(n));
    return out;
}

}  // namespace

void SchemaEditor::createQuery(std::string_view name, std::string_view sql) {
    const JetVersion v = db_.version();
    checkNewQueryName(name, schema::takenNames(db_));
    requireQueryTable(db_);
    const QueryRowSet query = storedQueryRows(sql);
    const int32_t id = newObjectId(db_);
    const SidSet sids = schema::catalogSids(db_);
    const std::shared_ptr<const TableDef> objectsDef = db_.table("MSysObjects");
    std::vector<Value> row =
        schema::blueprintRow(db_, "MSysObjects",
                             userObjectRow(v, std::string(name), id, ObjectType::Query,
                                           static_cast<uint32_t>(objectFlagsForKind(query.kind)),
                                           schema::accessNow(), {})
                                 .values);
    setColumn(*objectsDef, row, "ParentId", Value::integer(schema::tablesContainerId(db_)));
    if (!sids.admin.empty()) setColumn(*objectsDef, row, "Owner", Value::binary(sids.admin));
    TableEditor objects(db_, "MSysObjects");
    TableEditor queries(db_, "MSysQueries");
    std::unique_ptr<TableEditor> aces = acesEditor(db_);

    inTransaction([&] {
        objects.insert(row);
        if (aces)
            for (const CatalogRow& r :
                 aceRowsForObject(v, id, static_cast<int>(ObjectType::Query), sids))
                aces->insert(schema::blueprintRow(db_, "MSysACEs", r.values));
        writeQueryRows(queries, id, query);
    });
}

void SchemaEditor::alterQuery(std::string_view name, std::string_view sql) {
    const CatalogObject& object = findQuery(db_, name);
    const int32_t id = object.id;
    const QueryRowSet query = storedQueryRows(sql);
    std::vector<schema::FoundRow> objectRows =
        rowsWithId(db_, "MSysObjects", "Id", id, kQueryObjectType);
    if (objectRows.size() != 1)
        throwCorrupt("query '" + object.name + "' has no single catalogue row");
    const std::vector<schema::FoundRow> oldRows = rowsWithId(db_, "MSysQueries", "ObjectId", id);
    const std::shared_ptr<const TableDef> objectsDef = db_.table("MSysObjects");
    schema::FoundRow& objectRow = objectRows.front();
    const size_t flags = schema::columnOf(*objectsDef, "Flags");
    const int64_t otherBits =
        intOf(objectRow.values[flags]) & ~int64_t{query_format::kObjectKindMask};
    objectRow.values[flags] =
        Value::integer(static_cast<int32_t>(otherBits | objectFlagsForKind(query.kind)));
    setColumn(*objectsDef, objectRow.values, "DateUpdate", Value::dateTime(schema::accessNow()));
    TableEditor objects(db_, "MSysObjects");
    TableEditor queries(db_, "MSysQueries");

    inTransaction([&] {
        for (const schema::FoundRow& r : oldRows) queries.remove(r.id);
        writeQueryRows(queries, id, query);
        objects.update(objectRow.id, objectRow.values);
    });
}

void SchemaEditor::renameQuery(std::string_view from, std::string_view to) {
    const CatalogObject& object = findQuery(db_, from);
    checkNewQueryName(to, namesOtherThan(db_, object.name));
    std::vector<schema::FoundRow> objectRows =
        rowsWithId(db_, "MSysObjects", "Id", object.id, kQueryObjectType);
    if (objectRows.size() != 1)
        throwCorrupt("query '" + object.name + "' has no single catalogue row");
    const std::shared_ptr<const TableDef> objectsDef = db_.table("MSysObjects");
    schema::FoundRow& objectRow = objectRows.front();
    setColumn(*objectsDef, objectRow.values, "Name", Value::text(std::string(to)));
    setColumn(*objectsDef, objectRow.values, "DateUpdate", Value::dateTime(schema::accessNow()));
    TableEditor objects(db_, "MSysObjects");

    inTransaction([&] { objects.update(objectRow.id, objectRow.values); });
}

void SchemaEditor::dropQuery(std::string_view name) {
    const CatalogObject& object = findQuery(db_, name);
    const int32_t id = object.id;
    const std::vector<schema::FoundRow> objectRows =
        rowsWithId(db_, "MSysObjects", "Id", id, kQueryObjectType);
    const std::vector<schema::FoundRow> queryRows = rowsWithId(db_, "MSysQueries", "ObjectId", id);
    std::unique_ptr<TableEditor> aces = acesEditor(db_);
    const std::vector<schema::FoundRow> aceRows =
        aces ? rowsWithId(db_, "MSysACEs", "ObjectId", id) : std::vector<schema::FoundRow>{};
    TableEditor objects(db_, "MSysObjects");
    TableEditor queries(db_, "MSysQueries");

    inTransaction([&] {
        for (const schema::FoundRow& r : objectRows) objects.remove(r.id);
        for (const schema::FoundRow& r : queryRows) queries.remove(r.id);
        for (const schema::FoundRow& r : aceRows) aces->remove(r.id);
    });
}

}  // namespace jet
