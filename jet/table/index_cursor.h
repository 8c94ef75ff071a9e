// Reads one logical index of a table in key order, and seeks in it.
//
// The cursor walks the index B-tree Access wrote: it descends from the root
// to the leftmost leaf, moves through the leaves in tree order (an
// intermediate page's children are its entries' child pages, then its "tail"
// child, a last page Access has not yet listed in the entries) and, when the
// tree is exhausted, follows the last leaf's next-page link as long as there
// is one, for leaves appended but not yet linked into the tree. In a sound
// file that link is zero and the tree order equals the leaf chain.
//
// Every entry it stops on names a live row of the table, read with readRow.
// An entry whose row is gone (deleted, or its page given to another table)
// cannot occur in a file Access closed cleanly; the cursor steps over such
// entries, so callers see the rows that exist, and counts them in
// staleEntries() for tools that want to report the damage.
//
// Damage in the tree itself gives jet::Error (Corrupt), never a hang: a page
// that is not an index page of this table, a child page that is one of its
// own ancestors, entries that do not ascend from one page to the next, or a
// walk that visits more pages than the file holds.
//
// Memory: the parsed pages on the path from the root to the current leaf and
// the current row; nothing grows with the index. Not thread-safe, like the
// Database it reads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/header.h"
#include "jet/format/index_key.h"
#include "jet/format/index_page.h"
#include "jet/format/page_types.h"
#include "jet/format/sort_order.h"
#include "jet/format/table_def.h"

namespace jet {

// How the keys of a file's indexes are built. `text` is empty when the
// engine cannot build text keys in that sort order; walking such an index
// still works, seeking on a text column does not.
struct IndexKeyForms {
    std::optional<SortOrderKind> text;
    NumericKeyForm numeric = NumericKeyForm::Jet;
};

// The key forms for text in sort order `order` in a file of `version`. Exact
// for the General sort orders (locale 1033): General in Jet 3 files, General
// legacy (version 0) and General 2010 (version 1) in Jet 4 and ACE files.
// Every other locale, and sort order versions after 1, give no text form.
// Numeric keys follow the file: the Jet form in Jet 3 and Jet 4 files, the
// corrected ACE form in .accdb files.
IndexKeyForms indexKeyForms(const SortOrder& order, JetVersion version);

// The sort order text of `db` is ordered in: its General sort order, and
// General for the sort orders of other languages, whose keys the engine
// approximates the same way when it writes indexes.
SortOrderKind textSortOrderOf(const Database& db);

// Whether the index keys of text column `column` order text exactly as
// textSortOrderOf(db) does: the column is keyed in an exact General sort
// order, the database's own (a column may carry a sort order of its own).
bool textKeysInDatabaseOrder(const Database& db, const ColumnDef& column);

// What the cursor reads at each entry: the row it names (checked to exist,
// its values decoded), or the entry alone, for counting and estimating,
// where reading a row for every entry would cost what the index saves.
enum class IndexReading { Rows, KeysOnly };

class IndexCursor {
public:
    // `index` is one of def->indexes. Throws jet::Error (Corrupt) when the
    // index names a column the table does not have. With KeysOnly every
    // entry is stopped on, values() is not available and no stale entries
    // are seen.
    IndexCursor(Database& db, std::shared_ptr<const TableDef> def, const IndexDef& index,
                IndexReading reading = IndexReading::Rows);

    // Moves to the first entry; false when the index has none.
    bool first();
    // Moves to the next entry in key order; false at the end (and after it).
    bool next();
    // Moves to the first entry whose key is at or after `key`: values for the
    // first key.size() columns of the index (fewer than all of them seeks on
    // a leading part). False when every entry is before it. Throws jet::Error
    // (InvalidArgument) for more values than the index has columns or a value
    // that does not fit its column, (Unsupported) for a column whose keys
    // cannot be built (see indexKeyForms and appendIndexKey).
    bool seek(const std::vector<Value>& key);
    // seek(), then whether the entry found equals `key`.
    bool seekExact(const std::vector<Value>& key);
    // Whether the current entry equals `key` on the first key.size() columns,
    // as the index compares them (text by its sort order, so without regard
    // to case). False at the end.
    bool matches(const std::vector<Value>& key) const;

    // Whether seek() and matches() can build the key of `key`: no more
    // values than the index has columns, each of its column's kind and
    // range, text only in a sort order whose keys are built. A planner asks
    // this before it chooses the index, so that a seek never fails.
    bool canEncodeKey(const std::vector<Value>& key) const;

    bool atEnd() const { return !onEntry_; }
    // The current entry; these throw jet::Error (InvalidArgument) at the end.
    RowPointer rowId() const;
    const std::vector<uint8_t>& key() const;  // the entry's key bytes as stored
    // The current row's values, in the order of def().columns (Rows only).
    const std::vector<Value>& values() const;

    // The stored key bytes of `key` (leading columns), as seek compares them.
    std::vector<uint8_t> encodeKey(const std::vector<Value>& key) const;

    const TableDef& def() const { return *def_; }
    const IndexDef& index() const { return index_; }
    // Entries passed over because their row does not exist.
    size_t staleEntries() const { return staleEntries_; }

private:
    struct KeyColumn {
        const ColumnDef* column;
        bool ascending;
        std::optional<SortOrderKind> textOrder;
    };
    // One page on the path from the root: `position` is the current entry of
    // a leaf, or the current child of an intermediate page.
    // An index page as parsed, with its children in tree order; shared
    // with other cursors while the page's bytes stay the same.
    struct ParsedPage {
        IndexPage page;
        std::vector<uint32_t> children;
    };
    // A leaf is built a batch of entries at a time, from its first entry or
    // the one a seek stops on: `parsed` holds the batch, `nextEntry` the
    // page's first entry after it.
    struct LeafBatches {
        PageRef raw;  // the bytes `view` refers to
        IndexPageView view;
        size_t nextEntry = 0;
        size_t batchSize = 0;
    };
    struct Level {
        uint32_t pageNumber = 0;
        std::shared_ptr<const ParsedPage> parsed;
        size_t position = 0;
        std::shared_ptr<LeafBatches> batches;  // a leaf built in batches; null otherwise
        const IndexPage& page() const { return parsed->page; }
        const std::vector<uint32_t>& children() const { return parsed->children; }
    };
    // An intermediate page parsed whole (shared while its bytes stay the
    // same); a leaf's first batch, from the first entry not before `seekKey`
    // when one is given.
    void parseInto(Level& level, const std::vector<uint8_t>* seekKey);
    // Builds the next batch of a leaf built in batches; false when the page
    // has no more entries.
    bool nextBatch(Level& level);

    void reset();
    void push(uint32_t pageNumber, const std::vector<uint8_t>* seekKey = nullptr);
    void descendLeftmost(uint32_t pageNumber);
    bool settle();
    bool moveToNextLeaf();
    const IndexEntry& currentEntry() const;
    [[noreturn]] void corrupt(uint32_t pageNumber, const std::string& what) const;

    Database& db_;
    std::shared_ptr<const TableDef> def_;
    IndexDef index_;
    uint32_t rootPage_ = 0;
    std::vector<KeyColumn> keyColumns_;
    NumericKeyForm numericForm_ = NumericKeyForm::Jet;

    std::vector<Level> path_;
    uint32_t chainNext_ = 0;  // next-page link of the last leaf left behind
    size_t pagesRead_ = 0;    // since the last first() or seek(): bounds the walk
    std::optional<IndexEntry> previous_;
    IndexReading reading_ = IndexReading::Rows;
    bool onEntry_ = false;
    std::optional<std::vector<Value>> row_;
    size_t staleEntries_ = 0;
};

}  // namespace jet
