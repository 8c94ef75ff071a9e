// Index check: the keys every row must have, built as Access builds them,
// against the entries of the index's leaves; the tree's shape, links, order
// and prefix compression on the way.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>

#include "jet/catalog/consistency_check_internal.h"
#include "jet/format/usage_map.h"
#include "jet/table/index_cursor.h"
#include "jet/util/bytes.h"

namespace jet::consistency {
namespace {

// Far deeper than any tree Access builds; only a damaged file comes near it.
constexpr size_t kMaxDepth = 32;

bool sameEntry(const IndexEntry& a, const IndexEntry& b) {
    return a.key == b.key && a.dataPage == b.dataPage && a.dataRow == b.dataRow;
}

size_t commonPrefix(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// The bytes an entry takes on its page without prefix compression.
std::vector<uint8_t> wholeEntry(const IndexEntry& e, bool leaf) {
    std::vector<uint8_t> out = e.key;
    out.push_back(static_cast<uint8_t>(e.dataPage >> 16));
    out.push_back(static_cast<uint8_t>(e.dataPage >> 8));
    out.push_back(static_cast<uint8_t>(e.dataPage));
    out.push_back(e.dataRow);
    if (!leaf) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<uint8_t>(e.childPage >> shift));
        }
    }
    return out;
}

struct IndexPageFields {
    size_t freeSpace;
    size_t prefixLength;
    size_t entryArea;  // bytes from the first entry to the end of the page
};

IndexPageFields readIndexPageFields(Bytes raw, bool jet3) {
    IndexPageFields f;
    f.freeSpace = readU16(raw, 2, "the index page's free space");
    f.prefixLength = jet3 ? readU8(raw, 0x14, "the index prefix length")
                          : readU16(raw, 0x18, "the index prefix length");
    f.entryArea = raw.size() - (jet3 ? 0xf8 : 0x1e0);
    return f;
}

// What Access writes as an index page's shared prefix and free space.
// Access compresses a page when its entries would not fit in full, storing a
// prefix no longer than what the first and the last entry share (whole
// entries, row pointers included). It chooses the length at some earlier
// moment and does not lengthen it as entries come and go, so any length up
// to what they share is sound, as long as the stored entries fit. A page
// whose entries fit keeps 0, or a prefix left from before. The free space
// is what the stored entries leave of the entry area.
void checkPageFields(const IndexPage& page, const IndexPageFields& fields,
                     const std::function<void(const std::string&)>& problem) {
    size_t whole = 0;
    for (const IndexEntry& e : page.entries) whole += wholeEntry(e, page.leaf).size();
    size_t shared = 0;
    if (page.entries.size() > 1) {
        shared = commonPrefix(wholeEntry(page.entries.front(), page.leaf),
                              wholeEntry(page.entries.back(), page.leaf));
    }
    if (fields.prefixLength > shared) {
        problem("the shared prefix length is " + std::to_string(fields.prefixLength) +
                ", the entries share " + std::to_string(shared) + " bytes");
        return;
    }
    const size_t stored =
        page.entries.empty() ? 0 : whole - fields.prefixLength * (page.entries.size() - 1);
    if (stored > fields.entryArea) {
        problem("the entries take " + std::to_string(stored) + " bytes with a shared prefix of " +
                std::to_string(fields.prefixLength) + ", the page holds " +
                std::to_string(fields.entryArea));
    } else if (fields.freeSpace != fields.entryArea - stored) {
        problem("the free space is " + std::to_string(fields.freeSpace) + ", the entries leave " +
                std::to_string(fields.entryArea - stored));
    }
}

std::string describeEntry(const IndexEntry& e) {
    return "the entry for " + describeRow(RowPointer{e.dataPage, e.dataRow});
}

// Walks one index tree, collecting its leaf entries in tree order and
// reporting what does not fit together.
class TreeWalk {
public:
    TreeWalk(Database& db, const TableDef& def, ProblemSink& problems)
        : db_(db), def_(def), problems_(problems), jet3_(isJet3(db.version())) {}

    void run(uint32_t root) {
        visit(root, 0, nullptr);
        checkLevels();
    }
    const std::vector<std::pair<uint32_t, IndexEntry>>& leafEntries() const { return leafEntries_; }
    const std::set<uint32_t>& pagesVisited() const { return visited_; }

private:
    struct Link {
        uint32_t page = 0, prev = 0, next = 0;
        bool unreadable = false;
    };

    void problem(uint32_t page, const std::string& what) {
        problems_.add("page " + std::to_string(page) + ": " + what);
    }

    void visit(uint32_t pageNumber, size_t depth, const IndexEntry* parentEntry) {
        if (pageNumber == 0 || pageNumber >= db_.pages().pageCount()) {
            problems_.add("a child page " + std::to_string(pageNumber) + " is not in the file");
            return;
        }
        if (!visited_.insert(pageNumber).second) {
            problem(pageNumber, "the tree reaches this page twice");
            return;
        }
        if (depth > kMaxDepth) {
            problem(pageNumber, "the tree is impossibly deep");
            return;
        }
        IndexPage page;
        try {
            PageRef raw = db_.pages().page(pageNumber);
            page = parseIndexPage(*raw, jet3_);
            checkPageFields(page, readIndexPageFields(*raw, jet3_),
                            [&](const std::string& what) { problem(pageNumber, what); });
        } catch (const Error& e) {
            problem(pageNumber, e.what());
            // Its neighbours' links still name it; what lies below it is
            // unknown, so links are not judged from its level down.
            if (levels_.size() <= depth) levels_.resize(depth + 1);
            levels_[depth].push_back(Link{pageNumber, 0, 0, true});
            brokenDepth_ = std::min(brokenDepth_, depth);
            return;
        }
        if (page.tableDefPage != def_.tdefPage) {
            problem(pageNumber,
                    "the page belongs to the table on page " + std::to_string(page.tableDefPage));
        }
        if (levels_.size() <= depth) levels_.resize(depth + 1);
        levels_[depth].push_back(Link{pageNumber, page.prevPage, page.nextPage, false});

        if (parentEntry) {
            if (page.entries.empty()) {
                problem(pageNumber, "the page has no entries, yet its parent lists it");
            } else if (indexEntryLess(*parentEntry, page.entries.back())) {
                // Access leaves a parent's entry as it was when rows at the
                // end of the child go, so it may lie past the child's last
                // entry; below it, a seek would miss the child's last rows.
                problem(pageNumber, "its last entry lies past its parent's entry for it");
            }
        }
        if (page.leaf) {
            leafDepths_.insert(depth);
            for (IndexEntry& e : page.entries) {
                if (!leafEntries_.empty() && !indexEntryLess(leafEntries_.back().second, e)) {
                    problem(pageNumber, describeEntry(e) + " does not follow " +
                                            describeEntry(leafEntries_.back().second) +
                                            " of page " +
                                            std::to_string(leafEntries_.back().first));
                }
                leafEntries_.emplace_back(pageNumber, std::move(e));
            }
            return;
        }
        if (page.entries.empty() && page.tailPage == 0) {
            problem(pageNumber, "an intermediate page has no children");
        }
        bool tailListed = page.tailPage == 0;
        for (const IndexEntry& e : page.entries) {
            if (e.childPage == page.tailPage) tailListed = true;
            visit(e.childPage, depth + 1, &e);
        }
        if (!tailListed) visit(page.tailPage, depth + 1, nullptr);
    }

    // Pages of one level form a chain in tree order: each names its
    // neighbours, the ends name none.
    void checkLevels() {
        if (leafDepths_.size() > 1 && brokenDepth_ == SIZE_MAX)
            problems_.add("its leaves are not all at the same depth");
        for (size_t depth = 0; depth < levels_.size() && depth <= brokenDepth_; ++depth) {
            const std::vector<Link>& level = levels_[depth];
            for (size_t i = 0; i < level.size(); ++i) {
                if (level[i].unreadable) continue;
                uint32_t prev = i == 0 ? 0 : level[i - 1].page;
                uint32_t next = i + 1 == level.size() ? 0 : level[i + 1].page;
                if (level[i].prev != prev) {
                    problem(level[i].page, "the previous-page link is " +
                                               std::to_string(level[i].prev) + " instead of " +
                                               std::to_string(prev));
                }
                if (level[i].next != next) {
                    problem(level[i].page, "the next-page link is " +
                                               std::to_string(level[i].next) + " instead of " +
                                               std::to_string(next));
                }
            }
        }
    }

    Database& db_;
    const TableDef& def_;
    ProblemSink& problems_;
    bool jet3_;
    std::set<uint32_t> visited_;
    std::set<size_t> leafDepths_;
    size_t brokenDepth_ = SIZE_MAX;  // the shallowest level with an unreadable page
    std::vector<std::vector<Link>> levels_;
    std::vector<std::pair<uint32_t, IndexEntry>> leafEntries_;
};

std::string indexLabel(const TableDef& def, size_t realIndex) {
    for (const IndexDef& index : def.indexes) {
        if (index.realIndex >= 0 && static_cast<size_t>(index.realIndex) == realIndex) {
            return "index '" + index.name + "' of " + tableLabel(def);
        }
    }
    return "index #" + std::to_string(realIndex) + " of " + tableLabel(def);
}

}  // namespace

IndexVerifier::IndexVerifier(Database& db, std::shared_ptr<const TableDef> def, size_t realIndex,
                             CheckReport& report)
    : db_(db), def_(std::move(def)), realIndex_(realIndex), report_(report) {
    label_ = indexLabel(*def_, realIndex_);
    const RealIndexDef& real = def_->realIndexes.at(realIndex_);
    ignoresNulls_ = (real.flags & kIndexIgnoreNulls) != 0;
    unique_ = (real.flags & kIndexUnique) != 0;
    const IndexKeyForms fileForms = indexKeyForms(db_.header().sortOrder, db_.version());
    numericForm_ = fileForms.numeric;
    for (const IndexColumn& ic : real.columns) {
        const ColumnDef* column = def_->columnByNumber(ic.columnNumber);
        if (!column) {
            report_.problems.push_back(label_ + ": it names column number " +
                                       std::to_string(ic.columnNumber) +
                                       ", which the table does not have");
            keysSkipped_ = "";
            continue;
        }
        KeyColumn key;
        key.valueIndex = static_cast<size_t>(column - def_->columns.data());
        // A complex column stores the 4-byte key of its values' rows in
        // another table, and its index orders that key as a Long.
        key.type = column->type == DataType::Complex ? DataType::Long : column->type;
        key.ascending = ic.ascending;
        if (isTextType(column->type)) {
            std::optional<SortOrderKind> order = fileForms.text;
            if (column->sortLcid != 0) {
                order =
                    indexKeyForms(SortOrder{column->sortLcid, column->sortVersion}, db_.version())
                        .text;
            }
            if (!order) {
                keysSkipped_ = "text column '" + column->name + "' uses sort order " +
                               std::to_string(column->sortLcid) + " version " +
                               std::to_string(column->sortVersion) +
                               ", whose keys the engine cannot build";
                continue;
            }
            key.textOrder = *order;
        }
        columns_.push_back(key);
    }
}

void IndexVerifier::addRow(RowPointer id, const std::vector<Value>& values) {
    if (keysSkipped_) return;
    ExpectedEntry e;
    e.entry.dataPage = id.page;
    e.entry.dataRow = id.row;
    e.allNull = true;
    try {
        for (const KeyColumn& c : columns_) {
            const Value& v = values.at(c.valueIndex);
            // A Boolean has no null: it is keyed as false.
            if (!v.isNull() || c.type == DataType::Boolean) e.allNull = false;
            appendIndexKey(e.entry.key, v, c.type, c.ascending, c.textOrder, numericForm_);
        }
    } catch (const Error& err) {
        if (err.code() == ErrorCode::Unsupported) {
            keysSkipped_ = err.what();
            expected_.clear();
            return;
        }
        report_.problems.push_back(label_ + ": the key of " + describeRow(id) +
                                   " cannot be built: " + err.what());
        return;
    }
    if (ignoresNulls_ && e.allNull) return;
    expected_.push_back(std::move(e));
}

void IndexVerifier::verify() {
    ProblemSink problems(report_, label_);
    const RealIndexDef& real = def_->realIndexes.at(realIndex_);
    TreeWalk walk(db_, *def_, problems);
    walk.run(real.rootPage);
    try {
        std::vector<uint32_t> mapped =
            readUsageMap(db_.pages(), db_.version(), real.usageMapPointer);
        for (uint32_t page : walk.pagesVisited()) {
            if (!std::binary_search(mapped.begin(), mapped.end(), page)) {
                problems.add("page " + std::to_string(page) +
                             " is in the tree but not in the usage map");
            }
        }
    } catch (const Error& e) {
        problems.add(std::string("its usage map: ") + e.what());
    }
    const auto& actual = walk.leafEntries();
    report_.indexEntriesChecked += actual.size();
    if (keysSkipped_) {
        if (!keysSkipped_->empty()) {
            report_.notes.push_back(label_ + ": keys not compared: " + *keysSkipped_);
        }
        return;
    }

    std::sort(expected_.begin(), expected_.end(),
              [](const ExpectedEntry& a, const ExpectedEntry& b) {
                  return indexEntryLess(a.entry, b.entry);
              });
    if (unique_) {
        for (size_t i = 1; i < expected_.size(); ++i) {
            const ExpectedEntry& a = expected_[i - 1];
            const ExpectedEntry& b = expected_[i];
            if (a.entry.key == b.entry.key && !a.allNull) {
                problems.add(describeRow({a.entry.dataPage, a.entry.dataRow}) + " and " +
                             describeRow({b.entry.dataPage, b.entry.dataRow}) +
                             " share a key of this unique index");
            }
        }
    }

    std::vector<const std::pair<uint32_t, IndexEntry>*> found;
    found.reserve(actual.size());
    for (const auto& a : actual) found.push_back(&a);
    std::sort(found.begin(), found.end(),
              [](const auto* a, const auto* b) { return indexEntryLess(a->second, b->second); });
    size_t i = 0, j = 0;
    while (i < expected_.size() || j < found.size()) {
        const IndexEntry* want = i < expected_.size() ? &expected_[i].entry : nullptr;
        const IndexEntry* have = j < found.size() ? &found[j]->second : nullptr;
        if (want && have && sameEntry(*want, *have)) {
            ++i;
            ++j;
        } else if (want && (!have || indexEntryLess(*want, *have))) {
            problems.add(describeRow({want->dataPage, want->dataRow}) +
                         " has no entry with the key its values give");
            ++i;
        } else {
            problems.add("page " + std::to_string(found[j]->first) + ": " + describeEntry(*have) +
                         " matches no row's key");
            ++j;
        }
    }
}

}  // namespace jet::consistency
