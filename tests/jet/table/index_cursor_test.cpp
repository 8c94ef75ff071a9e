// The index cursor against the indexes Access wrote: a walk gives the rows a
// table scan gives, in the order of their keys; seeks land on the first entry
// not before the key; damaged trees give jet::Error, never a hang.
#include "jet/table/index_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/format/index_page.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using Key = std::vector<uint8_t>;

std::string rowText(RowPointer p) {
    return std::to_string(p.page) + "/" + std::to_string(p.row);
}

std::string rowsText(const std::vector<RowPointer>& rows) {
    std::string s;
    for (RowPointer p : rows) s += rowText(p) + " ";
    return s;
}

// The values of the index's columns, in index order, from a whole row.
std::vector<Value> indexValues(const TableDef& def, const IndexDef& index,
                               const std::vector<Value>& row) {
    std::vector<Value> out;
    for (const IndexColumn& c : def.realIndexOf(index).columns) {
        for (size_t i = 0; i < def.columns.size(); ++i) {
            if (def.columns[i].number == c.columnNumber) out.push_back(row.at(i));
        }
    }
    return out;
}

// The key of `values`, or nothing when the engine cannot key these columns.
std::optional<Key> tryEncode(const IndexCursor& cursor, const std::vector<Value>& values) {
    try {
        return cursor.encodeKey(values);
    } catch (const Error& e) {
        if (e.code() != ErrorCode::Unsupported && e.code() != ErrorCode::InvalidArgument) throw;
        return std::nullopt;
    }
}

struct WalkedEntry {
    RowPointer row;
    Key key;
    std::vector<Value> values;  // of the index columns
};

std::vector<WalkedEntry> walk(IndexCursor& cursor) {
    std::vector<WalkedEntry> out;
    for (bool ok = cursor.first(); ok; ok = cursor.next()) {
        out.push_back({cursor.rowId(), cursor.key(),
                       indexValues(cursor.def(), cursor.index(), cursor.values())});
    }
    return out;
}

// Every index of every table, system tables included.
template <typename Visit>
void forEachIndex(Database& db, Visit visit) {
    for (const CatalogObject* t : db.tables(true)) {
        auto def = db.tableAt(t->tdefPage(), t->name);
        for (const IndexDef& index : def->indexes) visit(def, index);
    }
}

struct IndexFixture {
    const char* file;
    size_t minOrderedIndexes;  // indexes whose order is checked key by key
    size_t minOrderedEntries;  // their entries, so a walk that stops early cannot pass
};

void PrintTo(const IndexFixture& c, std::ostream* os) {
    *os << c.file;
}

class IndexCursorFixtureTest : public ::testing::TestWithParam<IndexFixture> {};

// ---------------------------------------------------------------------------
// A walk visits the rows a scan finds (less those an ignore-nulls index
// leaves out), ordered by key, equal keys by row, with the row's values.

TEST_P(IndexCursorFixtureTest, WalkEqualsScanSortedByKey) {
    const IndexFixture& c = GetParam();
    auto db = Database::open(testing_support::fixture(c.file));
    size_t orderedIndexes = 0;
    size_t orderedEntries = 0;
    forEachIndex(*db, [&](const std::shared_ptr<const TableDef>& def, const IndexDef& index) {
        SCOPED_TRACE(def->name + "." + index.name);
        IndexCursor cursor(*db, def, index);
        const bool ignoreNulls = (def->realIndexOf(index).flags & kIndexIgnoreNulls) != 0;

        std::map<RowPointer, std::vector<Value>> rows;
        std::vector<std::pair<Key, RowPointer>> expected;
        bool keyed = true;
        TableScan scan(*db, def);
        while (scan.next()) {
            std::vector<Value> row = scan.values();
            const std::vector<Value> key = indexValues(*def, index, row);
            const bool allNull =
                std::all_of(key.begin(), key.end(), [](const Value& v) { return v.isNull(); });
            if (!(ignoreNulls && allNull)) {
                std::optional<Key> bytes = tryEncode(cursor, key);
                keyed = keyed && bytes.has_value();
                expected.emplace_back(bytes.value_or(Key{}), scan.rowId());
            }
            rows.emplace(scan.rowId(), std::move(row));
        }
        // Unkeyable columns (complex ones): the same rows, order unchecked.
        std::sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            if (keyed && a.first != b.first) return a.first < b.first;
            return a.second < b.second;
        });
        std::vector<RowPointer> expectedRows;
        for (const auto& e : expected) expectedRows.push_back(e.second);

        std::vector<RowPointer> walked;
        for (bool ok = cursor.first(); ok; ok = cursor.next()) {
            walked.push_back(cursor.rowId());
            auto row = rows.find(cursor.rowId());
            ASSERT_NE(row, rows.end()) << "the index names row " << rowText(cursor.rowId());
            EXPECT_EQ(cursor.values(), row->second) << rowText(cursor.rowId());
        }
        EXPECT_FALSE(cursor.next());
        EXPECT_EQ(cursor.staleEntries(), 0u);
        if (!keyed) std::sort(walked.begin(), walked.end());
        EXPECT_EQ(rowsText(walked), rowsText(expectedRows));
        if (keyed) {
            ++orderedIndexes;
            orderedEntries += walked.size();
        }
    });
    EXPECT_GE(orderedIndexes, c.minOrderedIndexes);
    EXPECT_GE(orderedEntries, c.minOrderedEntries);
}

// ---------------------------------------------------------------------------
// Seeks: every key of the index, keys beside them (one step either way in a
// column, a leading part of the key) and keys past the end.

// Values one step before and after `v` in its column, where there are any.
std::vector<Value> neighbours(const Value& v) {
    std::vector<Value> out;
    if (v.is<bool>()) {
        out.push_back(Value::boolean(!v.as<bool>()));
    } else if (v.is<int64_t>()) {
        out = {Value::integer(v.as<int64_t>() - 1), Value::integer(v.as<int64_t>() + 1)};
    } else if (v.is<float>()) {
        out = {Value::single(v.as<float>() - 0.5f), Value::single(v.as<float>() + 0.5f)};
    } else if (v.is<double>()) {
        out = {Value::real(v.as<double>() - 0.5), Value::real(v.as<double>() + 0.5)};
    } else if (v.is<CurrencyValue>()) {
        const int64_t c = v.as<CurrencyValue>().tenThousandths;
        out = {Value::currency(c - 1), Value::currency(c + 1)};
    } else if (v.is<DateTimeValue>()) {
        const double d = v.as<DateTimeValue>().days;
        out = {Value::dateTime(d - 0.5), Value::dateTime(d + 0.5)};
    } else if (v.is<std::string>()) {
        const std::string& s = v.as<std::string>();
        out = {Value::text(s + "0"), Value::text(s + "~")};
        if (!s.empty()) out.push_back(Value::text(s.substr(0, s.size() - 1)));
    } else if (v.is<Blob>()) {
        for (uint8_t extra : {0x00, 0xff}) {
            Blob b = v.as<Blob>();
            b.push_back(extra);
            out.push_back(Value::binary(b));
        }
    } else if (v.is<Guid>()) {
        for (int step : {-1, 1}) {
            Guid g = v.as<Guid>();
            g.bytes[15] = static_cast<uint8_t>(g.bytes[15] + step);
            out.push_back(Value::guid(g));
        }
    } else if (v.is<Decimal>()) {
        Decimal up = v.as<Decimal>();
        if (up.magnitude[0] < UINT32_MAX) {
            ++up.magnitude[0];
            out.push_back(Value::decimal(up));
        }
        Decimal down = v.as<Decimal>();
        if (down.magnitude[0] > 0) {
            --down.magnitude[0];
            out.push_back(Value::decimal(down));
        }
    }
    return out;
}

TEST_P(IndexCursorFixtureTest, SeekFindsTheFirstEntryNotBeforeTheKey) {
    const IndexFixture& c = GetParam();
    auto db = Database::open(testing_support::fixture(c.file));
    size_t exact = 0, between = 0, beyond = 0;
    forEachIndex(*db, [&](const std::shared_ptr<const TableDef>& def, const IndexDef& index) {
        SCOPED_TRACE(def->name + "." + index.name);
        IndexCursor cursor(*db, def, index);
        const std::vector<WalkedEntry> entries = walk(cursor);

        auto check = [&](const std::vector<Value>& probe) {
            const std::optional<Key> key = tryEncode(cursor, probe);
            if (!key) return;  // a column without keys, or a step out of the column's range
            auto at =
                std::lower_bound(entries.begin(), entries.end(), *key,
                                 [](const WalkedEntry& e, const Key& k) { return e.key < k; });
            const bool found = cursor.seek(probe);
            if (at == entries.end()) {
                EXPECT_FALSE(found);
                EXPECT_TRUE(cursor.atEnd());
                ++beyond;
                return;
            }
            ASSERT_TRUE(found) << "probe before entry " << (at - entries.begin());
            EXPECT_EQ(rowText(cursor.rowId()), rowText(at->row));
            const bool equal = std::equal(key->begin(), key->end(), at->key.begin(),
                                          at->key.begin() + std::min(key->size(), at->key.size()));
            EXPECT_EQ(cursor.matches(probe), equal && key->size() <= at->key.size());
            if (!equal) ++between;
        };

        for (const WalkedEntry& e : entries) {
            if (!tryEncode(cursor, e.values)) return;  // the index has a column without keys
            ASSERT_TRUE(cursor.seekExact(e.values)) << rowText(e.row);
            EXPECT_EQ(cursor.key(), e.key);
            ++exact;
            check(e.values);
            check({e.values.front()});  // the leading column alone
            for (const Value& n : neighbours(e.values.back())) {
                std::vector<Value> probe = e.values;
                probe.back() = n;
                check(probe);
            }
            for (const Value& n : neighbours(e.values.front())) check({n});
        }
    });
    EXPECT_GE(exact, c.minOrderedEntries);
    EXPECT_GT(between, 0u);
    EXPECT_GT(beyond, 0u);
}

// After a seek the walk goes on through the rest of the index exactly as a
// walk from the start does: past the entries built with the seek, across
// leaves, to the end.
TEST_P(IndexCursorFixtureTest, WalkAfterASeekGoesOnInKeyOrder) {
    const IndexFixture& c = GetParam();
    auto db = Database::open(testing_support::fixture(c.file));
    size_t steps = 0;
    forEachIndex(*db, [&](const std::shared_ptr<const TableDef>& def, const IndexDef& index) {
        SCOPED_TRACE(def->name + "." + index.name);
        IndexCursor cursor(*db, def, index);
        const std::vector<WalkedEntry> entries = walk(cursor);
        for (size_t i = 0; i < entries.size(); i += 13) {
            if (!tryEncode(cursor, entries[i].values)) return;
            ASSERT_TRUE(cursor.seek(entries[i].values));
            // The seek stops on the first of the entries with this key.
            size_t j = i;
            while (j > 0 && entries[j - 1].key == entries[i].key) --j;
            const size_t end = std::min(entries.size(), j + 1500);
            for (; j < end; ++j, ++steps) {
                ASSERT_FALSE(cursor.atEnd()) << "entry " << j;
                ASSERT_EQ(rowText(cursor.rowId()), rowText(entries[j].row)) << "entry " << j;
                cursor.next();
            }
            if (end == entries.size()) {
                EXPECT_TRUE(cursor.atEnd());
            }
        }
    });
    EXPECT_GT(steps, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    AccessFiles, IndexCursorFixtureTest,
    ::testing::Values(IndexFixture{"V1997/indexTestV1997.mdb", 19, 216},
                      IndexFixture{"V1997/compIndexTestV1997.mdb", 9, 609},
                      IndexFixture{"V1997/testIndexCodesV1997.mdb", 71, 3429},
                      IndexFixture{"V2000/indexTestV2000.mdb", 27, 292},
                      IndexFixture{"V2000/compIndexTestV2000.mdb", 9, 599},
                      IndexFixture{"V2000/bigIndexTestV2000.mdb", 9, 96},
                      IndexFixture{"V2000/indexCursorTestV2000.mdb", 12, 105},
                      IndexFixture{"V2000/testIndexPropertiesV2000.mdb", 23, 206},
                      IndexFixture{"V2007/indexTestV2007.accdb", 32, 377},
                      IndexFixture{"V2007/compIndexTestV2007.accdb", 19, 763},
                      IndexFixture{"V2007/bigIndexTestV2007.accdb", 19, 271},
                      IndexFixture{"V2007/indexCursorTestV2007.accdb", 22, 273},
                      IndexFixture{"V2007/testIndexPropertiesV2007.accdb", 33, 381},
                      IndexFixture{"V2010/indexTestV2010.accdb", 32, 374},
                      IndexFixture{"V2010/compIndexTestV2010.accdb", 24, 794},
                      IndexFixture{"V2010/bigIndexTestV2010.accdb", 24, 297},
                      IndexFixture{"V2010/indexCursorTestV2010.accdb", 27, 309},
                      IndexFixture{"V2010/testIndexPropertiesV2010.accdb", 38, 425},
                      IndexFixture{"V2010/binIdxTestV2010.accdb", 24, 540}),
    [](const auto& param) {
        std::string name = param.param.file;
        name = name.substr(name.find('/') + 1);
        return name.substr(0, name.find('.'));
    });

// ---------------------------------------------------------------------------
// One index read by eye: DataIndex (data1, data2), ignoring rows where both
// are null, in the same table of three Access versions.

class IgnoreNullsIndexTest : public ::testing::TestWithParam<const char*> {};

std::string rowName(const IndexCursor& cursor) {
    return cursor.atEnd() ? "end" : cursor.values().front().as<std::string>();
}

TEST_P(IgnoreNullsIndexTest, WalksAndSeeksInKeyOrder) {
    auto db = Database::open(testing_support::fixture(GetParam()));
    auto def = db->table("TableIgnoreNulls2");
    const IndexDef* index = nullptr;
    for (const IndexDef& i : def->indexes) {
        if (i.name == "DataIndex") index = &i;
    }
    ASSERT_NE(index, nullptr);
    IndexCursor cursor(*db, def, *index);

    std::string order;
    for (bool ok = cursor.first(); ok; ok = cursor.next()) order += rowName(cursor) + " ";
    // Nulls first; "row5" (both null) is not in the index.
    EXPECT_EQ(order, "row10 row3 row8 row1 row7 row6 row2 row4 row9 row0 ");

    const Value null = Value::null();
    struct Seek {
        std::vector<Value> key;
        bool exact;
        const char* row;
    };
    const Seek seeks[] = {
        {{Value::text("MORE")}, true, "row2"},  // a leading part; text without regard to case
        {{Value::text("more"), Value::integer(5)}, false, "row4"},
        {{Value::text("m")}, false, "row2"},
        {{Value::text("stuff"), Value::integer(13)}, true, "row0"},
        {{Value::text("stuff"), Value::integer(14)}, false, "end"},
        {{Value::text("zzz")}, false, "end"},
        {{null}, true, "row10"},
        {{null, Value::integer(0)}, true, "row8"},
        {{null, Value::integer(1)}, false, "row1"},
        {{null, null}, false, "row10"},  // not indexed: the next entry
    };
    for (const Seek& s : seeks) {
        EXPECT_EQ(cursor.seekExact(s.key), s.exact) << s.row;
        EXPECT_EQ(rowName(cursor), s.row);
    }
    // Walking on from a seek.
    ASSERT_TRUE(cursor.seek({Value::text("lots of stuff")}));
    ASSERT_TRUE(cursor.next());
    EXPECT_EQ(rowName(cursor), "row2");

    EXPECT_FALSE(cursor.seek({Value::text("zzz")}));
    EXPECT_FALSE(cursor.next());
    EXPECT_THROW(cursor.rowId(), Error);
    try {
        cursor.seek({null, null, null});
        ADD_FAILURE() << "three values for two columns accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
    }
}

INSTANTIATE_TEST_SUITE_P(AccessFiles, IgnoreNullsIndexTest,
                         ::testing::Values("V2000/testIndexPropertiesV2000.mdb",
                                           "V2007/testIndexPropertiesV2007.accdb",
                                           "V2010/testIndexPropertiesV2010.accdb"),
                         [](const auto& param) {
                             std::string name = param.param;
                             return name.substr(name.find('/') + 1,
                                                name.find('.') - name.find('/') - 1);
                         });

// ---------------------------------------------------------------------------
// Damaged trees. Table1's single index has an intermediate root with one
// listed child and a tail child in both files.

struct TreeLayout {
    const char* file;
    size_t pageSize, nextPage, tailPage, entryMask, entries;
};
const TreeLayout kTreeLayouts[] = {
    {"V1997/compIndexTestV1997.mdb", 2048, 0x0c, 0x10, 0x16, 0xf8},
    {"V2000/compIndexTestV2000.mdb", 4096, 0x10, 0x14, 0x1b, 0x1e0},
};

// Where the damage goes, found in the sound file.
struct TreeFacts {
    uint32_t tableDefPage, root, firstLeaf, lastLeaf;
    size_t firstChildPointer;  // offset of the root's first child pointer in its page
};

TreeFacts treeFacts(Database& db, const TreeLayout& layout) {
    auto def = db.table("Table1");
    TreeFacts f{};
    f.tableDefPage = def->tdefPage;
    f.root = def->realIndexes.at(0).rootPage;
    auto parse = [&](uint32_t n) {
        return parseIndexPage(*db.pages().page(n), isJet3(db.version()));
    };
    const IndexPage root = parse(f.root);
    EXPECT_FALSE(root.leaf);
    EXPECT_NE(root.tailPage, 0u);
    auto descend = [&](uint32_t n, bool leftmost) {
        for (IndexPage p = parse(n); !p.leaf; p = parse(n)) {
            n = leftmost ? p.entries.front().childPage
                         : (p.tailPage ? p.tailPage : p.entries.back().childPage);
        }
        return n;
    };
    f.firstLeaf = descend(f.root, true);
    f.lastLeaf = descend(f.root, false);
    // The first entry ends at the first bit set in the mask; its last four
    // bytes are the child pointer.
    const auto page = db.pages().page(f.root);
    size_t end = 0;
    while (!((*page)[layout.entryMask + end / 8] & (1u << (end % 8)))) ++end;
    f.firstChildPointer = layout.entries + end - 4;
    return f;
}

void writeAt(const std::filesystem::path& file, uint64_t offset, std::vector<uint8_t> bytes) {
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

std::vector<uint8_t> le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
std::vector<uint8_t> be32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

TEST(IndexCursorDamageTest, DamagedTreesAreReportedAsCorrupt) {
    struct Damage {
        const char* name;
        // (page number, offset in that page, bytes)
        std::tuple<uint32_t, size_t, std::vector<uint8_t>> (*edit)(const TreeFacts&,
                                                                   const TreeLayout&);
    };
    const Damage damages[] = {
        {"root is a data page",
         [](const TreeFacts& f, const TreeLayout&) {
             return std::tuple{f.root, size_t{0}, std::vector<uint8_t>{0x01}};
         }},
        {"child is the root itself",
         [](const TreeFacts& f, const TreeLayout&) {
             return std::tuple{f.root, f.firstChildPointer, be32(f.root)};
         }},
        {"child beyond the end of the file",
         [](const TreeFacts& f, const TreeLayout&) {
             return std::tuple{f.root, f.firstChildPointer, be32(0x00ffffff)};
         }},
        {"child is the table definition",
         [](const TreeFacts& f, const TreeLayout&) {
             return std::tuple{f.root, f.firstChildPointer, be32(f.tableDefPage)};
         }},
        {"tail child is the root",
         [](const TreeFacts& f, const TreeLayout& l) {
             return std::tuple{f.root, l.tailPage, le32(f.root)};
         }},
        {"last leaf links back to the first",
         [](const TreeFacts& f, const TreeLayout& l) {
             return std::tuple{f.lastLeaf, l.nextPage, le32(f.firstLeaf)};
         }},
        {"last leaf links to itself",
         [](const TreeFacts& f, const TreeLayout& l) {
             return std::tuple{f.lastLeaf, l.nextPage, le32(f.lastLeaf)};
         }},
        {"leaf of another table",
         [](const TreeFacts& f, const TreeLayout&) {
             return std::tuple{f.firstLeaf, size_t{4}, le32(f.tableDefPage + 1)};
         }},
    };
    for (const TreeLayout& layout : kTreeLayouts) {
        TreeFacts facts;
        {
            auto sound = Database::open(testing_support::fixture(layout.file));
            facts = treeFacts(*sound, layout);
        }
        for (const Damage& d : damages) {
            SCOPED_TRACE(std::string(layout.file) + ": " + d.name);
            testing_support::TempDir dir;
            const auto copy = dir.copy(layout.file);
            const auto [page, offset, bytes] = d.edit(facts, layout);
            writeAt(copy, uint64_t{page} * layout.pageSize + offset, bytes);

            auto db = Database::open(copy);
            auto def = db->table("Table1");
            IndexCursor cursor(*db, def, def->indexes.at(0));
            try {
                size_t rows = 0;
                for (bool ok = cursor.first(); ok; ok = cursor.next()) ++rows;
                ADD_FAILURE() << "walked " << rows << " rows without an error";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), ErrorCode::Corrupt) << e.what();
                EXPECT_NE(std::string(e.what()).find("index"), std::string::npos) << e.what();
            }
        }
    }
}

// Leaves Access appended but has not yet listed in the tree are reached
// through the next-page link of the tree's last leaf.
TEST(IndexCursorDamageTest, LeavesOutsideTheTreeAreReachedThroughTheLeafChain) {
    for (const TreeLayout& layout : kTreeLayouts) {
        SCOPED_TRACE(layout.file);
        auto sound = Database::open(testing_support::fixture(layout.file));
        const TreeFacts facts = treeFacts(*sound, layout);
        auto soundDef = sound->table("Table1");
        IndexCursor soundCursor(*sound, soundDef, soundDef->indexes.at(0));
        const std::vector<WalkedEntry> expected = walk(soundCursor);

        // Without its tail the root lists only its first child.
        testing_support::TempDir dir;
        const auto copy = dir.copy(layout.file);
        writeAt(copy, uint64_t{facts.root} * layout.pageSize + layout.tailPage, le32(0));
        auto db = Database::open(copy);
        auto def = db->table("Table1");
        IndexCursor cursor(*db, def, def->indexes.at(0));
        const std::vector<WalkedEntry> walked = walk(cursor);
        ASSERT_EQ(walked.size(), expected.size());
        for (size_t i = 0; i < walked.size(); ++i) {
            EXPECT_EQ(rowText(walked[i].row), rowText(expected[i].row)) << i;
        }
        // A seek past the listed child lands in the chained leaf, on the
        // first entry with the last key.
        const auto first = std::find_if(expected.begin(), expected.end(), [&](const auto& e) {
            return e.key == expected.back().key;
        });
        ASSERT_TRUE(cursor.seekExact(expected.back().values));
        EXPECT_EQ(rowText(cursor.rowId()), rowText(first->row));
        for (auto e = first + 1; e != expected.end(); ++e) ASSERT_TRUE(cursor.next());
        EXPECT_FALSE(cursor.next());
    }
}

}  // namespace
}  // namespace jet
