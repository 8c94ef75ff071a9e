// Columns added, dropped and renamed in the definition of a table with rows.
// Rows are never rewritten: a row records how many columns it was written
// with, so a column numbered past that count reads as Null in it; a dropped
// column's bytes stay in the rows that have them, unread.
#include <algorithm>
#include <optional>

#include "jet/error.h"
#include "jet/table/bookkeeping_rows.h"
#include "jet/table/schema_editor.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/store_page_sink.h"
#include "jet/table/table_editor.h"
#include "jet/util/names.h"
#include "jet/write/column_properties.h"
#include "jet/write/name_rules.h"
#include "jet/write/table_def_writer.h"
#include "jet/write/usage_map_writer.h"

namespace jet {
namespace {

constexpr const char* kFieldInIndexMessage =
    "Cannot delete a field that is part of an index or is needed by the system.";

[[noreturn]] void refuse(const std::string& message) {
    throw Error(ErrorCode::InvalidArgument, message);
}

void checkColumnNames(const TableDef& def, std::string_view newName, std::string_view except) {
    checkObjectName(newName);
    std::vector<std::string> names;
    for (const ColumnDef& c : def.columns)
        if (except.empty() || !sameName(c.name, except)) names.push_back(c.name);
    names.emplace_back(newName);
    checkNewColumnNames(def.name, names);
}

}  // namespace

void SchemaEditor::addColumn(std::string_view table, const ColumnSpec& column) {
    const JetVersion v = db_.version();
    TableDef def = schema::storedDefinition(db_, table);
    checkColumnNames(def, column.name, {});
    if (def.columns.size() >= kMaxColumnsPerTable) refuse("Too many fields defined.");
    ColumnDef c = columnDefFor(column, v, db_.header().sortOrder);
    c.name = column.name;
    if (c.isAutoLong() && std::any_of(def.columns.begin(), def.columns.end(),
                                      [](const ColumnDef& x) { return x.isAutoLong(); }))
        refuse("Resultant table not allowed to have more than one AutoNumber field.");
    if (!c.isFixed() && def.varColumnCount == 0 && def.rowCount > 0)
        throw Error(ErrorCode::Unsupported,
                    "a text, memo or binary field cannot be added to table '" + def.name +
                        "' while it has rows: they were written without room for such fields");

    // Numbers, variable slots and fixed bytes past everything a row written
    // so far can hold, so no old row has bytes where the new column is read.
    uint16_t number = def.maxColumns;
    uint16_t varIndex = def.varColumnCount;
    uint16_t fixedEnd = 0;
    for (const ColumnDef& x : def.columns) {
        number = std::max<uint16_t>(number, static_cast<uint16_t>(x.number + 1));
        if (!x.isFixed())
            varIndex = std::max<uint16_t>(varIndex, static_cast<uint16_t>(x.varIndex + 1));
        else if (x.type != DataType::Boolean)
            fixedEnd =
                std::max<uint16_t>(fixedEnd, static_cast<uint16_t>(x.fixedOffset + x.length));
    }
    c.number = number;
    c.varIndex = varIndex;
    if (c.isFixed() && c.type != DataType::Boolean) c.fixedOffset = fixedEnd;
    def.columns.push_back(c);
    def.maxColumns = static_cast<uint16_t>(number + 1);
    if (!c.isFixed()) def.varColumnCount = static_cast<uint16_t>(varIndex + 1);
    if (!def.definitionOrder.empty()) def.definitionOrder.push_back(number);
    if (c.isAutoLong() && def.nextAutoNumber == 0) def.nextAutoNumber = 1;

    const std::vector<PropertyMap> maps = schema::columnPropertyMaps(column, v);
    PropertyBlob properties;
    if (!maps.empty()) {
        schema::requireFaithfulProperties(db_, def.tdefPage);
        properties = schema::tableProperties(db_, def.tdefPage);
        for (const PropertyMap& m : maps) properties.maps.push_back(m);
        (void)writePropertyBlob(properties, isJet3(v), db_.codePage());
    }
    (void)encodeTableDef(def, v, db_.codePage());

    inTransaction([&] {
        PageAllocator allocator(db_);
        if (!isJet3(v) && isLongValueType(c.type)) {
            StorePageSink sink(db_.pages(), allocator);
            const std::vector<RowPointer> at =
                placeBookkeepingRows(db_.pages(), v, allocator,
                                     {encodeUsageMap(sink, v, {}), encodeUsageMap(sink, v, {})});
            def.longValueMaps.push_back(LongValueMaps{c.number, at[0].packed(), at[1].packed()});
        }
        schema::replaceDefinition(db_, allocator, def);
        if (!maps.empty()) schema::storeTableProperties(db_, def.tdefPage, properties);
    });
}

void SchemaEditor::dropColumn(std::string_view table, std::string_view column) {
    const JetVersion v = db_.version();
    TableDef def = schema::storedDefinition(db_, table);
    const size_t at = schema::columnIndexOrThrow(def, column);
    const ColumnDef gone = def.columns[at];
    for (const RealIndexDef& real : def.realIndexes)
        for (const IndexColumn& ic : real.columns)
            if (ic.columnNumber == gone.number)
                throw Error(ErrorCode::Constraint, kFieldInIndexMessage);
    // A relationship not enforced has no index, but names the field still.
    for (const Relation& r : db_.relations())
        for (const RelationField& f : r.fields)
            if ((sameName(r.table, def.name) && sameName(f.name, gone.name)) ||
                (sameName(r.foreignTable, def.name) && sameName(f.foreignName, gone.name)))
                throw Error(ErrorCode::Constraint, kFieldInIndexMessage);
    if (def.columns.size() == 1) refuse("No field defined--cannot append TableDef or Index.");
    // The long values of old rows keep their maps, so their pages stay the
    // table's until the file is compacted.
    def.columns.erase(def.columns.begin() + static_cast<std::ptrdiff_t>(at));
    std::erase(def.definitionOrder, gone.number);

    PropertyBlob properties = schema::tableProperties(db_, def.tdefPage);
    const bool hadProperties = properties.forObject(gone.name) != nullptr;
    if (hadProperties) {
        schema::requireFaithfulProperties(db_, def.tdefPage);
        std::erase_if(properties.maps,
                      [&](const PropertyMap& m) { return sameName(m.objectName, gone.name); });
    }
    (void)encodeTableDef(def, v, db_.codePage());

    inTransaction([&] {
        PageAllocator allocator(db_);
        schema::replaceDefinition(db_, allocator, def);
        if (hadProperties) schema::storeTableProperties(db_, def.tdefPage, properties);
    });
}

void SchemaEditor::renameColumn(std::string_view table, std::string_view from,
                                std::string_view to) {
    const JetVersion v = db_.version();
    TableDef def = schema::storedDefinition(db_, table);
    const size_t at = schema::columnIndexOrThrow(def, from);
    const std::string old = def.columns[at].name;
    checkColumnNames(def, to, old);
    def.columns[at].name = std::string(to);

    PropertyBlob properties = schema::tableProperties(db_, def.tdefPage);
    const bool hadProperties = properties.forObject(old) != nullptr;
    if (hadProperties) {
        schema::requireFaithfulProperties(db_, def.tdefPage);
        for (PropertyMap& m : properties.maps)
            if (sameName(m.objectName, old)) m.objectName = std::string(to);
    }
    (void)encodeTableDef(def, v, db_.codePage());

    // The relationships name the field too.
    std::vector<schema::FoundRow> relationRows;
    std::optional<TableEditor> relationships;
    if (db_.findObject("MSysRelationships")) {
        const std::shared_ptr<const TableDef> rel = db_.table("MSysRelationships");
        const std::pair<size_t, size_t> ends[] = {
            {schema::columnOf(*rel, "szObject"), schema::columnOf(*rel, "szColumn")},
            {schema::columnOf(*rel, "szReferencedObject"),
             schema::columnOf(*rel, "szReferencedColumn")}};
        auto names = [](const Value& value, std::string_view name) {
            return value.is<std::string>() && sameName(value.as<std::string>(), name);
        };
        auto namesField = [&](const std::vector<Value>& r, const std::pair<size_t, size_t>& end) {
            return names(r[end.first], def.name) && names(r[end.second], old);
        };
        relationRows = schema::findRows(db_, "MSysRelationships", [&](const std::vector<Value>& r) {
            return namesField(r, ends[0]) || namesField(r, ends[1]);
        });
        for (schema::FoundRow& r : relationRows)
            for (const auto& end : ends)
                if (namesField(r.values, end)) r.values[end.second] = Value::text(std::string(to));
        if (!relationRows.empty()) relationships.emplace(db_, "MSysRelationships");
    }

    inTransaction([&] {
        PageAllocator allocator(db_);
        schema::replaceDefinition(db_, allocator, def);
        if (hadProperties) schema::storeTableProperties(db_, def.tdefPage, properties);
        for (const schema::FoundRow& r : relationRows) relationships->update(r.id, r.values);
    });
}

}  // namespace jet
