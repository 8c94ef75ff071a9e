// Rows written through RowAppender into an in-memory file and read back with
// the reader's own page, row and value decoding: every type, nulls,
// Boolean, empty and full-length text, compressed and plain text, long
// values inline, on one page and chained, tables without variable columns
// and Jet 3 rows long enough to need the jump table.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "jet/file/page_store.h"
#include "jet/format/data_page.h"
#include "jet/format/page_types.h"
#include "jet/format/row_codec.h"
#include "jet/format/value_codec.h"
#include "jet/write/row_appender.h"
#include "jet/format/row_encoder.h"
#include "jet/format/value_encoder.h"

using namespace jet;

namespace {

ColumnDef fixedColumn(std::string name, DataType type, uint16_t number, uint16_t offset,
                      uint16_t length) {
    ColumnDef c;
    c.name = std::move(name);
    c.type = type;
    c.number = number;
    c.fixedOffset = offset;
    c.length = length;
    c.flags = kColumnFixed | kColumnNullable;
    return c;
}

ColumnDef varColumn(std::string name, DataType type, uint16_t number, uint16_t varIndex,
                    uint16_t length, bool compressed = false) {
    ColumnDef c;
    c.name = std::move(name);
    c.type = type;
    c.number = number;
    c.varIndex = varIndex;
    c.length = length;
    c.flags = kColumnNullable;
    c.compressedUnicode = compressed;
    return c;
}

// A table with every type; Jet 3 text lengths count bytes, later ones two
// bytes a character.
TableDef allTypes(JetVersion v) {
    const uint16_t perChar = isJet3(v) ? 1 : 2;
    TableDef t;
    t.name = "AllTypes";
    t.tdefPage = 7;
    t.columns = {
        fixedColumn("Id", DataType::Long, 0, 0, 4),
        fixedColumn("Flag", DataType::Boolean, 1, 0, 0),
        fixedColumn("B", DataType::Byte, 2, 4, 1),
        fixedColumn("I", DataType::Integer, 3, 5, 2),
        fixedColumn("Cur", DataType::Currency, 4, 7, 8),
        fixedColumn("S", DataType::Single, 5, 15, 4),
        fixedColumn("D", DataType::Double, 6, 19, 8),
        fixedColumn("Dt", DataType::DateTime, 7, 27, 8),
        fixedColumn("G", DataType::Guid, 8, 35, 16),
        fixedColumn("N", DataType::Numeric, 9, 51, 17),
        varColumn("T", DataType::Text, 10, 0, static_cast<uint16_t>(255 * perChar), true),
        varColumn("TPlain", DataType::Text, 11, 1, static_cast<uint16_t>(50 * perChar)),
        varColumn("Bin", DataType::Binary, 12, 2, 255),
        varColumn("M", DataType::Memo, 13, 3, 0),
        varColumn("O", DataType::LongBinary, 14, 4, 0),
    };
    t.columns[9].precision = 18;
    t.columns[9].scale = 4;
    if (!isJet3(v)) {
        t.columns.push_back(fixedColumn("Big", DataType::BigInt, 15, 68, 8));
        t.columns.push_back(fixedColumn("Ext", DataType::ExtDateTime, 16, 76, 42));
    }
    t.maxColumns = static_cast<uint16_t>(t.columns.size());
    t.varColumnCount = 5;
    return t;
}

Blob pattern(size_t n, uint8_t seed) {
    Blob b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    return b;
}

std::string repeated(std::string_view unit, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += unit;
    return s;
}

Guid someGuid() {
    Guid g;
    for (size_t i = 0; i < 16; ++i) g.bytes[i] = static_cast<uint8_t>(0xA0 + i);
    return g;
}

Decimal someDecimal(bool negative) {
    Decimal d;
    d.negative = negative;
    d.precision = 18;
    d.scale = 4;
    d.magnitude = {123456789, 42, 0, 0};
    return d;
}

// Values by column name, converted for the table; missing names are null.
std::vector<Value> rowOf(const TableDef& t, JetVersion v,
                         const std::vector<std::pair<std::string, Value>>& named) {
    std::vector<Value> out(t.columns.size());
    for (const auto& [name, value] : named) {
        for (size_t i = 0; i < t.columns.size(); ++i) {
            if (t.columns[i].name == name) out[i] = convertForColumn(value, t.columns[i], v, 1252);
        }
    }
    return out;
}

std::vector<std::vector<Value>> sampleRows(const TableDef& t, JetVersion v) {
    const bool jet3 = isJet3(v);
    const size_t chainLength = jet3 ? 9000 : 20000;
    ExtDateTime ext{738000, 123456789};
    std::vector<std::vector<Value>> rows;
    rows.push_back(rowOf(t, v,
                         {{"Id", Value::integer(1)},
                          {"Flag", Value::boolean(true)},
                          {"B", Value::integer(255)},
                          {"I", Value::integer(-32768)},
                          {"Cur", Value::currency(-1234567)},
                          {"S", Value::single(1.5f)},
                          {"D", Value::real(-2.25e100)},
                          {"Dt", Value::dateTime(-1.25)},
                          {"G", Value::guid(someGuid())},
                          {"N", Value::decimal(someDecimal(true))},
                          {"T", Value::text("compressible text")},
                          {"TPlain", Value::text("plain text")},
                          {"Bin", Value::binary(pattern(255, 1))},
                          {"M", Value::text("short memo")},
                          {"O", Value::binary(pattern(20, 2))},
                          {"Big", Value::integer(INT64_MIN)},
                          {"Ext", Value::extDateTime(ext)}}));
    rows.push_back(rowOf(t, v, {{"Id", Value::integer(2)}, {"Flag", Value::boolean(false)}}));
    rows.push_back(rowOf(t, v,
                         {{"Id", Value::integer(3)},
                          {"T", Value::text("")},
                          {"TPlain", Value::text(repeated("z", 50))},
                          {"Bin", Value::binary({})},
                          {"M", Value::text(repeated("memo on one page ", 40))},
                          {"O", Value::binary(pattern(chainLength, 3))}}));
    rows.push_back(rowOf(t, v,
                         {{"Id", Value::integer(4)},
                          {"T", Value::text(repeated("x", 255))},
                          {"M", Value::text(repeated(jet3 ? "long memo " : "Größe € ", 3000))},
                          {"O", Value::binary(pattern(1000, 4))}}));
    if (!jet3) {
        rows.push_back(rowOf(t, v,
                             {{"Id", Value::integer(5)},
                              {"T", Value::text(repeated("€uro", 60))},
                              {"M", Value::text("ab")},
                              {"N", Value::decimal(someDecimal(false))}}));
    }
    return rows;
}

// Reads back every row of the appender's pages with the reader's decoding.
std::vector<std::vector<Value>> readBack(const MemoryPageSink& sink, const TableDef& t,
                                         JetVersion v, const RowAppender& appender) {
    PageStore store(std::make_unique<MemoryFile>(sink.fileBytes()), sink.pageSize());
    std::vector<std::vector<Value>> rows;
    for (uint32_t pageNo : appender.dataPages()) {
        PageRef page = store.page(pageNo);
        Bytes p(*page);
        EXPECT_EQ(p[0], kPageData);
        EXPECT_EQ(dataPageOwner(p), t.tdefPage);
        for (uint16_t r = 0; r < dataPageRowCount(p, v); ++r) {
            RowSlot slot = dataPageRow(p, v, r);
            RowView row(p.subspan(slot.start, slot.end - slot.start), v, t.varColumnCount > 0);
            std::vector<Value> values;
            for (const ColumnDef& c : t.columns) {
                if (c.type == DataType::Boolean) {
                    values.push_back(Value::boolean(row.boolValue(c)));
                } else if (auto b = row.bytes(c)) {
                    values.push_back(decodeValue(c, *b, v, 1252, store));
                } else {
                    values.push_back(Value());
                }
            }
            rows.push_back(std::move(values));
        }
    }
    for (uint32_t pageNo : appender.longValuePages()) {
        Bytes p(*store.page(pageNo));
        EXPECT_EQ(std::string(p.begin() + 4, p.begin() + 8), "LVAL");
    }
    return rows;
}

// What the reader gives back for a written value: Boolean null is false.
Value expected(const ColumnDef& c, const Value& v) {
    if (c.type == DataType::Boolean) return Value::boolean(v.is<bool>() && v.as<bool>());
    return v;
}

void expectSameRows(const TableDef& t, const std::vector<std::vector<Value>>& written,
                    const std::vector<std::vector<Value>>& read) {
    ASSERT_EQ(read.size(), written.size());
    for (size_t r = 0; r < written.size(); ++r) {
        for (size_t i = 0; i < t.columns.size(); ++i) {
            EXPECT_EQ(read[r][i], expected(t.columns[i], written[r][i]))
                << "row " << r << " column " << t.columns[i].name;
        }
    }
}

class RowRoundTrip : public testing::TestWithParam<JetVersion> {};

std::string versionTestName(const testing::TestParamInfo<JetVersion>& param) {
    std::string name = formatName(param.param);
    std::erase(name, ' ');
    return name;
}

TEST_P(RowRoundTrip, EveryTypeNullsAndLongValuesReadBack) {
    const JetVersion v = GetParam();
    TableDef t = allTypes(v);
    MemoryPageSink sink(pageSizeOf(v));
    sink.allocate();
    RowAppender appender(sink, t, v, 1252);
    std::vector<std::vector<Value>> rows = sampleRows(t, v);
    for (const auto& row : rows) appender.append(row);
    appender.finish();
    EXPECT_EQ(appender.rowCount(), rows.size());
    // The chained OLE value needs pages of its own besides the shared one.
    EXPECT_GE(appender.longValuePages().size(), 3u);
    expectSameRows(t, rows, readBack(sink, t, v, appender));
}

TEST_P(RowRoundTrip, TablesWithoutVariableColumnsHaveNoOffsetTable) {
    const JetVersion v = GetParam();
    TableDef t;
    t.tdefPage = 3;
    t.columns = {fixedColumn("A", DataType::Long, 0, 0, 4),
                 fixedColumn("Yes", DataType::Boolean, 1, 0, 0),
                 fixedColumn("D", DataType::Double, 2, 4, 8)};
    t.maxColumns = 3;
    MemoryPageSink sink(pageSizeOf(v));
    LongValueWriter unused(sink, v);
    std::vector<Value> row = {Value::integer(9), Value::boolean(true), Value()};
    std::vector<uint8_t> bytes = encodeRow(t, row, v, 1252, unused);
    // Column count, 12 fixed bytes, one mask byte: nothing else.
    EXPECT_EQ(bytes.size(), (isJet3(v) ? 1u : 2u) + 12u + 1u);
    EXPECT_EQ(bytes.back(), 0x03);

    sink.allocate();
    RowAppender appender(sink, t, v, 1252);
    appender.append(row);
    appender.finish();
    expectSameRows(t, {row}, readBack(sink, t, v, appender));
}

TEST_P(RowRoundTrip, ManyRowsFillPagesAsAccessDoes) {
    const JetVersion v = GetParam();
    TableDef t;
    t.tdefPage = 5;
    t.columns = {fixedColumn("Id", DataType::Long, 0, 0, 4),
                 varColumn("Name", DataType::Text, 1, 0, 100, true)};
    t.maxColumns = 2;
    t.varColumnCount = 1;
    MemoryPageSink sink(pageSizeOf(v));
    sink.allocate();
    RowAppender appender(sink, t, v, 1252);
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 3000; ++i) {
        rows.push_back(
            {Value::integer(i), Value::text(repeated("n", static_cast<size_t>(i % 40)))});
        RowPointer at = appender.append(rows.back());
        EXPECT_EQ(at.page, appender.dataPages().back());
    }
    appender.finish();
    EXPECT_EQ(appender.rowCount(), 3000u);
    EXPECT_TRUE(appender.longValuePages().empty());
    expectSameRows(t, rows, readBack(sink, t, v, appender));

    // Every page but the last was closed only because the next row did not
    // fit; the free-space field says exactly what is left.
    PageStore store(std::make_unique<MemoryFile>(sink.fileBytes()), sink.pageSize());
    size_t next = 0;
    for (size_t k = 0; k < appender.dataPages().size(); ++k) {
        Bytes p(*store.page(appender.dataPages()[k]));
        uint16_t count = dataPageRowCount(p, v);
        size_t used = 0;
        for (uint16_t r = 0; r < count; ++r) {
            RowSlot s = dataPageRow(p, v, r);
            used += s.end - s.start;
        }
        size_t free = p.size() - rowTableOffset(v) - 2u * count - used;
        EXPECT_EQ(readU16(p, 2), free);
        next += count;
        if (k + 1 < appender.dataPages().size()) {
            LongValueWriter unused(sink, v);
            size_t nextSize = encodeRow(t, rows[next], v, 1252, unused).size();
            EXPECT_TRUE(count == DataPageBuilder::kMaxRowsPerPage || nextSize + 2 > free)
                << "page " << k << " was closed with room for the next row";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, RowRoundTrip,
                         testing::Values(JetVersion::Jet3, JetVersion::Jet4, JetVersion::Ace12,
                                         JetVersion::Ace14),
                         versionTestName);

// Jet 3 offsets are single bytes; rows past 256 bytes need the jump table.
// Values of varying length (some null, some empty) put offsets on, just
// before and just after every 256-byte step, and rows whose data ends before
// a step their trailer crosses (the unused 0xff entry).
TEST(RowRoundTripJet3, LongRowsNeedTheJumpTable) {
    const JetVersion v = JetVersion::Jet3;
    TableDef t;
    t.tdefPage = 9;
    for (uint16_t i = 0; i < 18; ++i) {
        t.columns.push_back(varColumn("C" + std::to_string(i), DataType::Text, i, i, 100));
    }
    t.maxColumns = 18;
    t.varColumnCount = 18;
    MemoryPageSink sink(pageSizeOf(v));
    sink.allocate();
    RowAppender appender(sink, t, v, 1252);
    std::vector<std::vector<Value>> rows;
    size_t longest = 0;
    for (size_t k = 0; k < 120; ++k) {
        std::vector<Value> row;
        for (size_t j = 0; j < 18; ++j) {
            size_t length = (k * 7 + j * 13 + k * j) % 101;
            row.push_back((k + j) % 6 == 0 ? Value() : Value::text(repeated("q", length)));
        }
        LongValueWriter unused(sink, v);
        longest = std::max(longest, encodeRow(t, row, v, 1252, unused).size());
        appender.append(row);
        rows.push_back(std::move(row));
    }
    appender.finish();
    EXPECT_GT(longest, 3u * 256u);
    expectSameRows(t, rows, readBack(sink, t, v, appender));
}

TEST(RowEncoder, RefusesWhatItCannotStore) {
    const JetVersion v = JetVersion::Jet4;
    TableDef t = allTypes(v);
    MemoryPageSink sink(pageSizeOf(v));
    LongValueWriter lv(sink, v);
    std::vector<Value> wrongKind(t.columns.size());
    wrongKind[0] = Value::text("12");  // not converted for the Long column
    std::vector<Value> tooFew(3);

    TableDef wide;
    for (uint16_t i = 0; i < 20; ++i) {
        wide.columns.push_back(varColumn("W" + std::to_string(i), DataType::Binary, i, i, 255));
    }
    wide.maxColumns = 20;
    wide.varColumnCount = 20;
    std::vector<Value> tooLarge(20, Value::binary(pattern(255, 0)));

    struct Case {
        const char* what;
        const TableDef& def;
        const std::vector<Value>& values;
        ErrorCode code;
    } cases[] = {
        {"a value not converted", t, wrongKind, ErrorCode::InvalidArgument},
        {"too few values", t, tooFew, ErrorCode::InvalidArgument},
        {"a row past the size limit", wide, tooLarge, ErrorCode::Constraint},
    };
    for (const Case& c : cases) {
        try {
            encodeRow(c.def, c.values, v, 1252, lv);
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), c.code) << c.what << ": " << e.what();
        }
    }
}

}  // namespace

namespace {

// The Jet 3 jump table's byte order, which the reader does not depend on
// but Access and mdbtools do: the entry for the first 256-byte step lies
// next to the variable-column count, later steps further out, and a step
// only the trailer crosses holds 0xff.
TEST(RowEncoderJet3, JumpTableEntriesRunOutwardFromTheCount) {
    struct Case {
        const char* what;
        std::vector<size_t> lengths;  // SIZE_MAX: null
        size_t rowSize;
        std::vector<uint8_t> tail;  // jump table, variable count, null mask
    } cases[] = {
        {"two steps", {300, 300, 10}, 619, {0x02, 0x01, 0x03, 0x07}},
        {"a step only the trailer crosses", {300, 208, SIZE_MAX}, 517, {0xFF, 0x01, 0x03, 0x03}},
        {"one value over two steps", {600, 5, 5}, 619, {0x01, 0x01, 0x03, 0x07}},
        {"short rows have none", {10, 20, 30}, 67, {0x03, 0x07}},
    };
    const JetVersion v = JetVersion::Jet3;
    TableDef t;
    for (uint16_t i = 0; i < 3; ++i) {
        t.columns.push_back(varColumn("V" + std::to_string(i), DataType::Binary, i, i, 1000));
    }
    t.maxColumns = 3;
    t.varColumnCount = 3;
    MemoryPageSink sink(pageSizeOf(v));
    LongValueWriter lv(sink, v);
    for (const Case& c : cases) {
        std::vector<Value> row;
        for (size_t n : c.lengths)
            row.push_back(n == SIZE_MAX ? Value() : Value::binary(Blob(n, 0x5A)));
        std::vector<uint8_t> bytes = encodeRow(t, row, v, 1252, lv);
        ASSERT_EQ(bytes.size(), c.rowSize) << c.what;
        std::vector<uint8_t> tail(bytes.end() - static_cast<std::ptrdiff_t>(c.tail.size()),
                                  bytes.end());
        EXPECT_EQ(tail, c.tail) << c.what;
        RowView view(Bytes(bytes), v, true);
        for (size_t i = 0; i < 3; ++i) {
            auto b = view.bytes(t.columns[i]);
            if (c.lengths[i] == SIZE_MAX) {
                EXPECT_FALSE(b) << c.what;
            } else {
                ASSERT_TRUE(b) << c.what;
                EXPECT_EQ(b->size(), c.lengths[i]) << c.what;
            }
        }
    }
}

}  // namespace
