// Rows that Access wrote, decoded by the reader and encoded again, must come
// out byte for byte as Access stored them: the strongest check that the row
// writer lays out null masks, fixed and variable areas, offsets, Jet 3 jump
// tables, text compression and inline long values the way Access does.
//
// Bytes that do not follow from the values are taken from Access's row
// before comparing:
//  - the 4-byte row pointer of an out-of-line long value (our long-value
//    pages are not Access's), and for a chain also the 4 bytes after it,
//    which Access fills with a number of its own there (zero elsewhere);
//    length and flags must still match;
//  - the slot of a null fixed column: Access leaves what an earlier version
//    of the row held there (a fresh row has zeros, as ours).
// Rows are left out only for reasons Access itself explains:
//  - rows written before columns were added to the table carry fewer
//    columns than the definition (the reader shows the new ones as null);
//  - rows of tables with calculated columns, whose stored form wraps the
//    value (written by the calculated-column writer, not here);
//  - rows with a long value Access wrote in pieces: a chain although the
//    value would fit one long-value row;
//  - rows written before a column was deleted: they still hold its value;
//  - rows updated in place to something shorter: Access keeps the row's
//    length, leaving unused bytes between the end of the data and the
//    offset table.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "jet/catalog/database.h"
#include "jet/format/data_page.h"
#include "jet/format/row_codec.h"
#include "jet/table/table_scan.h"
#include "jet/write/long_value_writer.h"
#include "jet/format/row_encoder.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

// The stored bytes of a row, following an overflow pointer to where the
// row now lives.
Blob storedRow(Database& db, RowPointer at) {
    PageRef page = db.pages().page(at.page);
    RowSlot slot = dataPageRow(Bytes(*page), db.version(), at.row);
    if (slot.overflow) {
        RowPointer to = RowPointer::fromPacked(readU32(Bytes(*page), slot.start));
        page = db.pages().page(to.page);
        slot = dataPageRow(Bytes(*page), db.version(), to.row);
    }
    return Blob(page->begin() + slot.start, page->begin() + slot.end);
}

struct Tally {
    size_t compared = 0;
    size_t jumpTables = 0;  // compared Jet 3 rows longer than 256 bytes
    size_t olderLayout = 0;
    size_t calculated = 0;
    size_t piecewise = 0;
    size_t updatedInPlace = 0;
    size_t deletedColumns = 0;
    size_t mismatched = 0;
};

void adopt(Bytes from, Blob& ours, size_t at, size_t count) {
    std::copy(from.begin() + static_cast<std::ptrdiff_t>(at),
              from.begin() + static_cast<std::ptrdiff_t>(at + count),
              ours.begin() + static_cast<std::ptrdiff_t>(at));
}

// Takes the bytes that do not follow from the values from Access's row (see
// the top of the file); everything else must already agree.
void adoptUnrelatedBytes(const TableDef& def, JetVersion v, Bytes original, Blob& ours) {
    RowView theirs(original, v, def.varColumnCount > 0);
    RowView mine(Bytes(ours), v, def.varColumnCount > 0);
    for (const ColumnDef& c : def.columns) {
        if (c.isFixed() && c.type != DataType::Boolean && !theirs.hasValue(c)) {
            adopt(original, ours, (isJet3(v) ? 1u : 2u) + c.fixedOffset, c.length);
        }
        if (!isLongValueType(c.type)) continue;
        auto a = theirs.bytes(c);
        auto b = mine.bytes(c);
        if (!a || !b || a->size() < 12 || b->size() < 12) continue;
        uint8_t flags = readU8(*a, 3);
        if ((flags & 0x80) != 0) continue;  // inline: nothing to adopt
        size_t at = static_cast<size_t>(a->data() - original.data()) + 4;
        adopt(original, ours, at, (flags & 0x40) != 0 ? 4 : 8);
    }
}

// True when the row holds a value of a column the definition no longer has.
bool holdsDeletedColumn(const TableDef& def, const RowView& row) {
    for (uint16_t n = 0; n < row.columnCount(); ++n) {
        if (def.columnByNumber(n)) continue;
        ColumnDef gone;
        gone.number = n;
        if (row.hasValue(gone)) return true;
    }
    return false;
}

// True when a Jet 4 row has unused bytes between its data and its offset
// table: a row Access updated in place to a shorter one.
bool hasSlack(const TableDef& def, JetVersion v, Bytes original) {
    if (isJet3(v) || def.varColumnCount == 0) return false;
    RowView row(original, v, true);
    size_t maskSize = (row.columnCount() + 7u) / 8u;
    size_t countAt = original.size() - maskSize - 2;
    size_t eodAt = countAt - 2u * (readU16(original, countAt) + 1u);
    return readU16(original, eodAt) != eodAt;
}

// True when Access stored one of the row's long values as a chain although
// it fits one long-value row: the value was written in pieces.
bool hasPiecewiseLongValue(const TableDef& def, JetVersion v, Bytes original) {
    RowView row(original, v, def.varColumnCount > 0);
    for (const ColumnDef& c : def.columns) {
        if (!isLongValueType(c.type)) continue;
        auto b = row.bytes(c);
        if (!b || b->size() < 12) continue;
        uint32_t lengthAndFlags = readU32(*b, 0);
        if ((lengthAndFlags >> 30) == 0 &&
            (lengthAndFlags & 0x3FFFFFFF) <= LongValueWriter::maxRowData(v)) {
            return true;
        }
    }
    return false;
}

std::string hexOf(Bytes b) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (uint8_t x : b) {
        s += digits[x >> 4];
        s += digits[x & 15];
        s += ' ';
    }
    return s;
}

Tally reencodeAllRows(const std::string& fixture) {
    auto db = Database::open(testing_support::fixture(fixture).string());
    Tally t;
    for (const CatalogObject* object : db->tables(true)) {
        auto def = db->tableAt(object->tdefPage(), object->name);
        bool calculated = false;
        for (const ColumnDef& c : def->columns) calculated = calculated || c.calculated;
        MemoryPageSink sink(pageSizeOf(db->version()));
        sink.allocate();  // page 0, as in a real file
        LongValueWriter longValues(sink, db->version());
        TableScan scan(*db, def);
        while (scan.next()) {
            if (calculated) {
                ++t.calculated;
                continue;
            }
            Blob original = storedRow(*db, scan.rowId());
            RowView view(Bytes(original), db->version(), def->varColumnCount > 0);
            Blob ours = encodeRow(*def, scan.values(), db->version(), db->codePage(), longValues);
            if (view.columnCount() < def->maxColumns) {
                ++t.olderLayout;
                continue;
            }
            if (hasPiecewiseLongValue(*def, db->version(), Bytes(original))) {
                ++t.piecewise;
                continue;
            }
            if (holdsDeletedColumn(*def, view)) {
                ++t.deletedColumns;
                continue;
            }
            if (hasSlack(*def, db->version(), Bytes(original))) {
                ++t.updatedInPlace;
                continue;
            }
            ++t.compared;
            if (isJet3(db->version()) && original.size() > 256) ++t.jumpTables;
            if (ours.size() == original.size()) {
                adoptUnrelatedBytes(*def, db->version(), Bytes(original), ours);
            }
            if (ours != original) {
                if (++t.mismatched <= 3) {
                    size_t first = 0;
                    while (first < ours.size() && first < original.size() &&
                           ours[first] == original[first]) {
                        ++first;
                    }
                    ADD_FAILURE() << fixture << " first difference at byte " << first << " (sizes "
                                  << original.size() << ", " << ours.size() << ")"
                                  << " table " << object->name << " row " << scan.rowId().page
                                  << ":" << int(scan.rowId().row)
                                  << "\n Access: " << hexOf(Bytes(original))
                                  << "\n ours:   " << hexOf(Bytes(ours));
                }
            }
        }
    }
    return t;
}

TEST(RowFixtureReencode, EveryRowComesOutAsAccessWroteIt) {
    const char* fixtures[] = {
        "V1997/testV1997.mdb",
        "V1997/test2V1997.mdb",
        "V1997/indexTestV1997.mdb",
        "V1997/delColTestV1997.mdb",
        "V1997/overflowTestV1997.mdb",
        "V2000/testV2000.mdb",
        "V2000/test2V2000.mdb",
        "V2000/fixedTextTestV2000.mdb",
        "V2000/fixedNumericTestV2000.mdb",
        "V2000/delColTestV2000.mdb",
        "V2000/bigIndexTestV2000.mdb",
        "V1997/queryTestV1997.mdb",
        "V1997/testIndexCodesV1997.mdb",
        "V2000/queryTestV2000.mdb",
        "V2007/testV2007.accdb",
        "V2007/test2V2007.accdb",
        "V2007/oldDatesV2007.accdb",
        "V2010/testV2010.accdb",
        "V2010/complexDataTestV2010.accdb",
        "V2010/indexTestV2010.accdb",
        "empty/empty2010.accdb",
        "empty/emptyJet4.mdb",
        "adox_jet4.mdb",
    };
    size_t total = 0;
    size_t jumpTables = 0;
    for (const char* f : fixtures) {
        SCOPED_TRACE(f);
        Tally t = reencodeAllRows(f);
        std::printf(
            "%-34s compared %4zu, left out: older layout %zu, calculated %zu, "
            "piecewise %zu, updated %zu, deleted columns %zu; mismatched %zu\n",
            f, t.compared, t.olderLayout, t.calculated, t.piecewise, t.updatedInPlace,
            t.deletedColumns, t.mismatched);
        EXPECT_EQ(t.mismatched, 0u);
        total += t.compared;
        jumpTables += t.jumpTables;
    }
    EXPECT_GT(total, 1000u);
    EXPECT_GT(jumpTables, 0u) << "no Jet 3 row needed a jump table";
    std::printf("%zu rows compared, %zu of them Jet 3 rows with a jump table\n", total, jumpTables);
}

}  // namespace
