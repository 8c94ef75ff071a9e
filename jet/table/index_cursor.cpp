#include "jet/table/index_cursor.h"

#include <algorithm>
#include <map>
#include <string>

#include "jet/error.h"
#include "jet/table/table_scan.h"

namespace jet {
namespace {

constexpr uint16_t kGeneralLocale = 1033;
constexpr uint8_t kGeneralLegacyVersion = 0;
constexpr uint8_t kGeneral2010Version = 1;

// Far deeper than any index Access builds (a few levels hold millions of
// rows); only a damaged file comes near it.
constexpr size_t kMaxDepth = 32;

bool keyLess(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace

IndexKeyForms indexKeyForms(const SortOrder& order, JetVersion version) {
    IndexKeyForms forms;
    forms.numeric = isAce(version) ? NumericKeyForm::Ace : NumericKeyForm::Jet;
    if (order.lcid != kGeneralLocale) return forms;
    if (isJet3(version)) {
        forms.text = SortOrderKind::General97;
    } else if (order.version == kGeneralLegacyVersion) {
        forms.text = SortOrderKind::GeneralLegacy;
    } else if (order.version == kGeneral2010Version) {
        forms.text = SortOrderKind::General2010;
    }
    return forms;
}

SortOrderKind textSortOrderOf(const Database& db) {
    const std::optional<SortOrderKind> kind =
        indexKeyForms(db.header().sortOrder, db.version()).text;
    if (kind) return *kind;
    return isJet3(db.version()) ? SortOrderKind::General97 : SortOrderKind::GeneralLegacy;
}

bool textKeysInDatabaseOrder(const Database& db, const ColumnDef& column) {
    std::optional<SortOrderKind> kind = indexKeyForms(db.header().sortOrder, db.version()).text;
    if (column.sortLcid != 0) {
        kind = indexKeyForms(SortOrder{column.sortLcid, column.sortVersion}, db.version()).text;
    }
    return kind && *kind == textSortOrderOf(db);
}

IndexCursor::IndexCursor(Database& db, std::shared_ptr<const TableDef> def, const IndexDef& index,
                         IndexReading reading)
    : db_(db), def_(std::move(def)), index_(index), reading_(reading) {
    const RealIndexDef& real = def_->realIndexOf(index_);
    rootPage_ = real.rootPage;
    const IndexKeyForms fileForms = indexKeyForms(db_.header().sortOrder, db_.version());
    numericForm_ = fileForms.numeric;
    for (const IndexColumn& c : real.columns) {
        const ColumnDef* column = def_->columnByNumber(c.columnNumber);
        if (!column) {
            throwCorrupt("index '" + index_.name + "' of table '" + def_->name +
                         "' names column number " + std::to_string(c.columnNumber) +
                         ", which the table does not have");
        }
        // A text column keeps the sort order it was created with; columns
        // without one use the database's.
        std::optional<SortOrderKind> textOrder = fileForms.text;
        if (isTextType(column->type) && column->sortLcid != 0) {
            textOrder =
                indexKeyForms(SortOrder{column->sortLcid, column->sortVersion}, db_.version()).text;
        }
        keyColumns_.push_back(KeyColumn{column, c.ascending, textOrder});
    }
}

void IndexCursor::reset() {
    path_.clear();
    chainNext_ = 0;
    pagesRead_ = 0;
    previous_.reset();
    onEntry_ = false;
    row_.reset();
}

void IndexCursor::corrupt(uint32_t pageNumber, const std::string& what) const {
    throwCorrupt("index '" + index_.name + "' of table '" + def_->name + "', page " +
                 std::to_string(pageNumber) + ": " + what);
}

void IndexCursor::push(uint32_t pageNumber, const std::vector<uint8_t>* seekKey) {
    PageStore& pages = db_.pages();
    if (pageNumber == 0 || pageNumber >= pages.pageCount()) {
        corrupt(pageNumber, "the page is not in the file");
    }
    for (const Level& level : path_) {
        if (level.pageNumber == pageNumber) corrupt(pageNumber, "the tree loops back on itself");
    }
    if (path_.size() >= kMaxDepth) corrupt(pageNumber, "the tree is impossibly deep");
    // A sound walk reads each page once; more reads than pages means a loop
    // the ancestor check cannot see (through next-page links or shared children).
    if (++pagesRead_ > pages.pageCount()) {
        corrupt(pageNumber, "the walk reads more pages than the file holds");
    }

    Level level;
    level.pageNumber = pageNumber;
    parseInto(level, seekKey);
    if (level.page().tableDefPage != def_->tdefPage) {
        corrupt(pageNumber, "the page belongs to the table on page " +
                                std::to_string(level.page().tableDefPage));
    }
    if (!level.page().leaf && level.children().empty()) {
        corrupt(pageNumber, "an intermediate page has no children");
    }
    path_.push_back(std::move(level));
}

void IndexCursor::parseInto(Level& level, const std::vector<uint8_t>* seekKey) {
    // Seeks start at the root each time, and a join seeks once per row: the
    // pages near the root are parsed once and shared while their bytes are
    // the ones parsed (a page changed by a transaction comes back from the
    // store as another object, and the entry holds the old one, so its
    // address is not reused).
    struct CachedPage {
        PageRef raw;
        std::shared_ptr<const ParsedPage> parsed;
    };
    constexpr size_t kCachedPages = 256;
    thread_local std::map<std::pair<const PageStore*, uint32_t>, CachedPage> cache;

    const uint32_t pageNumber = level.pageNumber;
    PageStore& pages = db_.pages();
    PageRef raw = pages.page(pageNumber);
    // Inside a transaction a changed page is one object changed in place,
    // so nothing read there is kept.
    const bool cacheable = !pages.inTransaction();
    const auto key = std::make_pair(static_cast<const PageStore*>(&pages), pageNumber);
    if (auto found = cache.find(key);
        cacheable && found != cache.end() && found->second.raw == raw) {
        level.parsed = found->second.parsed;
        return;
    }
    IndexPageView view;
    try {
        view = viewIndexPage(*raw, isJet3(db_.version()));
    } catch (const Error& e) {
        if (e.code() != ErrorCode::Corrupt) throw;
        corrupt(pageNumber, e.what());
    }
    if (view.header.leaf) {
        // A seek needs the entry it stops on and usually a few after it, a
        // TOP n walk from the start n entries: leaves are built in batches.
        auto batches = std::make_shared<LeafBatches>();
        batches->raw = raw;
        batches->view = std::move(view);
        batches->nextEntry = seekKey ? firstEntryNotBefore(batches->view, *seekKey) : 0;
        batches->batchSize = 8;
        auto none = std::make_shared<ParsedPage>();
        none->page = batches->view.header;
        level.parsed = std::move(none);
        level.batches = std::move(batches);
        nextBatch(level);
        return;
    }
    auto parsed = std::make_shared<ParsedPage>();
    try {
        parsed->page = view.header;
        parsed->page.entries.reserve(view.bounds.size());
        appendIndexEntries(view, 0, view.bounds.size(), parsed->page.entries);
    } catch (const Error& e) {
        if (e.code() != ErrorCode::Corrupt) throw;
        corrupt(pageNumber, e.what());
    }
    if (!parsed->page.leaf) {
        for (const IndexEntry& e : parsed->page.entries) parsed->children.push_back(e.childPage);
        const uint32_t tail = parsed->page.tailPage;
        if (tail != 0 && std::find(parsed->children.begin(), parsed->children.end(), tail) ==
                             parsed->children.end()) {
            parsed->children.push_back(tail);
        }
        // Leaves are read once per walk; only the pages above them are kept.
        if (cacheable) {
            if (cache.size() >= kCachedPages) cache.clear();
            cache[key] = CachedPage{raw, parsed};
        }
    }
    level.parsed = std::move(parsed);
}

bool IndexCursor::nextBatch(Level& level) {
    LeafBatches& batches = *level.batches;
    if (batches.nextEntry >= batches.view.bounds.size()) return false;
    auto parsed = std::make_shared<ParsedPage>();
    parsed->page = batches.view.header;
    try {
        appendIndexEntries(batches.view, batches.nextEntry, batches.batchSize,
                           parsed->page.entries);
    } catch (const Error& e) {
        if (e.code() != ErrorCode::Corrupt) throw;
        corrupt(level.pageNumber, e.what());
    }
    batches.nextEntry += parsed->page.entries.size();
    // A walk that goes on is likely to go on further.
    batches.batchSize = std::min<size_t>(batches.batchSize * 4, 1024);
    // The first entry of a batch must follow the last of the one before,
    // as across pages.
    if (!level.parsed->page.entries.empty()) previous_ = level.parsed->page.entries.back();
    level.parsed = std::move(parsed);
    level.position = 0;
    return true;
}

void IndexCursor::descendLeftmost(uint32_t pageNumber) {
    push(pageNumber);
    while (!path_.back().page().leaf) push(path_.back().children().front());
}

bool IndexCursor::moveToNextLeaf() {
    chainNext_ = path_.back().page().nextPage;
    if (!path_.back().page().entries.empty()) previous_ = path_.back().page().entries.back();
    path_.pop_back();
    while (!path_.empty()) {
        Level& top = path_.back();
        if (++top.position < top.children().size()) {
            descendLeftmost(top.children()[top.position]);
            return true;
        }
        path_.pop_back();
    }
    if (chainNext_ == 0) return false;
    const uint32_t pageNumber = chainNext_;
    push(pageNumber);
    if (!path_.back().page().leaf) corrupt(pageNumber, "a leaf links to a page that is no leaf");
    return true;
}

bool IndexCursor::settle() {
    onEntry_ = false;
    row_.reset();
    while (!path_.empty()) {
        Level& leaf = path_.back();
        if (leaf.position >= leaf.page().entries.size()) {
            if (leaf.batches && nextBatch(leaf)) continue;
            if (!moveToNextLeaf()) break;
            continue;
        }
        const IndexEntry& entry = leaf.page().entries[leaf.position];
        // Within a page the parser has checked the order; across pages the
        // first entry must follow the last one of the leaf before.
        if (leaf.position == 0 && previous_) {
            if (!indexEntryLess(*previous_, entry)) {
                corrupt(leaf.pageNumber, "its entries do not follow those of the page before");
            }
            previous_.reset();
        }
        if (reading_ == IndexReading::KeysOnly) {
            onEntry_ = true;
            return true;
        }
        row_ = readRow(db_, *def_, RowPointer{entry.dataPage, entry.dataRow});
        onEntry_ = row_.has_value();
        if (row_) return true;
        ++staleEntries_;
        ++leaf.position;
    }
    path_.clear();
    return false;
}

bool IndexCursor::first() {
    reset();
    descendLeftmost(rootPage_);
    return settle();
}

bool IndexCursor::next() {
    if (atEnd()) return false;
    ++path_.back().position;
    return settle();
}

bool IndexCursor::seek(const std::vector<Value>& key) {
    const std::vector<uint8_t> target = encodeKey(key);
    reset();
    uint32_t pageNumber = rootPage_;
    for (;;) {
        push(pageNumber, &target);
        Level& level = path_.back();
        // A leaf built in batches starts at the entry sought.
        if (level.batches) break;
        const auto& entries = level.page().entries;
        // Intermediate entries hold the last entry of their child: the first
        // child whose last key is not before the target holds the first entry
        // that is not, or (past the listed ones) the tail child does.
        auto found = std::lower_bound(
            entries.begin(), entries.end(), target,
            [](const IndexEntry& e, const std::vector<uint8_t>& t) { return keyLess(e.key, t); });
        level.position = static_cast<size_t>(found - entries.begin());
        if (level.page().leaf) break;
        // Beyond every child: the leaf search runs off its end and settle()
        // goes on from there, through any linked leaves.
        level.position = std::min(level.position, level.children().size() - 1);
        pageNumber = level.children()[level.position];
    }
    return settle();
}

bool IndexCursor::seekExact(const std::vector<Value>& key) {
    return seek(key) && matches(key);
}

bool IndexCursor::matches(const std::vector<Value>& key) const {
    if (atEnd()) return false;
    const std::vector<uint8_t> wanted = encodeKey(key);
    const std::vector<uint8_t>& stored = currentEntry().key;
    // Column keys delimit themselves, so a byte prefix is a match on the
    // leading columns.
    if (key.size() == keyColumns_.size()) return stored == wanted;
    return stored.size() >= wanted.size() &&
           std::equal(wanted.begin(), wanted.end(), stored.begin());
}

bool IndexCursor::canEncodeKey(const std::vector<Value>& key) const {
    if (key.size() > keyColumns_.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        const KeyColumn& k = keyColumns_[i];
        if (isTextType(k.column->type) && !k.textOrder) return false;
        if (!indexKeyAccepts(key[i], k.column->type)) return false;
    }
    return true;
}

std::vector<uint8_t> IndexCursor::encodeKey(const std::vector<Value>& key) const {
    if (key.size() > keyColumns_.size()) {
        throw Error(ErrorCode::InvalidArgument,
                    std::to_string(key.size()) + " values for index '" + index_.name +
                        "', which has " + std::to_string(keyColumns_.size()) + " columns");
    }
    std::vector<uint8_t> out;
    for (size_t i = 0; i < key.size(); ++i) {
        const KeyColumn& k = keyColumns_[i];
        if (isTextType(k.column->type) && !k.textOrder) {
            throw Error(ErrorCode::Unsupported, "Index keys in the sort order of column '" +
                                                    k.column->name + "' are not supported");
        }
        appendIndexKey(out, key[i], k.column->type, k.ascending,
                       k.textOrder.value_or(SortOrderKind::General97), numericForm_);
    }
    return out;
}

const IndexEntry& IndexCursor::currentEntry() const {
    if (atEnd()) throw Error(ErrorCode::InvalidArgument, "The index cursor is not on a row");
    const Level& leaf = path_.back();
    return leaf.page().entries[leaf.position];
}

RowPointer IndexCursor::rowId() const {
    const IndexEntry& e = currentEntry();
    return RowPointer{e.dataPage, e.dataRow};
}

const std::vector<uint8_t>& IndexCursor::key() const {
    return currentEntry().key;
}

const std::vector<Value>& IndexCursor::values() const {
    if (!row_) throw Error(ErrorCode::InvalidArgument, "The index cursor is not on a row");
    return *row_;
}

}  // namespace jet
