#include "jet/table/table_editor.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/format/data_page.h"
#include "jet/format/data_page_rows.h"
#include "jet/format/index_key.h"
#include "jet/format/property_blob.h"
#include "jet/format/row_codec.h"
#include "jet/format/row_encoder.h"
#include "jet/format/usage_map.h"
#include "jet/table/index_cursor.h"
#include "jet/table/index_tree_edit.h"
#include "jet/table/referential_actions.h"
#include "jet/table/table_def_rewrite.h"
#include "jet/table/table_scan.h"
#include "jet/table/usage_map_edit.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr size_t kOverflowPointerSize = 4;

std::string rowText(RowPointer id) {
    return "page " + std::to_string(id.page) + ", row " + std::to_string(id.row);
}

std::vector<uint8_t> overflowPointer(RowPointer to) {
    std::vector<uint8_t> out(kOverflowPointerSize, 0);
    writeU32(out, 0, to.packed());
    return out;
}

bool sameDefinitionNumbers(const TableDef& a, const TableDef& b) {
    if (a.rowCount != b.rowCount || a.nextAutoNumber != b.nextAutoNumber) return false;
    for (size_t i = 0; i < a.realIndexes.size(); ++i)
        if (a.realIndexes[i].rootPage != b.realIndexes[i].rootPage ||
            a.realIndexes[i].entryCount != b.realIndexes[i].entryCount)
            return false;
    return true;
}

}  // namespace

TableEditor::TableEditor(Database& db, std::string_view table) : db_(db), allocator_(db) {
    if (!db.pages().writable()) throw Error(ErrorCode::Io, "the database is open read-only");
    def_ = db.table(table);
    const TableDef& def = *def_;
    const JetVersion v = db.version();
    for (const ColumnDef& c : def.columns) {
        if (c.type == DataType::Complex)
            throw Error(ErrorCode::Unsupported,
                        "the rows of table '" + def.name + "' cannot be changed in place: the field '" +
                            c.name + "' is an attachment or multi-value field");
        if (c.calculated)
            throw Error(ErrorCode::Unsupported,
                        "the rows of table '" + def.name + "' cannot be changed in place: the field '" +
                            c.name + "' is calculated");
    }

    links_ = relationLinksOf(db, def);

    PropertyBlob props;
    for (const CatalogObject* o : db.tables(true))
        if (o->tdefPage() == def.tdefPage && !o->properties.empty())
            props = parsePropertyBlob(o->properties, isJet3(v), db.codePage());
    rules_ = columnRulesFromProperties(def, props);

    const IndexKeyForms forms = indexKeyForms(db.header().sortOrder, v);
    numericForm_ = forms.numeric;
    for (size_t i = 0; i < def.realIndexes.size(); ++i) {
        const RealIndexDef& real = def.realIndexes[i];
        IndexPlan plan;
        plan.realIndex = i;
        plan.name = "#" + std::to_string(i);
        for (const IndexDef& logical : def.indexes)
            if (logical.realIndex == static_cast<int32_t>(i)) {
                plan.name = logical.name;
                break;
            }
        plan.unique = (real.flags & kIndexUnique) != 0;
        plan.ignoreNulls = (real.flags & kIndexIgnoreNulls) != 0;
        plan.required = (real.flags & kIndexRequired) != 0;
        for (const IndexColumn& ic : real.columns) {
            const ColumnDef* c = def.columnByNumber(ic.columnNumber);
            if (!c)
                throwCorrupt("index '" + plan.name + "' of table '" + def.name +
                             "' names a column the table does not have");
            KeyColumn key{static_cast<size_t>(c - def.columns.data()), c->type, ic.ascending,
                          SortOrderKind{}};
            if (isTextType(c->type)) {
                std::optional<SortOrderKind> order = forms.text;
                if (c->sortLcid != 0)
                    order = indexKeyForms(SortOrder{c->sortLcid, c->sortVersion}, v).text;
                if (!order)
                    throw Error(ErrorCode::Unsupported,
                                "the rows of table '" + def.name +
                                    "' cannot be changed in place: the keys of index '" +
                                    plan.name + "' are in a sort order the engine cannot build");
                key.textOrder = *order;
            }
            plan.columns.push_back(key);
        }
        indexes_.push_back(std::move(plan));
    }

    TableDef stored = readTableDef(db.pages(), v, def.tdefPage, db.codePage());
    stored.name = def.name;
    requireFaithfulDefinition(db.pages(), v, stored, db.codePage());

    for (const ColumnDef& c : def.columns) {
        std::unique_ptr<LongValueStore> store;
        if (isLongValueType(c.type)) {
            uint32_t map = 0;
            for (const LongValueMaps& lv : def.longValueMaps)
                if (lv.columnNumber == c.number) map = lv.usageMapPointer;
            store = std::make_unique<LongValueStore>(db.pages(), v, allocator_, map);
        }
        sinks_.push_back(store.get());
        longValues_.push_back(std::move(store));
    }
}

TableEditor::~TableEditor() = default;

void TableEditor::forgetLearntPages() {
    allocator_.reset();
    for (auto& lv : longValues_)
        if (lv) lv->reset();
    lastDataPage_.reset();
}

template <typename F>
void TableEditor::inTransaction(F&& body) {
    PageStore& store = db_.pages();
    std::optional<PageTransaction> transaction;
    if (!store.inTransaction()) transaction.emplace(store);
    try {
        body();
        if (transaction) transaction->commit();
    } catch (...) {
        transaction.reset();
        // What was learnt of pages may be undone with them.
        forgetLearntPages();
        db_.forgetTableDef(def_->tdefPage);
        def_ = db_.tableAt(def_->tdefPage, def_->name);
        throw;
    }
}

template <typename F>
void TableEditor::changeTable(F&& change) {
    PageStore& store = db_.pages();
    const JetVersion v = db_.version();
    const uint32_t tdefPage = def_->tdefPage;
    const std::string name = def_->name;
    auto reload = [&] {
        db_.forgetTableDef(tdefPage);
        def_ = db_.tableAt(tdefPage, name);
    };
    try {
        TableDef raw = readTableDef(store, v, tdefPage, db_.codePage());
        raw.name = name;
        const TableDef before = raw;
        change(raw);
        if (!sameDefinitionNumbers(raw, before)) rewriteDefinition(store, v, raw, db_.codePage());
    } catch (...) {
        forgetLearntPages();
        reload();
        throw;
    }
    reload();
}

std::vector<Value> TableEditor::prepare(std::span<const Value> values,
                                        const std::vector<Value>* old,
                                        uint32_t& nextAutoNumber) const {
    const TableDef& def = *def_;
    if (values.size() != def.columns.size())
        throw Error(ErrorCode::InvalidArgument, "a row of table '" + def.name + "' needs " +
                                                    std::to_string(def.columns.size()) +
                                                    " values, not " + std::to_string(values.size()));
    std::vector<Value> row;
    row.reserve(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        const Value& given = old && c.isAutoNumber() && values[i].isNull() ? (*old)[i] : values[i];
        row.push_back(prepareColumnValue(def.name, c, rules_[i], given, db_.version(),
                                         db_.codePage(), nextAutoNumber));
    }
    return row;
}

TableEditor::RowKey TableEditor::keyOf(const IndexPlan& plan, const std::vector<Value>& row) const {
    RowKey out;
    bool allNull = true;
    for (const KeyColumn& k : plan.columns) {
        const bool isNull = row[k.valueIndex].isNull();
        out.anyNull = out.anyNull || isNull;
        allNull = allNull && isNull;
    }
    if (allNull && plan.ignoreNulls) return out;
    std::vector<uint8_t> key;
    for (const KeyColumn& k : plan.columns)
        appendIndexKey(key, row[k.valueIndex], k.type, k.ascending, k.textOrder, numericForm_);
    out.key = std::move(key);
    return out;
}

std::vector<TableEditor::RowKey> TableEditor::keysOf(const std::vector<Value>& row) const {
    std::vector<RowKey> keys;
    for (const IndexPlan& plan : indexes_) keys.push_back(keyOf(plan, row));
    return keys;
}

// Refuses a row before anything is written: a null in a required index, a
// key a unique index already holds for another row (keys with a null never
// collide, as in Access).
void TableEditor::checkKeys(TableDef& raw, const std::vector<RowKey>& keys,
                            std::optional<RowPointer> self) {
    for (size_t i = 0; i < indexes_.size(); ++i)
        if (indexes_[i].required && keys[i].anyNull)
            throw Error(ErrorCode::Constraint, kNullInRequiredIndexMessage);
    for (size_t i = 0; i < indexes_.size(); ++i) {
        const IndexPlan& plan = indexes_[i];
        if (!plan.unique || !keys[i].key || keys[i].anyNull) continue;
        IndexTreeEditor tree(db_.pages(), db_.version(), raw.tdefPage,
                             raw.realIndexes[plan.realIndex], allocator_);
        if (tree.containsKey(*keys[i].key, self))
            throw Error(ErrorCode::Constraint, kDuplicateKeyMessage);
    }
}

std::vector<uint8_t> TableEditor::encode(const std::vector<Value>& row) {
    return encodeRow(*def_, row, db_.version(), db_.codePage(), sinks_);
}

uint32_t TableEditor::newDataPage(TableDef& raw) {
    PageStore& store = db_.pages();
    const JetVersion v = db_.version();
    const uint32_t page = allocator_.allocate();
    *store.writablePage(page) = DataPageRows::empty(v, raw.tdefPage, store.pageSize()).encode();
    auto more = [&] { return allocator_.allocate(); };
    addPageToUsageMap(store, v, raw.usageMapPointer, page, more);
    if (raw.freeMapPointer != 0) addPageToUsageMap(store, v, raw.freeMapPointer, page, more);
    return page;
}

// Puts a row on a page of the table with room: the page last used, those
// the free-space map lists, else a new one. A page the next row of this
// size would not fit leaves the free-space map.
RowPointer TableEditor::placeRow(TableDef& raw, std::vector<uint8_t> bytes, uint16_t flags,
                                 std::optional<uint32_t> avoid) {
    PageStore& store = db_.pages();
    const JetVersion v = db_.version();
    const size_t size = bytes.size();
    auto tryPage = [&](uint32_t page) -> std::optional<RowPointer> {
        if (avoid && page == *avoid) return std::nullopt;
        if (page == 0 || page >= store.pageCount()) return std::nullopt;
        Bytes p(*store.page(page));
        if (p[0] != kPageData || dataPageOwner(p) != raw.tdefPage) return std::nullopt;
        DataPageRows rows = DataPageRows::parse(p, v);
        if (!rows.fitsNewRow(size)) return std::nullopt;
        const uint8_t at = rows.add(std::move(bytes), flags);
        const bool full = !rows.fitsNewRow(size);
        *store.writablePage(page) = rows.encode();
        if (full && raw.freeMapPointer != 0)
            removePageFromUsageMap(store, v, raw.freeMapPointer, page);
        lastDataPage_ = page;
        return RowPointer{page, at};
    };
    if (lastDataPage_)
        if (auto at = tryPage(*lastDataPage_)) return *at;
    if (raw.freeMapPointer != 0) {
        const std::vector<uint32_t> withRoom = readUsageMap(store, v, raw.freeMapPointer);
        for (auto it = withRoom.rbegin(); it != withRoom.rend(); ++it)
            if (auto at = tryPage(*it)) return *at;
    }
    if (auto at = tryPage(newDataPage(raw))) return *at;
    throw Error(ErrorCode::Constraint, "Record is too large.");
}

void TableEditor::releaseLongValues(Bytes rowBytes) {
    const TableDef& def = *def_;
    bool any = std::any_of(def.columns.begin(), def.columns.end(),
                           [](const ColumnDef& c) { return isLongValueType(c.type); });
    if (!any) return;
    RowView row(rowBytes, db_.version(), def.varColumnCount > 0);
    for (const ColumnDef& c : def.columns) {
        if (!isLongValueType(c.type)) continue;
        if (std::optional<Bytes> field = row.bytes(c))
            releaseLongValue(db_.pages(), db_.version(), *field);
    }
}

void TableEditor::addEntries(TableDef& raw, const std::vector<RowKey>& keys, RowPointer id) {
    for (size_t i = 0; i < indexes_.size(); ++i) {
        if (!keys[i].key) continue;
        RealIndexDef& real = raw.realIndexes[indexes_[i].realIndex];
        IndexTreeEditor tree(db_.pages(), db_.version(), raw.tdefPage, real, allocator_);
        tree.insert(IndexEntry{*keys[i].key, id.page, id.row, 0});
        ++real.entryCount;
    }
}

void TableEditor::removeEntries(TableDef& raw, const std::vector<RowKey>& keys, RowPointer id) {
    for (size_t i = 0; i < indexes_.size(); ++i) {
        if (!keys[i].key) continue;
        RealIndexDef& real = raw.realIndexes[indexes_[i].realIndex];
        IndexTreeEditor tree(db_.pages(), db_.version(), raw.tdefPage, real, allocator_);
        tree.remove(IndexEntry{*keys[i].key, id.page, id.row, 0});
        if (real.entryCount > 0) --real.entryCount;
    }
}

std::vector<Value> TableEditor::existingRow(RowPointer id) const {
    std::optional<std::vector<Value>> row = readRow(db_, *def_, id);
    if (!row)
        throw Error(ErrorCode::NotFound, "table '" + def_->name + "' has no row at " + rowText(id));
    return std::move(*row);
}

// A foreign key with no null part must name a row of its referenced table;
// one the row does not change needs no look.
void TableEditor::requireReferencedRows(const std::vector<Value>& row,
                                        const std::vector<Value>* old) {
    for (const RelationLink& link : links_) {
        if (!link.readFromForeignSide) continue;
        const std::optional<std::vector<Value>> key = keyValues(row, link.foreignColumns);
        if (!key) continue;
        if (old) {
            const std::optional<std::vector<Value>> was = keyValues(*old, link.foreignColumns);
            if (was && !referencedKeysDiffer(db_, link, *was, *key)) continue;
        }
        // A row of a self-related table may name itself.
        if (link.referencedPage == def_->tdefPage) {
            const std::optional<std::vector<Value>> own = keyValues(row, link.referencedColumns);
            if (own && !referencedKeysDiffer(db_, link, *own, *key)) continue;
        }
        if (!referencedRowExists(db_, link, *key))
            throw Error(ErrorCode::Constraint, relatedRecordRequiredMessage(link.referencedTable));
    }
}

RowPointer TableEditor::insert(std::span<const Value> values) {
    RowPointer id;
    inTransaction([&] { id = insertRow(values); });
    return id;
}

void TableEditor::remove(RowPointer id) {
    inTransaction([&] {
        if (std::none_of(links_.begin(), links_.end(),
                         [](const RelationLink& l) { return !l.readFromForeignSide; }))
            return removeRow(id);
        ReferentialActions actions(db_, *this);
        try {
            actions.planRemove(id, existingRow(id));
            actions.apply();
        } catch (...) {
            for (uint32_t page : actions.touchedTables()) db_.forgetTableDef(page);
            throw;
        }
    });
}

void TableEditor::update(RowPointer id, std::span<const Value> values) {
    inTransaction([&] {
        if (links_.empty()) return updateRow(id, values);
        const std::vector<Value> old = existingRow(id);
        uint32_t next = def_->nextAutoNumber == 0 ? 1 : def_->nextAutoNumber;
        const std::vector<Value> row = prepare(values, &old, next);
        requireReferencedRows(row, &old);
        ReferentialActions actions(db_, *this);
        try {
            actions.planUpdate(id, old, row);
            actions.apply();
        } catch (...) {
            for (uint32_t page : actions.touchedTables()) db_.forgetTableDef(page);
            throw;
        }
    });
}

RowPointer TableEditor::insertRow(std::span<const Value> values) {
    RowPointer id;
    changeTable([&](TableDef& raw) {
        uint32_t next = raw.nextAutoNumber == 0 ? 1 : raw.nextAutoNumber;
        const std::vector<Value> row = prepare(values, nullptr, next);
        const std::vector<RowKey> keys = keysOf(row);
        checkKeys(raw, keys, std::nullopt);
        requireReferencedRows(row, nullptr);
        id = placeRow(raw, encode(row), 0, std::nullopt);
        addEntries(raw, keys, id);
        ++raw.rowCount;
        raw.nextAutoNumber = next;
    });
    return id;
}

void TableEditor::removeRow(RowPointer id) {
    changeTable([&](TableDef& raw) {
        PageStore& store = db_.pages();
        const JetVersion v = db_.version();
        const std::vector<Value> old = existingRow(id);
        std::vector<RowKey> keys;
        for (const IndexPlan& plan : indexes_) keys.push_back(keyOf(plan, old));

        DataPageRows home = DataPageRows::parse(Bytes(*store.page(id.page)), v);
        StoredRow& slot = home.rows().at(id.row);
        if (slot.flags & kRowOverflowFlag) {
            const RowPointer target =
                RowPointer::fromPacked(readU32(slot.bytes, 0, "an overflow pointer"));
            DataPageRows there = DataPageRows::parse(Bytes(*store.page(target.page)), v);
            StoredRow& moved = there.rows().at(target.row);
            releaseLongValues(moved.bytes);
            moved.bytes.clear();
            *store.writablePage(target.page) = there.encode();
            // The target may share the home page.
            home = DataPageRows::parse(Bytes(*store.page(id.page)), v);
        } else {
            releaseLongValues(slot.bytes);
        }
        StoredRow& gone = home.rows().at(id.row);
        gone.flags = kRowDeletedFlag;
        gone.bytes.clear();
        *store.writablePage(id.page) = home.encode();
        if (raw.freeMapPointer != 0)
            setPageInUsageMapInPlace(store, v, raw.freeMapPointer, id.page);
        removeEntries(raw, keys, id);
        if (raw.rowCount > 0) --raw.rowCount;
    });
}

void TableEditor::updateRow(RowPointer id, std::span<const Value> values) {
    changeTable([&](TableDef& raw) {
        PageStore& store = db_.pages();
        const JetVersion v = db_.version();
        const std::vector<Value> old = existingRow(id);
        uint32_t next = raw.nextAutoNumber == 0 ? 1 : raw.nextAutoNumber;
        const std::vector<Value> row = prepare(values, &old, next);
        const std::vector<RowKey> newKeys = keysOf(row);
        std::vector<RowKey> oldKeys;
        for (const IndexPlan& plan : indexes_) oldKeys.push_back(keyOf(plan, old));
        checkKeys(raw, newKeys, id);

        // Where the row's bytes are now: its own slot or, for a row moved
        // before, the slot its overflow pointer names.
        std::optional<RowPointer> target;
        {
            DataPageRows home = DataPageRows::parse(Bytes(*store.page(id.page)), v);
            const StoredRow& slot = home.rows().at(id.row);
            if (slot.flags & kRowOverflowFlag) {
                target = RowPointer::fromPacked(readU32(slot.bytes, 0, "an overflow pointer"));
                DataPageRows there = DataPageRows::parse(Bytes(*store.page(target->page)), v);
                releaseLongValues(there.rows().at(target->row).bytes);
            } else {
                releaseLongValues(slot.bytes);
            }
        }
        std::vector<uint8_t> bytes = encode(row);
        const RowPointer place = target.value_or(id);
        DataPageRows page = DataPageRows::parse(Bytes(*store.page(place.page)), v);
        if (page.fitsReplacement(place.row, bytes.size())) {
            page.rows().at(place.row).bytes = std::move(bytes);
            *store.writablePage(place.page) = page.encode();
        } else {
            // The row moves; its slot keeps its id with a pointer to the
            // new place, which is flagged deleted so that a scan meets the
            // row once, at its id.
            const RowPointer moved = placeRow(raw, std::move(bytes), kRowDeletedFlag, place.page);
            if (target) {
                DataPageRows there = DataPageRows::parse(Bytes(*store.page(target->page)), v);
                there.rows().at(target->row).bytes.clear();
                *store.writablePage(target->page) = there.encode();
            }
            DataPageRows home = DataPageRows::parse(Bytes(*store.page(id.page)), v);
            StoredRow& slot = home.rows().at(id.row);
            if (!home.fitsReplacement(id.row, kOverflowPointerSize))
                throw Error(ErrorCode::Constraint, "Record is too large.");
            slot.flags = kRowOverflowFlag;
            slot.bytes = overflowPointer(moved);
            *store.writablePage(id.page) = home.encode();
        }
        for (size_t i = 0; i < indexes_.size(); ++i) {
            if (oldKeys[i].key == newKeys[i].key) continue;
            std::vector<RowKey> one(indexes_.size()), other(indexes_.size());
            one[i] = oldKeys[i];
            other[i] = newKeys[i];
            removeEntries(raw, one, id);
            addEntries(raw, other, id);
        }
        raw.nextAutoNumber = next;
    });
}

}  // namespace jet
