// Every table definition of Access-made files, read with readTableDef and
// encoded again, gives back the bytes Access stored; written through a page
// sink and read back, it gives the same definition again.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <set>

#include "jet/catalog/database.h"
#include "jet/file/file.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"
#include "jet/write/page_sink.h"
#include "jet/write/table_def_writer.h"
#include "support/fixtures.h"

namespace {

using namespace jet;

struct StoredDefinition {
    std::vector<uint8_t> stream;  // first page whole, later pages without header
    std::vector<uint32_t> chain;
};

StoredDefinition storedDefinition(PageStore& pages, uint32_t firstPage) {
    StoredDefinition d;
    uint32_t pageNo = firstPage;
    while (pageNo != 0 && d.chain.size() < 64) {
        PageRef p = pages.page(pageNo);
        d.chain.push_back(pageNo);
        if (d.chain.size() == 1) {
            d.stream.assign(p->begin(), p->end());
        } else {
            d.stream.insert(d.stream.end(), p->begin() + 8, p->end());
        }
        pageNo = readU32(Bytes(*p), 4);
    }
    uint32_t length = readU32(Bytes(d.stream), 8);
    if (length <= d.stream.size()) d.stream.resize(length);
    return d;
}

// The first differing offset, for a readable failure.
std::string firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return "offset " + std::to_string(i) + ": ours " + std::to_string(a[i]) + ", stored " +
                   std::to_string(b[i]);
        }
    }
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

std::vector<uint8_t> withoutNextPointer(std::vector<uint8_t> s) {
    if (s.size() >= 8) std::memset(s.data() + 4, 0, 4);
    return s;
}

struct Counts {
    size_t tables = 0, multiPage = 0, withForeignKeys = 0, withLongValueMaps = 0,
           withDeletedColumns = 0;
    std::set<JetVersion> versions;
};

// Checks one table; returns false (after reporting) when it differs.
bool checkTable(Database& db, const CatalogObject& obj, Counts& counts) {
    const JetVersion v = db.version();
    const std::string where = db.path() + " table " + obj.name;
    TableDef def = readTableDef(db.pages(), v, obj.tdefPage(), db.codePage());
    StoredDefinition stored = storedDefinition(db.pages(), obj.tdefPage());

    std::vector<uint8_t> ours = encodeTableDef(def, v, db.codePage());
    if (withoutNextPointer(ours) != withoutNextPointer(stored.stream)) {
        ADD_FAILURE() << where << ": " << firstDifference(ours, stored.stream);
        return false;
    }

    // Through a sink: the chain has as many pages, each page header carries
    // what Access's does, and the reader finds the same definition.
    MemoryPageSink sink(pageSizeOf(v));
    for (uint32_t i = 0; i < 3; ++i) sink.allocate();  // stand-ins for pages before it
    const uint32_t first = sink.allocate();
    writeTableDef(sink, first, def, v, db.codePage());
    PageStore back(std::make_unique<MemoryFile>(sink.fileBytes()), pageSizeOf(v));
    StoredDefinition written = storedDefinition(back, first);
    EXPECT_EQ(written.chain.size(), stored.chain.size()) << where;
    for (size_t i = 0; i < std::min(written.chain.size(), stored.chain.size()); ++i) {
        PageRef ourPage = back.page(written.chain[i]);
        PageRef theirs = db.pages().page(stored.chain[i]);
        EXPECT_TRUE(std::equal(ourPage->begin(), ourPage->begin() + 4, theirs->begin()))
            << where << ": header of definition page " << i;
    }
    TableDef again = readTableDef(back, v, first, db.codePage());
    EXPECT_EQ(encodeTableDef(again, v, db.codePage()), ours) << where;

    counts.tables++;
    counts.versions.insert(v);
    if (stored.chain.size() > 1) counts.multiPage++;
    if (!def.longValueMaps.empty()) counts.withLongValueMaps++;
    if (def.maxColumns > def.columns.size()) counts.withDeletedColumns++;
    for (const IndexDef& x : def.indexes) {
        if (x.isForeignKey()) {
            counts.withForeignKeys++;
            break;
        }
    }
    return true;
}

TEST(TdefFixtureTest, EveryStoredDefinitionEncodesToAccessBytes) {
    Counts counts;
    for (const std::string& rel : testing_support::allFixtures()) {
        std::shared_ptr<Database> db;
        try {
            db = Database::open(testing_support::fixture(rel).string());
        } catch (const Error& e) {
            if (e.code() == ErrorCode::BadPassword) continue;  // Office-encrypted ones
            throw;
        }
        for (const CatalogObject* obj : db->tables(true)) {
            if (!checkTable(*db, *obj, counts)) break;  // one report per file is enough
        }
    }
    // The fixtures cover every layout and the awkward cases; make sure the
    // loop really met them rather than passing over nothing.
    EXPECT_GE(counts.tables, 500u);
    EXPECT_GE(counts.versions.size(), 4u);  // Jet 3, Jet 4, ACE 12, ACE 14 and later
    EXPECT_GE(counts.multiPage, 8u);
    EXPECT_GE(counts.withForeignKeys, 4u);
    EXPECT_GE(counts.withLongValueMaps, 100u);
    EXPECT_GE(counts.withDeletedColumns, 1u);
    std::cout << counts.tables << " definitions, " << counts.multiPage << " over several pages, "
              << counts.withForeignKeys << " with foreign keys, " << counts.withDeletedColumns
              << " with deleted columns\n";
}

}  // namespace
