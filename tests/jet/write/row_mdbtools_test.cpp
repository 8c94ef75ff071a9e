// Rows written by the row writer into Access-made files, read by an
// independent reader: a copy of a fixture gets new rows of our own in place
// of a table's rows (its first data page rewritten, its other data pages
// emptied, long values on new pages at the end of the file) and mdb-export
// must list exactly those values. Covers Jet 3 rows long enough for several
// jump-table entries, compressed and plain text, and long values in every
// placement, in the layouts mdbtools knows independently of this engine.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/file.h"
#include "jet/table/table_scan.h"
#include "jet/format/data_page_builder.h"
#include "jet/write/long_value_writer.h"
#include "jet/format/row_encoder.h"
#include "jet/format/value_encoder.h"
#include "support/fixtures.h"

using namespace jet;
using testing_support::runCommand;
using testing_support::shellQuote;

namespace {

const char* const kCell = "|~|";
const char* const kRow = "<~>";
const char* const kNull = "@";

std::string textOf(size_t length, size_t seed, bool accented) {
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        if (accented && i % 11 == 5) {
            s += "é";
        } else {
            s += static_cast<char>('a' + (seed + i) % 26);
        }
    }
    return s;
}

// A value of row k for column c and how mdb-export prints it; nullopt
// value when the type is not generated here (left null).
struct Cell {
    Value value;
    std::string printed;
};

Cell cellFor(const ColumnDef& c, size_t k, JetVersion v) {
    const bool null = (k + c.number) % 7 == 3 && c.type != DataType::Boolean;
    if (null) return {Value(), kNull};
    const size_t chars = isJet3(v) ? c.length : c.length / 2u;
    switch (c.type) {
        case DataType::Text: {
            // Full length, empty, and lengths in between.
            size_t n = k % 5 == 0 ? chars : k % 5 == 1 ? 0 : (k * 7 + c.number * 3) % chars;
            std::string s = textOf(n, k + c.number, k % 2 == 0);
            // mdbtools shows a zero-length text (stored, not null) as null.
            return {Value::text(s), s.empty() ? kNull : s};
        }
        case DataType::Memo: {
            size_t n = k % 3 == 0 ? 10000 : k % 3 == 1 ? 20 : 1500;
            std::string s = textOf(n, k, k % 2 == 1);
            return {Value::text(s), s};
        }
        case DataType::Byte:
            return {Value::integer(static_cast<int64_t>(k % 256)), std::to_string(k % 256)};
        case DataType::Integer:
            return {Value::integer(static_cast<int64_t>(k) * 100 - 500),
                    std::to_string(static_cast<int64_t>(k) * 100 - 500)};
        case DataType::Long:
            return {Value::integer(static_cast<int64_t>(k) * 100003),
                    std::to_string(static_cast<int64_t>(k) * 100003)};
        case DataType::Boolean:
            return {Value::boolean(k % 2 == 1), k % 2 == 1 ? "1" : "0"};
        case DataType::DateTime: {
            double day = 30000.0 + static_cast<double>(k) * 37 + 0.75;
            return {Value::dateTime(day), formatDateTime(day)};
        }
        case DataType::Currency:
            return {Value::currency(static_cast<int64_t>(k) * 12345),
                    formatCurrency(static_cast<int64_t>(k) * 12345)};
        case DataType::Double: {
            double d = static_cast<double>(k) + 0.5;
            return {Value::real(d), formatDouble(d)};
        }
        default:
            return {Value(), kNull};
    }
}

std::vector<std::string> split(const std::string& s, const std::string& by) {
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t at; (at = s.find(by, from)) != std::string::npos; from = at + by.size()) {
        out.push_back(s.substr(from, at - from));
    }
    if (from < s.size()) out.push_back(s.substr(from));
    return out;
}

struct Rewritten {
    std::vector<std::vector<std::string>> printed;  // one entry per row written
    size_t longValuePages = 0;
    size_t longestRow = 0;
};

// Replaces the rows of `table` in the file at `path` with generated ones.
Rewritten rewriteTable(const std::string& path, const std::string& table) {
    std::shared_ptr<const TableDef> def;
    JetVersion v;
    uint16_t codePage;
    std::vector<uint32_t> dataPages;
    uint32_t pageCount;
    {
        auto db = Database::open(path);
        def = db->table(table);
        v = db->version();
        codePage = db->codePage();
        pageCount = db->pages().pageCount();
        TableScan scan(*db, def);
        std::set<uint32_t> seen;
        while (scan.next()) {
            if (seen.insert(scan.rowId().page).second) dataPages.push_back(scan.rowId().page);
        }
    }
    EXPECT_FALSE(dataPages.empty()) << table;
    auto file = openPosixFile(path, true);
    FilePageSink sink(*file, pageSizeOf(v));
    while (sink.pageCount() < pageCount) sink.allocate();

    Rewritten out;
    LongValueWriter longValues(sink, v);
    DataPageBuilder page(v, def->tdefPage);
    for (size_t k = 0;; ++k) {
        std::vector<Value> values;
        std::vector<std::string> printed;
        for (const ColumnDef& c : def->columns) {
            Cell cell = cellFor(c, k, v);
            values.push_back(convertForColumn(cell.value, c, v, codePage));
            printed.push_back(cell.printed);
        }
        std::vector<uint8_t> row = encodeRow(*def, values, v, codePage, longValues);
        if (!page.fits(row.size()) || k == 60) break;
        page.add(row);
        out.longestRow = std::max(out.longestRow, row.size());
        out.printed.push_back(std::move(printed));
    }
    longValues.finish();
    out.longValuePages = longValues.pages().size();
    sink.write(dataPages[0], page.bytes());
    for (size_t i = 1; i < dataPages.size(); ++i) {
        sink.write(dataPages[i], DataPageBuilder(v, def->tdefPage).bytes());
    }
    file->sync();
    return out;
}

TEST(RowsReadByMdbtools, ExportListsTheWrittenValues) {
    struct Case {
        const char* fixture;
        const char* table;
    } cases[] = {
        {"V1997/testV1997.mdb", "Table1"},        {"V2000/testV2000.mdb", "Table1"},
        {"V2010/testV2010.accdb", "Table1"},      {"V1997/test2V1997.mdb", "MSP_PROJECTS"},
        {"V2000/test2V2000.mdb", "MSP_PROJECTS"}, {"V2010/test2V2010.accdb", "MSP_PROJECTS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.table);
        testing_support::TempDir dir;
        std::string path = dir.copy(c.fixture).string();
        Rewritten r = rewriteTable(path, c.table);
        ASSERT_GE(r.printed.size(), 2u);
        int status = 0;
        std::string exported =
            runCommand("mdb-export -H -Q -d '" + std::string(kCell) + "' -R '" + kRow + "' -0 '" +
                           kNull + "' -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " +
                           shellQuote(path) + " " + shellQuote(c.table),
                       &status);
        ASSERT_EQ(status, 0);
        std::vector<std::string> rows = split(exported, kRow);
        ASSERT_EQ(rows.size(), r.printed.size());
        for (size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(split(rows[k], kCell), r.printed[k]) << "row " << k;
        }
        std::printf("%s %s: %zu rows, longest %zu bytes, %zu long-value pages\n", c.fixture,
                    c.table, r.printed.size(), r.longestRow, r.longValuePages);
    }
}

}  // namespace
