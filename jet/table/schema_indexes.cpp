// Indexes created on a table with rows (the tree built from its rows at
// once, as the bulk writer builds it), dropped and renamed.
#include <algorithm>
#include <unordered_set>

#include "jet/error.h"
#include "jet/format/index_key.h"
#include "jet/format/usage_map.h"
#include "jet/table/bookkeeping_rows.h"
#include "jet/table/index_cursor.h"
#include "jet/table/row_rules.h"
#include "jet/table/schema_editor.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/store_page_sink.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"
#include "jet/write/index_builder.h"
#include "jet/write/index_key_collector.h"
#include "jet/write/name_rules.h"
#include "jet/write/table_def_writer.h"
#include "jet/write/usage_map_writer.h"

namespace jet {
namespace {

constexpr const char* kIndexInRelationshipMessage =
    "Cannot delete this index or table. It is either the current index or it is used in a "
    "relationship.";

[[noreturn]] void refuse(const std::string& message) {
    throw Error(ErrorCode::InvalidArgument, message);
}

size_t indexOrThrow(const TableDef& def, std::string_view name) {
    for (size_t i = 0; i < def.indexes.size(); ++i)
        if (sameName(def.indexes[i].name, name)) return i;
    schema::notFound("'" + std::string(name) + "' isn't an index in this table.");
}

// Only the new name must be one a user may give: the indexes a relationship
// keeps are named ".rB", ".rC", ... by Access itself.
void checkIndexNames(const TableDef& def, std::string_view newName, std::string_view except) {
    checkObjectName(newName);
    std::vector<std::string> names;
    for (const IndexDef& x : def.indexes)
        if (except.empty() || !sameName(x.name, except)) names.push_back(x.name);
    names.emplace_back(newName);
    checkDistinctIndexNames(def.name, names);
}

uint8_t realIndexFlags(const IndexSpec& x, JetVersion v) {
    uint8_t flags = isJet3(v) ? 0 : kIndexJet4Marker;
    if (x.primary) return flags | kIndexUnique | kIndexRequired;
    if (x.unique) flags |= kIndexUnique;
    if (x.ignoreNulls) flags |= kIndexIgnoreNulls;
    if (x.required) flags |= kIndexRequired;
    return flags;
}

std::vector<IndexColumn> indexColumns(const IndexSpec& x, const TableDef& t, JetVersion v) {
    if (x.columns.empty()) refuse("No field defined--cannot append TableDef or Index.");
    if (x.columns.size() > kMaxColumnsPerIndex)
        refuse("Can't have more than 10 fields in an index.");
    std::vector<IndexColumn> out;
    for (const auto& [name, ascending] : x.columns) {
        const ColumnDef* c = t.findColumn(name);
        if (!c)
            refuse("Invalid field definition '" + name +
                   "' in definition of index or relationship.");
        const bool unindexable = c->type == DataType::LongBinary ||
                                 (c->type == DataType::Memo && !isAce(v)) ||
                                 c->type == DataType::Complex;
        const bool repeated = std::any_of(out.begin(), out.end(), [c](const IndexColumn& ic) {
            return ic.columnNumber == c->number;
        });
        if (unindexable || repeated) refuse("Invalid index definition.");
        out.push_back(IndexColumn{c->number, ascending});
    }
    return out;
}

bool sameColumns(const std::vector<IndexColumn>& a, const std::vector<IndexColumn>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const IndexColumn& x, const IndexColumn& y) {
                          return x.columnNumber == y.columnNumber && x.ascending == y.ascending;
                      });
}

// Whether another table's relationship index names this table's index.
bool referencedByRelation(Database& db, const TableDef& def) {
    for (const CatalogObject* o : db.tables()) {
        if (o->tdefPage() == def.tdefPage) continue;
        for (const IndexDef& x : db.tableAt(o->tdefPage(), o->name)->indexes)
            if (x.relatedTablePage == def.tdefPage) return true;
    }
    return false;
}

}  // namespace

namespace schema {

void sortIndexesByName(std::vector<IndexDef>& indexes) {
    std::stable_sort(indexes.begin(), indexes.end(), [](const IndexDef& a, const IndexDef& b) {
        return foldName(a.name) < foldName(b.name);
    });
}

IndexKeyCollector collectIndexKeys(Database& db, const TableDef& def, const RealIndexDef& real,
                                   const std::string& indexName) {
    const JetVersion v = db.version();
    const IndexKeyForms forms = indexKeyForms(db.header().sortOrder, v);
    struct Key {
        size_t at;
        DataType type;
        bool ascending;
        SortOrderKind order;
    };
    std::vector<Key> keys;
    for (const IndexColumn& ic : real.columns) {
        const ColumnDef* c = def.columnByNumber(ic.columnNumber);
        Key k{static_cast<size_t>(c - def.columns.data()), c->type, ic.ascending, SortOrderKind{}};
        if (isTextType(c->type)) {
            std::optional<SortOrderKind> order = forms.text;
            if (c->sortLcid != 0)
                order = indexKeyForms(SortOrder{c->sortLcid, c->sortVersion}, v).text;
            if (!order)
                throw Error(ErrorCode::Unsupported,
                            "index '" + indexName + "' cannot be built: the keys of field '" +
                                c->name + "' are in a sort order the engine cannot build");
            k.order = *order;
        }
        keys.push_back(k);
    }
    const bool unique = real.flags & kIndexUnique, ignoreNulls = real.flags & kIndexIgnoreNulls,
               required = real.flags & kIndexRequired;
    IndexKeyCollector collected;
    std::unordered_set<uint32_t> withNull;
    std::vector<uint8_t> key;
    TableScan scan(db, db.table(def.name));
    while (scan.next()) {
        bool anyNull = false, allNull = true;
        std::vector<Value> values;
        for (const Key& k : keys) {
            values.push_back(scan.value(k.at));
            anyNull = anyNull || values.back().isNull();
            allNull = allNull && values.back().isNull();
        }
        if (anyNull && required) throw Error(ErrorCode::Constraint, kNullInRequiredIndexMessage);
        if (allNull && ignoreNulls) continue;
        if (anyNull) withNull.insert(scan.rowId().packed());
        key.clear();
        for (size_t i = 0; i < keys.size(); ++i)
            appendIndexKey(key, values[i], keys[i].type, keys[i].ascending, keys[i].order,
                           forms.numeric);
        collected.add(key, scan.rowId());
    }
    collected.sort();
    if (unique)
        for (size_t i = 1; i < collected.size(); ++i) {
            auto a = collected.key(i - 1), b = collected.key(i);
            if (!std::equal(a.begin(), a.end(), b.begin(), b.end())) continue;
            if (withNull.contains(collected.row(i).packed()) ||
                withNull.contains(collected.row(i - 1).packed()))
                continue;
            throw Error(ErrorCode::Constraint, kDuplicateKeyMessage);
        }
    return collected;
}

void writeIndexTree(Database& db, PageAllocator& allocator, uint32_t tdefPage,
                    const IndexKeyCollector& keys, RealIndexDef& real) {
    const JetVersion v = db.version();
    StorePageSink sink(db.pages(), allocator);
    const BuiltIndex built = buildIndex(sink, v, tdefPage, keys);
    real.rootPage = built.rootPage;
    real.entryCount = static_cast<uint32_t>(keys.size());
    const std::vector<RowPointer> at =
        placeBookkeepingRows(db.pages(), v, allocator, {encodeUsageMap(sink, v, built.pages)});
    real.usageMapPointer = at[0].packed();
}

std::optional<RealIndexDef> removeLogicalIndex(TableDef& def, size_t at) {
    const IndexDef gone = def.indexes.at(at);
    def.indexes.erase(def.indexes.begin() + static_cast<std::ptrdiff_t>(at));
    const bool realShared =
        std::any_of(def.indexes.begin(), def.indexes.end(),
                    [&](const IndexDef& x) { return x.realIndex == gone.realIndex; });
    if (realShared) return std::nullopt;
    RealIndexDef released = def.realIndexes.at(static_cast<size_t>(gone.realIndex));
    def.realIndexes.erase(def.realIndexes.begin() + gone.realIndex);
    for (IndexDef& x : def.indexes)
        if (x.realIndex > gone.realIndex) --x.realIndex;
    return released;
}

int32_t nextIndexNumber(const TableDef& def) {
    int32_t next = 0;
    for (const IndexDef& x : def.indexes) next = std::max(next, x.number + 1);
    return next;
}

std::vector<uint32_t> indexTreePages(Database& db, const RealIndexDef& real) {
    if (real.usageMapPointer == 0) return {};
    return readUsageMap(db.pages(), db.version(), real.usageMapPointer);
}

void releaseIndexPages(Database& db, PageAllocator& allocator, const RealIndexDef& real,
                       const std::vector<uint32_t>& treePages) {
    removeBookkeepingRow(db.pages(), db.version(), allocator, real.usageMapPointer);
    for (uint32_t page : treePages) allocator.release(page);
}

}  // namespace schema

void SchemaEditor::createIndex(std::string_view table, const IndexSpec& spec) {
    const JetVersion v = db_.version();
    TableDef def = schema::storedDefinition(db_, table);
    checkIndexNames(def, spec.name, {});
    if (def.indexes.size() >= kMaxIndexesPerTable)
        refuse("The operation failed. There are too many indexes on table '" + def.name +
               "'. Delete some of the indexes on the table and try the operation again.");
    if (spec.primary && std::any_of(def.indexes.begin(), def.indexes.end(),
                                    [](const IndexDef& x) { return x.isPrimaryKey(); }))
        refuse("Primary key already exists.");
    if (spec.foreignKey)
        throw Error(ErrorCode::Unsupported,
                    "relationship indexes are made with their relationship");
    RealIndexDef real;
    real.columns = indexColumns(spec, def, v);
    real.flags = realIndexFlags(spec, v);
    IndexDef logical;
    logical.name = spec.name;
    logical.number = schema::nextIndexNumber(def);
    logical.kind = spec.primary ? 1 : 0;

    auto shared =
        std::find_if(def.realIndexes.begin(), def.realIndexes.end(), [&](const RealIndexDef& r) {
            return sameColumns(r.columns, real.columns) && r.flags == real.flags;
        });
    std::optional<IndexKeyCollector> keys;
    if (shared != def.realIndexes.end()) {
        logical.realIndex = static_cast<int32_t>(shared - def.realIndexes.begin());
    } else {
        logical.realIndex = static_cast<int32_t>(def.realIndexes.size());
        keys = schema::collectIndexKeys(db_, def, real, spec.name);
        real.entryCount = static_cast<uint32_t>(keys->size());
        if (keys->size() > 0) {
            for (size_t i = 0; i < keys->size(); ++i)
                if (keys->key(i).size() > maxIndexKeyLength(v)) refuse("Invalid index definition.");
        }
    }
    def.indexes.push_back(logical);
    schema::sortIndexesByName(def.indexes);
    {
        TableDef probe = def;
        if (keys) probe.realIndexes.push_back(real);
        (void)encodeTableDef(probe, v, db_.codePage());
    }

    inTransaction([&] {
        PageAllocator allocator(db_);
        if (keys) {
            schema::writeIndexTree(db_, allocator, def.tdefPage, *keys, real);
            def.realIndexes.push_back(real);
        }
        schema::replaceDefinition(db_, allocator, def);
    });
}

void SchemaEditor::dropIndex(std::string_view table, std::string_view index) {
    const JetVersion v = db_.version();
    TableDef def = schema::storedDefinition(db_, table);
    const size_t at = indexOrThrow(def, index);
    const IndexDef gone = def.indexes[at];
    if (gone.isForeignKey() || gone.relatedTablePage != 0 || referencedByRelation(db_, def))
        throw Error(ErrorCode::Constraint, kIndexInRelationshipMessage);
    const std::optional<RealIndexDef> released = schema::removeLogicalIndex(def, at);
    (void)encodeTableDef(def, v, db_.codePage());
    const std::vector<uint32_t> treePages =
        released ? schema::indexTreePages(db_, *released) : std::vector<uint32_t>{};

    inTransaction([&] {
        PageAllocator allocator(db_);
        schema::replaceDefinition(db_, allocator, def);
        if (released) schema::releaseIndexPages(db_, allocator, *released, treePages);
    });
}

void SchemaEditor::renameIndex(std::string_view table, std::string_view from, std::string_view to) {
    const JetVersion v = db_.version();
    TableDef def = schema::storedDefinition(db_, table);
    const size_t at = indexOrThrow(def, from);
    checkIndexNames(def, to, def.indexes[at].name);
    def.indexes[at].name = std::string(to);
    schema::sortIndexesByName(def.indexes);
    (void)encodeTableDef(def, v, db_.codePage());
    inTransaction([&] {
        PageAllocator allocator(db_);
        schema::replaceDefinition(db_, allocator, def);
    });
}

}  // namespace jet
