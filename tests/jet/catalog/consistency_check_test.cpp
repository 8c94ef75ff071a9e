// The consistency check passes every file Access wrote and names the damage
// in deliberately broken copies of them.
#include "jet/catalog/consistency_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "jet/format/data_page.h"
#include "jet/format/index_page.h"
#include "jet/format/long_value.h"
#include "jet/format/usage_map.h"
#include "jet/table/table_scan.h"
#include "jet/util/bytes.h"
#include "jet/format/index_page_writer.h"
#include "support/fixtures.h"

namespace {

using testing_support::TempDir;

std::string passwordOf(const std::string& fixture) {
    static const std::map<std::string, std::string> passwords = {
        {"encrypted/db2007-oldenc.accdb", "Test123"},
        {"encrypted/db2007-enc.accdb", "Test123"},
        {"encrypted/db-nonstandard.accdb", "password"},
    };
    auto it = passwords.find(fixture);
    return it == passwords.end() ? std::string() : it->second;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "  " + l + "\n";
    return out;
}

TEST(ConsistencyCheck, EveryAccessFileIsSound) {
    uint64_t tables = 0, rows = 0, entries = 0;
    for (const std::string& name : testing_support::allFixtures()) {
        SCOPED_TRACE(name);
        jet::OpenOptions options;
        options.password = passwordOf(name);
        auto db = jet::Database::open(testing_support::fixture(name).string(), options);
        jet::CheckReport report = jet::checkDatabase(*db);
        EXPECT_TRUE(report.ok()) << joined(report.problems);
        EXPECT_EQ(report.pagesChecked + 1, db->pages().pageCount());
        EXPECT_GT(report.tablesChecked, 0u);
        tables += report.tablesChecked;
        rows += report.rowsChecked;
        entries += report.indexEntriesChecked;
    }
    // Some work was done: the fixtures hold thousands of rows and entries.
    EXPECT_GT(tables, 500u);
    EXPECT_GT(rows, 5000u);
    EXPECT_GT(entries, 5000u);
}

// ---------------------------------------------------------------------------
// Damaged copies. Each case finds its target with the reader in the intact
// fixture, changes a few bytes of a copy and expects a problem line.

struct FileBytes {
    std::vector<uint8_t> bytes;
    uint32_t pageSize = 0;
    uint8_t* page(uint32_t n) { return bytes.data() + static_cast<size_t>(n) * pageSize; }
};

// Where a damage goes, found in the intact file; returns what one problem
// line must contain ("..." between parts that must appear in this order).
using Damage = std::function<std::string(jet::Database& db, FileBytes& file)>;

struct DamageCase {
    std::string name;
    std::string fixture;
    Damage damage;
};

std::shared_ptr<const jet::TableDef> userTable(jet::Database& db, const std::string& name) {
    return db.table(name);
}

// The leftmost leaf of a real index.
uint32_t leftmostLeaf(jet::Database& db, const jet::RealIndexDef& real) {
    uint32_t page = real.rootPage;
    for (;;) {
        jet::IndexPage parsed =
            jet::parseIndexPage(*db.pages().page(page), jet::isJet3(db.version()));
        if (parsed.leaf) return page;
        page = parsed.entries.empty() ? parsed.tailPage : parsed.entries.front().childPage;
    }
}

struct IndexPageLayout {
    size_t prefixLength, mask, maskSize;
};
IndexPageLayout layoutOf(jet::Database& db) {
    return jet::isJet3(db.version()) ? IndexPageLayout{0x14, 0x16, 226}
                                     : IndexPageLayout{0x18, 0x1b, 453};
}

// Offsets (in the page) where the entries of an index page start, and
// where the last one ends.
std::vector<size_t> entryBounds(jet::Database& db, const uint8_t* page) {
    IndexPageLayout l = layoutOf(db);
    std::vector<size_t> bounds{l.mask + l.maskSize};
    for (size_t bit = 0; bit < l.maskSize * 8; ++bit) {
        if (page[l.mask + bit / 8] & (1u << (bit % 8))) bounds.push_back(l.mask + l.maskSize + bit);
    }
    return bounds;
}

std::vector<size_t> entryStarts(jet::Database& db, const uint8_t* page) {
    std::vector<size_t> starts = entryBounds(db, page);
    starts.pop_back();
    return starts;
}

// The first row of a table and the page holding it.
jet::RowPointer firstRow(jet::Database& db, const std::shared_ptr<const jet::TableDef>& def) {
    jet::TableScan scan(db, def);
    EXPECT_TRUE(scan.next());
    return scan.rowId();
}

// Offset in its page of the row's bytes.
size_t rowStart(jet::Database& db, FileBytes& file, jet::RowPointer row) {
    jet::Bytes page(file.page(row.page), file.pageSize);
    return jet::dataPageRow(page, db.version(), row.row).start;
}

// Sets or clears the bit of `page` in the inline usage map at `mapPointer`.
void setMapBit(jet::Database& db, FileBytes& file, uint32_t mapPointer, uint32_t page, bool on) {
    jet::RowPointer map = jet::RowPointer::fromPacked(mapPointer);
    uint8_t* mapPage = file.page(map.page);
    size_t at = rowStart(db, file, map);
    if (mapPage[at] != 0) throw std::runtime_error("not an inline usage map");
    uint32_t bit = page - jet::readU32(jet::Bytes(mapPage + at, 5), 1);
    uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
    uint8_t& byte = mapPage[at + 5 + bit / 8];
    byte = on ? (byte | mask) : (byte & ~mask);
}

// A long value on a page of its own column's usage map: the column's map
// and the page.
std::pair<uint32_t, uint32_t> mappedLongValuePage(jet::Database& db) {
    for (const jet::CatalogObject* t : db.tables()) {
        auto def = db.tableAt(t->tdefPage(), t->name);
        for (const jet::LongValueMaps& lv : def->longValueMaps) {
            jet::TableScan scan(db, def);
            while (scan.next()) {
                for (size_t c = 0; c < def->columns.size(); ++c) {
                    if (def->columns[c].number != lv.columnNumber) continue;
                    auto raw = scan.rawBytes(c);
                    if (!raw || raw->size() < jet::kLongValueHeaderSize) continue;
                    if ((*raw)[3] & jet::kLongValueInline) continue;
                    return {lv.usageMapPointer,
                            jet::RowPointer::fromPacked(jet::readU32(*raw, 4)).page};
                }
            }
        }
    }
    throw std::runtime_error("no long value outside its row in a mapped column");
}

// A long value stored as a chain of several pages: where its first link is.
jet::RowPointer chainedLongValue(jet::Database& db) {
    for (const jet::CatalogObject* t : db.tables()) {
        auto def = db.tableAt(t->tdefPage(), t->name);
        jet::TableScan scan(db, def);
        while (scan.next()) {
            for (size_t c = 0; c < def->columns.size(); ++c) {
                if (!jet::isLongValueType(def->columns[c].type)) continue;
                auto raw = scan.rawBytes(c);
                if (!raw || raw->size() < jet::kLongValueHeaderSize) continue;
                if ((*raw)[3] & 0xC0) continue;  // inline or single page
                if ((jet::readU32(*raw, 0) & 0x3FFFFFFF) == 0) continue;
                return jet::RowPointer::fromPacked(jet::readU32(*raw, 4));
            }
        }
    }
    throw std::runtime_error("no long value in a chain");
}

// A user table with rows and an index that starts with a fixed-width column.
std::shared_ptr<const jet::TableDef> tableIndexedOnFixedColumn(jet::Database& db,
                                                               const jet::ColumnDef*& column) {
    for (const jet::CatalogObject* t : db.tables()) {
        auto def = db.tableAt(t->tdefPage(), t->name);
        if (def->rowCount == 0) continue;
        for (const jet::RealIndexDef& real : def->realIndexes) {
            column = def->columnByNumber(real.columns.at(0).columnNumber);
            if (column && column->isFixed() && column->type != jet::DataType::Boolean) return def;
        }
    }
    throw std::runtime_error("no table indexed on a fixed column");
}

// A table with two rows and a unique index on one fixed-width column.
std::shared_ptr<const jet::TableDef> tableWithUniqueFixedColumn(jet::Database& db,
                                                                const jet::ColumnDef*& column) {
    for (const jet::CatalogObject* t : db.tables()) {
        auto def = db.tableAt(t->tdefPage(), t->name);
        if (def->rowCount < 2) continue;
        for (const jet::RealIndexDef& real : def->realIndexes) {
            if (!(real.flags & jet::kIndexUnique) || real.columns.size() != 1) continue;
            column = def->columnByNumber(real.columns[0].columnNumber);
            if (column && column->isFixed() && column->type != jet::DataType::Boolean) return def;
        }
    }
    throw std::runtime_error("no unique index on a fixed column");
}

// A data page of a user table holding at least three rows, none deleted.
uint32_t pageWithThreeRows(jet::Database& db) {
    for (const jet::CatalogObject* t : db.tables()) {
        auto def = db.tableAt(t->tdefPage(), t->name);
        jet::TableScan scan(db, def);
        while (scan.next()) {
            if (scan.rowId().row == 2) return scan.rowId().page;
        }
    }
    throw std::runtime_error("no data page with three rows");
}

const std::vector<DamageCase>& damageCases() {
    static const std::vector<DamageCase> cases = {
        {"index key byte flipped", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             auto def = userTable(db, "Table1");
             uint32_t leaf = leftmostLeaf(db, def->realIndexes.at(0));
             uint8_t* page = file.page(leaf);
             std::vector<size_t> starts = entryStarts(db, page);
             // The last entry's first value byte, after the column flag.
             page[starts.back() + 1] ^= 0x01;
             return "matches no row's key";
         }},
        {"row value changed under its index", "V2000/indexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             // Change a row's value in a column its table's first index
             // starts with: the index no longer agrees.
             const jet::ColumnDef* column = nullptr;
             auto def = tableIndexedOnFixedColumn(db, column);
             jet::RowPointer row = firstRow(db, def);
             size_t columnCount = jet::isJet3(db.version()) ? 1 : 2;
             size_t at = rowStart(db, file, row) + columnCount + column->fixedOffset;
             file.page(row.page)[at] ^= 0x40;
             return "row " + std::to_string(row.page) + ":" + std::to_string(row.row) +
                    " has no entry with the key its values give";
         }},
        {"page of a table's rows given as free", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             auto def = userTable(db, "Table1");
             jet::RowPointer row = firstRow(db, def);
             setMapBit(db, file, jet::RowPointer{1, 0}.packed(), row.page, true);
             return "page " + std::to_string(row.page) +
                    " is in the usage map of table 'Table1' but the free-page map gives it as "
                    "free, and it holds rows";
         }},
        {"data page left out of its table's usage map", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             auto def = userTable(db, "Table1");
             jet::RowPointer row = firstRow(db, def);
             setMapBit(db, file, def->usageMapPointer, row.page, false);
             return "page " + std::to_string(row.page) +
                    " holds rows of table 'Table1' but is not in its usage map";
         }},
        {"index page also in its table's usage map", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             auto def = userTable(db, "Table1");
             uint32_t leaf = leftmostLeaf(db, def->realIndexes.at(0));
             setMapBit(db, file, def->usageMapPointer, leaf, true);
             return "page " + std::to_string(leaf) + " is in the usage maps of both";
         }},
        {"long-value page left out of its column's usage map", "V2010/test2V2010.accdb",
         [](jet::Database& db, FileBytes& file) {
             auto [map, page] = mappedLongValuePage(db);
             setMapBit(db, file, map, page, false);
             return "lies partly on page " + std::to_string(page) +
                    ", which is not in the column's long-value usage map";
         }},
        {"long-value chain cut short", "V2000/test2V2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             jet::RowPointer link = chainedLongValue(db);
             size_t at = rowStart(db, file, link);
             std::fill_n(file.page(link.page) + at, 4, 0);
             return "the long value its chain holds";
         }},
        {"long-value chain leaving the file", "V1997/test2V1997.mdb",
         [](jet::Database& db, FileBytes& file) {
             jet::RowPointer link = chainedLongValue(db);
             size_t at = rowStart(db, file, link);
             file.page(link.page)[at + 3] = 0x7f;  // page number far past the end
             return "outside the file";
         }},
        {"index page free space miscounted", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             auto def = userTable(db, "Table1");
             uint32_t leaf = leftmostLeaf(db, def->realIndexes.at(0));
             file.page(leaf)[2] ^= 0x10;
             return "page " + std::to_string(leaf) + ": the free space is";
         }},
        {"compressed page with a shorter prefix", "V2000/compIndexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             for (const jet::CatalogObject* t : db.tables()) {
                 auto def = db.tableAt(t->tdefPage(), t->name);
                 for (const jet::RealIndexDef& real : def->realIndexes) {
                     uint32_t leaf = leftmostLeaf(db, real);
                     uint8_t& prefix = file.page(leaf)[layoutOf(db).prefixLength];
                     if (prefix < 2) continue;
                     --prefix;
                     // The entries rebuilt with too short a prefix lose
                     // their order.
                     return "page " + std::to_string(leaf) + ": ...out of order";
                 }
             }
             throw std::runtime_error("no compressed leaf");
         }},
        {"compressed page whose prefix length is lost", "V2000/compIndexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             // Find a leaf Access compressed and drop its prefix length.
             for (const jet::CatalogObject* t : db.tables()) {
                 auto def = db.tableAt(t->tdefPage(), t->name);
                 for (const jet::RealIndexDef& real : def->realIndexes) {
                     uint32_t leaf = leftmostLeaf(db, real);
                     uint8_t* page = file.page(leaf);
                     uint8_t& prefix = page[layoutOf(db).prefixLength];
                     if (prefix == 0) continue;
                     prefix = 0;
                     return "of table '" + def->name +
                            "': row ...has no entry with the key its values give";
                 }
             }
             throw std::runtime_error("no compressed leaf");
         }},
        {"leaf chain broken", "V2000/compIndexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             for (const jet::CatalogObject* t : db.tables()) {
                 auto def = db.tableAt(t->tdefPage(), t->name);
                 for (const jet::RealIndexDef& real : def->realIndexes) {
                     uint32_t leaf = leftmostLeaf(db, real);
                     uint8_t* page = file.page(leaf);
                     if (jet::readU32(jet::Bytes(page, file.pageSize), 0x10) == 0) continue;
                     page[0x10] ^= 0x01;  // the next-page link
                     return "page " + std::to_string(leaf) + ": the next-page link is";
                 }
             }
             throw std::runtime_error("no index of several leaves");
         }},
        {"row outside its data page", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             jet::RowPointer row = firstRow(db, userTable(db, "Table1"));
             // Row 0 starting inside the page header.
             jet::writeU16(std::span<uint8_t>(file.page(row.page), file.pageSize),
                           jet::rowTableOffset(db.version()), 4);
             return "pages: page " + std::to_string(row.page) + ": " +
                    "...row 0 of a data page has impossible bounds";
         }},
        {"rows overlapping on a data page", "V2000/indexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             uint32_t n = pageWithThreeRows(db);
             // Row 2 ends where row 1 starts. Row 1, deleted, claiming to
             // start at the very end of the page stretches row 2 over row 0.
             jet::writeU16(std::span<uint8_t>(file.page(n), file.pageSize),
                           jet::rowTableOffset(db.version()) + 2,
                           static_cast<uint16_t>(jet::kRowDeletedFlag | (file.pageSize - 1)));
             return "page " + std::to_string(n) + ": the rows at";
         }},
        {"parent entry below its child's last entry", "V2000/compIndexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             for (const jet::CatalogObject* t : db.tables(true)) {
                 auto def = db.tableAt(t->tdefPage(), t->name);
                 for (const jet::RealIndexDef& real : def->realIndexes) {
                     uint8_t* root = file.page(real.rootPage);
                     if (root[0] != jet::kPageIndexNode) continue;
                     std::vector<size_t> bounds = entryBounds(db, root);
                     if (bounds.size() < 2) continue;
                     // The row pointer of the first entry (3-byte page,
                     // row), before the 4-byte child pointer at its end,
                     // read big-endian and lowered by one.
                     uint8_t* pointer = root + bounds[1] - 8;
                     for (int i = 3; i >= 0 && pointer[i]-- == 0; --i) {
                     }
                     jet::IndexPage parsed =
                         jet::parseIndexPage(*db.pages().page(real.rootPage), false);
                     return "page " + std::to_string(parsed.entries.front().childPage) +
                            ": its last entry lies past its parent's entry for it";
                 }
             }
             throw std::runtime_error("no index with an intermediate page");
         }},
        {"two rows with one key in a unique index", "V2000/indexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             const jet::ColumnDef* column = nullptr;
             auto def = tableWithUniqueFixedColumn(db, column);
             jet::TableScan scan(db, def);
             EXPECT_TRUE(scan.next());
             jet::RowPointer first = scan.rowId();
             EXPECT_TRUE(scan.next());
             jet::RowPointer second = scan.rowId();
             size_t columnCount = jet::isJet3(db.version()) ? 1 : 2;
             const uint8_t* from = file.page(first.page) + rowStart(db, file, first) + columnCount +
                                   column->fixedOffset;
             uint8_t* to = file.page(second.page) + rowStart(db, file, second) + columnCount +
                           column->fixedOffset;
             std::copy_n(from, column->length, to);
             return "share a key of this unique index";
         }},
        {"a foreign key naming no row of its enforced relationship", "V2000/indexTestV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             // Table1.otherfk1 names Table2.id; no Table2 row has id 77.
             auto def = userTable(db, "Table1");
             const jet::ColumnDef* column = def->findColumn("otherfk1");
             jet::RowPointer row = firstRow(db, def);
             uint8_t* at = file.page(row.page) + rowStart(db, file, row) + 2 + column->fixedOffset;
             const int32_t missing = 77;
             std::memcpy(at, &missing, 4);
             return "table 'Table1'...names no row of table 'Table2'";
         }},
        {"data page free space miscounted", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             jet::RowPointer row = firstRow(db, userTable(db, "Table1"));
             file.page(row.page)[2] ^= 0x04;
             return "pages: page " + std::to_string(row.page) + ": the free space is";
         }},
        {"data page of a page past the end", "V2000/testV2000.mdb",
         [](jet::Database& db, FileBytes& file) {
             jet::RowPointer row = firstRow(db, userTable(db, "Table1"));
             const uint32_t beyond = db.pages().pageCount() + 10;
             std::memcpy(file.page(row.page) + 4, &beyond, 4);
             return "pages: page " + std::to_string(row.page) + " is a data page of page " +
                    std::to_string(beyond) + ", which the file does not have";
         }},
        {"unknown page type", "V1997/testV1997.mdb",
         [](jet::Database& db, FileBytes& file) {
             auto def = userTable(db, "Table1");
             jet::RowPointer row = firstRow(db, def);
             file.page(row.page)[0] = 0x07;
             return "page " + std::to_string(row.page) + " has the unknown type 7";
         }},
    };
    return cases;
}

bool containsInOrder(const std::string& line, const std::string& pattern) {
    size_t at = 0, from = 0;
    for (;;) {
        size_t gap = pattern.find("...", from);
        std::string part = pattern.substr(from, gap == std::string::npos ? gap : gap - from);
        at = line.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
        if (gap == std::string::npos) return true;
        from = gap + 3;
    }
}

// Damages a copy of `fixture` and checks it; `expected` gets what the
// damage says to look for.
jet::CheckReport checkDamagedCopy(const std::string& fixture, const Damage& damage,
                                  std::string& expected) {
    TempDir dir;
    std::filesystem::path copy = dir.copy(fixture);

    FileBytes file;
    {
        std::ifstream in(copy, std::ios::binary);
        file.bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    {
        auto intact = jet::Database::open(testing_support::fixture(fixture).string());
        EXPECT_TRUE(jet::checkDatabase(*intact).ok());
        file.pageSize = intact->pages().pageSize();
        expected = damage(*intact, file);
    }
    {
        std::ofstream out(copy, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
    }

    auto damaged = jet::Database::open(copy.string());
    return jet::checkDatabase(*damaged);
}

class DamagedCopy : public ::testing::TestWithParam<size_t> {};

TEST_P(DamagedCopy, IsReported) {
    const DamageCase& c = damageCases().at(GetParam());
    SCOPED_TRACE(c.name);
    std::string expected;
    const jet::CheckReport report = checkDamagedCopy(c.fixture, c.damage, expected);
    bool found = false;
    for (const std::string& line : report.problems)
        found = found || containsInOrder(line, expected);
    EXPECT_TRUE(found) << "expected a line containing \"" << expected << "\" in\n"
                       << joined(report.problems);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedCopy, ::testing::Range<size_t>(0, damageCases().size()),
                         [](const ::testing::TestParamInfo<size_t>& param) {
                             std::string name = damageCases().at(param.param).name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

void expectNoProblemAboutPage(const jet::CheckReport& report, uint32_t page) {
    for (const std::string& line : report.problems) {
        EXPECT_EQ(line.find("page " + std::to_string(page) + " "), std::string::npos) << line;
    }
}

// A page the free-page map gives as free holds whatever it held last and is
// not judged (Access's own files have free pages with stale rows).
TEST(ConsistencyCheck, FreePagesAreNotJudged) {
    std::string expected;
    uint32_t freed = 0;
    const jet::CheckReport report = checkDamagedCopy(
        "V2000/indexTestV2000.mdb",
        [&](jet::Database& db, FileBytes& file) {
            const std::vector<uint32_t> free =
                jet::readUsageMap(db.pages(), db.version(), jet::RowPointer{1, 0}.packed());
            if (free.empty() || free.front() >= db.pages().pageCount()) {
                throw std::runtime_error("the fixture has no free page");
            }
            freed = free.front();
            file.page(freed)[0] = 0x07;  // a type no page has
            return std::string();
        },
        expected);
    expectNoProblemAboutPage(report, freed);
}

// Access may store a shorter shared prefix than a page's entries share, also
// on a page whose entries fit only compressed (MSysObjects' ParentIdName
// index of Access-made files shows it): the entries then store more bytes of
// their own. Such a page is sound.
TEST(ConsistencyCheck, AShorterSharedPrefixIsSoundWhileTheEntriesFit) {
    std::string expected;
    uint32_t shortened = 0;
    const jet::CheckReport report = checkDamagedCopy(
        "V2000/compIndexTestV2000.mdb",
        [&](jet::Database& db, FileBytes& file) {
            const bool jet3 = jet::isJet3(db.version());
            const size_t area = jet::indexPageCapacityBytes(db.version());
            for (uint32_t n = 1; n < db.pages().pageCount(); ++n) {
                const uint8_t* raw = file.page(n);
                if (raw[0] != 0x04) continue;
                const jet::IndexPage page = jet::parseIndexPage({raw, file.pageSize}, jet3);
                const size_t prefix = jet::readU16(jet::Bytes(raw, file.pageSize), 0x18);
                size_t whole = 0;
                for (const jet::IndexEntry& e : page.entries) whole += jet::indexEntrySize(e, true);
                const size_t storedShorter = whole - (prefix - 1) * (page.entries.size() - 1);
                if (prefix < 2 || whole <= area || storedShorter > area) continue;
                const jet::PageBytes bytes = jet::encodeIndexPage(page, db.version(), prefix - 1);
                std::memcpy(file.page(n), bytes.data(), file.pageSize);
                shortened = n;
                return std::string();
            }
            throw std::runtime_error("no compressed leaf with room for a shorter prefix");
        },
        expected);
    ASSERT_NE(shortened, 0u);
    EXPECT_TRUE(report.ok()) << joined(report.problems);
}

// A definition that counts fewer rows than its table holds is noted (Access
// works with such files); one that counts more is a problem, since rows may
// be lost.
TEST(ConsistencyCheck, ARowCountBelowTheRowsIsNotedAboveIsAProblem) {
    for (const int change : {-1, +1}) {
        SCOPED_TRACE(change);
        std::string expected;
        const jet::CheckReport report = checkDamagedCopy(
            "V2000/testV2000.mdb",
            [&](jet::Database& db, FileBytes& file) {
                auto def = userTable(db, "Table1");
                const uint32_t count = def->rowCount + static_cast<uint32_t>(change);
                std::memcpy(file.page(def->tdefPage) + 0x10, &count, 4);
                return "table 'Table1': " + std::to_string(def->rowCount) +
                       " rows found, the definition counts " + std::to_string(count);
            },
            expected);
        const std::vector<std::string>& reported = change < 0 ? report.notes : report.problems;
        EXPECT_NE(std::find(reported.begin(), reported.end(), expected), reported.end())
            << "notes:\n"
            << joined(report.notes) << "\nproblems:\n"
            << joined(report.problems);
        if (change < 0) {
            EXPECT_TRUE(report.ok()) << joined(report.problems);
        }
    }
}

// A freed page keeps its owner and rows; when a new table takes the old
// definition page, those pages name it although they were never its own (an
// Access 97 Northwind shows it). Being free, they are not held against the
// new table's usage map.
TEST(ConsistencyCheck, FreePagesNamingATableAreNotHeldAgainstItsMap) {
    std::string expected;
    uint32_t freed = 0;
    const jet::CheckReport report = checkDamagedCopy(
        "V2000/testV2000.mdb",
        [&](jet::Database& db, FileBytes& file) {
            auto def = userTable(db, "Table1");
            freed = firstRow(db, def).page;
            setMapBit(db, file, def->usageMapPointer, freed, false);
            setMapBit(db, file, def->freeMapPointer, freed, false);
            setMapBit(db, file, jet::RowPointer{1, 0}.packed(), freed, true);
            return std::string();
        },
        expected);
    expectNoProblemAboutPage(report, freed);
}

// Access leaves the data pages of a deleted table behind until the file is
// compacted, and may reuse the table's definition page meanwhile: such pages
// are noted, not reported as damage.
TEST(ConsistencyCheck, DataPagesLeftBehindByADeletedTableAreNoted) {
    std::string expected;
    const jet::CheckReport report = checkDamagedCopy(
        "V2000/testV2000.mdb",
        [](jet::Database& db, FileBytes& file) {
            jet::RowPointer row = firstRow(db, userTable(db, "Table1"));
            const uint32_t indexPage = leftmostLeaf(
                db, userTable(db, "Table1")->realIndexOf(userTable(db, "Table1")->indexes.at(0)));
            std::memcpy(file.page(row.page) + 4, &indexPage, 4);
            return "pages: 1 data pages (first " + std::to_string(row.page) + ") belong to page " +
                   std::to_string(indexPage) + ", which holds no table definition any more";
        },
        expected);
    bool noted = false;
    for (const std::string& line : report.notes) noted = noted || containsInOrder(line, expected);
    EXPECT_TRUE(noted) << "expected a note containing \"" << expected << "\" in\n"
                       << joined(report.notes);
    for (const std::string& line : report.problems) EXPECT_NE(line.rfind("pages:", 0), 0u) << line;
}

}  // namespace
