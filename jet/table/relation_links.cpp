#include "jet/table/relation_links.h"

#include "jet/error.h"
#include "jet/table/index_cursor.h"

namespace jet {
namespace {

const CatalogObject* tableOnPage(const Database& db, uint32_t tdefPage) {
    for (const CatalogObject* o : db.tables(true))
        if (o->tdefPage() == tdefPage) return o;
    return nullptr;
}

const IndexDef* indexNumbered(const TableDef& def, int32_t number) {
    for (const IndexDef& x : def.indexes)
        if (x.number == number) return &x;
    return nullptr;
}

std::vector<size_t> columnPositions(const TableDef& def, const IndexDef& index) {
    std::vector<size_t> out;
    for (const IndexColumn& ic : def.realIndexOf(index).columns) {
        const ColumnDef* c = def.columnByNumber(ic.columnNumber);
        if (!c)
            throwCorrupt("index '" + index.name + "' of table '" + def.name +
                         "' names a column the table does not have");
        out.push_back(static_cast<size_t>(c - def.columns.data()));
    }
    return out;
}

}  // namespace

std::vector<RelationLink> relationLinksOf(Database& db, const TableDef& def) {
    std::vector<RelationLink> links;
    for (const IndexDef& here : def.indexes) {
        if (here.relatedTablePage == 0) continue;
        auto broken = [&](const std::string& what) {
            throwCorrupt("the relationship index '" + here.name + "' of table '" + def.name + "' " +
                         what);
        };
        const bool foreignHere = here.relatedTableKind == kRelationForeignSide;
        if (!foreignHere && here.relatedTableKind != kRelationReferencedSide)
            broken("names neither side of its relationship");
        std::string otherName = def.name;
        if (here.relatedTablePage != def.tdefPage) {
            const CatalogObject* other = tableOnPage(db, here.relatedTablePage);
            if (!other) broken("names a table that is not in the catalogue");
            otherName = other->name;
        }
        const std::shared_ptr<const TableDef> otherDef =
            db.tableAt(here.relatedTablePage, otherName);
        const IndexDef* there = indexNumbered(*otherDef, here.relatedIndex);
        if (!there || there->relatedTablePage != def.tdefPage || there->relatedIndex != here.number)
            broken("names an index of table '" + otherName + "' that does not name it back");
        const TableDef& referenced = foreignHere ? *otherDef : def;
        const TableDef& foreign = foreignHere ? def : *otherDef;
        const IndexDef& referencedIndex = foreignHere ? *there : here;
        const IndexDef& foreignIndex = foreignHere ? here : *there;

        RelationLink link;
        link.referencedPage = referenced.tdefPage;
        link.foreignPage = foreign.tdefPage;
        link.referencedTable = foreignHere ? otherName : def.name;
        link.foreignTable = foreignHere ? def.name : otherName;
        link.referencedIndex = referencedIndex.number;
        link.foreignIndex = foreignIndex.number;
        link.referencedColumns = columnPositions(referenced, referencedIndex);
        link.foreignColumns = columnPositions(foreign, foreignIndex);
        if (link.referencedColumns.size() != link.foreignColumns.size())
            broken("covers another number of fields than its other side");
        // Both sides carry the options; the foreign side's are those the
        // dependents follow.
        link.cascadeUpdates = foreignIndex.cascadeUpdates;
        link.cascadeDeletes = foreignIndex.cascadeDeletes;
        link.cascadeNull = foreignIndex.cascadeNullOnDelete;
        link.readFromForeignSide = foreignHere;
        links.push_back(std::move(link));
    }
    return links;
}

std::optional<std::vector<Value>> keyValues(const std::vector<Value>& row,
                                            const std::vector<size_t>& columns) {
    std::vector<Value> key;
    for (size_t c : columns) {
        if (row.at(c).isNull()) return std::nullopt;
        key.push_back(row[c]);
    }
    return key;
}

namespace {

IndexCursor cursorOn(Database& db, uint32_t page, const std::string& table, int32_t number,
                     IndexReading reading) {
    std::shared_ptr<const TableDef> def = db.tableAt(page, table);
    const IndexDef* index = indexNumbered(*def, number);
    if (!index)
        throwCorrupt("table '" + table + "' has no index number " + std::to_string(number) +
                     " for its relationship");
    return IndexCursor(db, def, *index, reading);
}

}  // namespace

bool referencedRowExists(Database& db, const RelationLink& link, const std::vector<Value>& key) {
    IndexCursor cursor = cursorOn(db, link.referencedPage, link.referencedTable,
                                  link.referencedIndex, IndexReading::Rows);
    return cursor.seekExact(key);
}

std::vector<DependentRow> dependentRows(Database& db, const RelationLink& link,
                                        const std::vector<Value>& key) {
    IndexCursor cursor =
        cursorOn(db, link.foreignPage, link.foreignTable, link.foreignIndex, IndexReading::Rows);
    std::vector<DependentRow> rows;
    for (bool on = cursor.seek(key); on && cursor.matches(key); on = cursor.next())
        rows.push_back(DependentRow{cursor.rowId(), cursor.values()});
    return rows;
}

bool referencedKeysDiffer(Database& db, const RelationLink& link, const std::vector<Value>& a,
                          const std::vector<Value>& b) {
    IndexCursor cursor = cursorOn(db, link.referencedPage, link.referencedTable,
                                  link.referencedIndex, IndexReading::KeysOnly);
    return cursor.encodeKey(a) != cursor.encodeKey(b);
}

std::string relatedRecordRequiredMessage(const std::string& referencedTable) {
    return "You cannot add or change a record because a related record is required in table '" +
           referencedTable + "'.";
}

std::string relatedRecordsExistMessage(const std::string& foreignTable) {
    return "The record cannot be deleted or changed because table '" + foreignTable +
           "' includes related records.";
}

}  // namespace jet
