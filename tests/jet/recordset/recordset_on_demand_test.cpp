// Recordsets that read their values from the file on demand must show what a
// recordset holding the query's values shows: the same records in the same
// order under every filter and sort. The held recordset runs the same table
// through a UNION ALL, which keeps every value in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/recordset/recordset.h"
#include "jet/sql/functions/functions_locale.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "support/fixtures.h"
#include "support/table_file.h"

namespace jet {
namespace {

std::string cell(const Value& v) {
    if (v.isNull()) return "<null>";
    if (v.is<Blob>()) return hexString(v.as<Blob>());
    return toText(v, englishUnitedStates());
}

std::vector<std::string> records(Recordset& rs) {
    std::vector<std::string> out;
    for (rs.first(); !rs.isEof(); rs.next()) {
        std::string line;
        for (size_t i = 0; i < rs.fieldCount(); ++i) {
            line += cell(rs.value(i));
            line += '|';
        }
        out.push_back(line);
    }
    return out;
}

TEST(RecordsetOnDemand, OnlyPlainTableColumnsAreReadOnDemand) {
    auto db = Database::open(testing_support::fixture("V2000/indexTestV2000.mdb").string());
    const struct {
        const char* sql;
        bool onDemand;
    } cases[] = {
        {"SELECT * FROM Table1", true},
        {"SELECT data, id FROM Table1 WHERE id > 1 ORDER BY id DESC", true},
        {"SELECT TOP 2 id AS Ident FROM Table1 ORDER BY id", true},
        {"SELECT id + 0 AS n FROM Table1", false},
        {"SELECT DISTINCT id FROM Table1", false},
        {"SELECT Count(*) FROM Table1", false},
        {"SELECT t1.id, t2.id FROM Table1 AS t1, Table1 AS t2", false},
        {"SELECT id FROM Table1 UNION ALL SELECT id FROM Table1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Recordset rs;
        rs.open(*db, c.sql);
        EXPECT_EQ(rs.readsOnDemand(), c.onDemand);
    }
}

TEST(RecordsetOnDemand, ShowsWhatAHeldRecordsetShows) {
    const struct {
        const char* file;
        const char* table;
        const char* filter;
        const char* sort;
    } cases[] = {
        {"V2000/testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", "", ""},
        {"V2000/testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", "(data1 = NULL)", "row DESC"},
        {"V2000/testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", "(row LIKE '*1*')",
         "data2, row"},
        {"V2000/indexTestV2000.mdb", "Table1", "(id >= 2) AND (id < 40)", "data DESC"},
        {"V2000/indexTestV2000.mdb", "Table1", "", "otherfk1 DESC, id"},
        {"V2000/testV2000.mdb", "Table1", "(A <> NULL) OR (B = NULL)", "C, A DESC"},
        {"V2010/queryTestV2010.accdb", "Table1", "NOT (col1 = 1)", "col2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.table + " filter " + c.filter + " sort " +
                     c.sort);
        auto db = Database::open(testing_support::fixture(c.file).string());
        const std::string table = std::string("[") + c.table + "]";
        Recordset onDemand, held;
        onDemand.open(*db, "SELECT * FROM " + table);
        held.open(*db,
                  "SELECT * FROM " + table + " UNION ALL SELECT * FROM " + table + " WHERE 1 = 0");
        ASSERT_TRUE(onDemand.readsOnDemand());
        ASSERT_FALSE(held.readsOnDemand());
        for (Recordset* rs : {&onDemand, &held}) {
            if (*c.filter) rs->setFilter(c.filter);
            if (*c.sort) rs->setSort(c.sort);
        }
        EXPECT_EQ(onDemand.recordCount(), held.recordCount());
        EXPECT_EQ(records(onDemand), records(held));
    }
}

TEST(RecordsetOnDemand, LocateRequeryAndBookmarksWork) {
    auto db =
        Database::open(testing_support::fixture("V2000/testIndexPropertiesV2000.mdb").string());
    Recordset rs;
    rs.open(*db, "SELECT * FROM TableIgnoreNulls2");
    ASSERT_TRUE(rs.readsOnDemand());
    ASSERT_TRUE(rs.locate("row", {Value::text("ROW5")}));
    const std::optional<Bookmark> mark = rs.bookmark();
    ASSERT_TRUE(mark);
    rs.setSort("row DESC");
    EXPECT_EQ(cell(rs.value("row")), "row5");
    rs.requery();
    EXPECT_EQ(cell(rs.value("row")), "row5");
    rs.first();
    ASSERT_TRUE(rs.moveToBookmark(*mark));
    EXPECT_EQ(cell(rs.value("row")), "row5");
}

// Past its first records a locate on a large recordset reads the table in
// one pass; it must still find the first match in the view's order, as the
// record-by-record search of a held recordset does.
TEST(RecordsetOnDemand, LocateFindsTheFirstMatchInViewOrderPastTheFirstRecords) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "items.mdb").string();
    TableSpec spec;
    spec.name = "Items";
    spec.columns = {testing_support::columnSpec("Id", 4), testing_support::columnSpec("Grp", 4),
                    testing_support::columnSpec("Name", 10, 20)};
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 3000; ++i) {
        std::string name = "name" + std::to_string(i % 97);
        if (i % 3 == 0) name = "NAME" + std::to_string(i % 97);
        rows.push_back({Value::integer(i), Value::integer(i % 7), Value::text(name)});
    }
    testing_support::writeTableFile(path, spec, rows);
    auto db = Database::open(path);

    const struct {
        const char* filter;
        const char* sort;
        const char* fields;
        std::vector<Value> values;
        LocateOptions options;
    } cases[] = {
        {"", "", "Id", {Value::integer(2500)}, {}},
        {"", "Id DESC", "Id", {Value::integer(7)}, {}},
        {"", "Name, Id", "Name;Grp", {Value::text("name96"), Value::integer(3)}, {}},
        {"(Grp <> 2)", "Grp DESC, Id DESC", "Name", {Value::text("NAME5")}, {true, false}},
        {"(Grp <> 2)", "Grp DESC, Id DESC", "Name", {Value::text("NAME5")}, {false, false}},
        {"", "Grp", "Name", {Value::text("NAME9")}, {true, true}},
        {"(Id > 100)", "", "Grp;Name", {Value::integer(6), Value::text("name1")}, {}},
        {"", "", "Id", {Value::integer(4000)}, {}},
        {"(Id < 2000)", "", "Id", {Value::integer(2500)}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("filter ") + c.filter + " sort " + c.sort + " locate " + c.fields);
        Recordset onDemand, held;
        onDemand.open(*db, "SELECT * FROM Items");
        held.open(*db, "SELECT * FROM Items UNION ALL SELECT * FROM Items WHERE 1 = 0");
        ASSERT_TRUE(onDemand.readsOnDemand());
        for (Recordset* rs : {&onDemand, &held}) {
            if (*c.filter) rs->setFilter(c.filter);
            if (*c.sort) rs->setSort(c.sort);
            rs->moveBy(5);
        }
        const bool found = onDemand.locate(c.fields, c.values, c.options);
        EXPECT_EQ(found, held.locate(c.fields, c.values, c.options));
        EXPECT_EQ(onDemand.recNo(), held.recNo());
        if (found) {
            EXPECT_EQ(cell(onDemand.value("Id")), cell(held.value("Id")));
        } else {
            EXPECT_EQ(onDemand.recNo(), 6u) << "a miss leaves the position where it was";
        }
    }
}

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// A grid reads the rows it shows by position and a column's values in one
// pass, without moving the current record.
TEST(RecordsetOnDemand, ValuesByPositionAndOneColumnLeaveTheCurrentRecord) {
    auto db = Database::open(testing_support::fixture("V2000/indexTestV2000.mdb").string());
    for (const char* sql : {"SELECT * FROM Table1", "SELECT id + 0 AS n, data FROM Table1"}) {
        SCOPED_TRACE(sql);
        Recordset rs;
        rs.open(*db, sql);
        rs.setSort("data DESC");
        rs.first();
        rs.moveBy(1);
        const std::string current = cell(rs.value(1));
        std::vector<std::string> byPosition;
        for (size_t p = 0; p < rs.recordCount(); ++p) byPosition.push_back(cell(rs.valueAt(p, 1)));
        EXPECT_EQ(cell(rs.value(1)), current);
        EXPECT_EQ(rs.recNo(), 2u);
        std::vector<std::string> visited(rs.recordCount());
        size_t calls = 0;
        rs.visitFieldValues(1, [&](size_t position, const Value& value) {
            visited.at(position) = cell(value);
            return ++calls > 0;
        });
        EXPECT_EQ(visited, byPosition);
        std::vector<std::string> inOrder;
        for (rs.first(); !rs.isEof(); rs.next()) inOrder.push_back(cell(rs.value(1)));
        EXPECT_EQ(byPosition, inOrder);
        // A stop ends the pass at once.
        calls = 0;
        rs.visitFieldValues(1, [&](size_t, const Value&) { return ++calls < 2; });
        EXPECT_EQ(calls, 2u);
        EXPECT_THROW(rs.valueAt(rs.recordCount(), 0), Error);
    }
}

}  // namespace
}  // namespace jet
