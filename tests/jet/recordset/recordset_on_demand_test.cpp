// Recordsets that read their values from the file on demand must show what a
// recordset holding the query's values shows: the same records in the same
// order under every filter and sort. The held recordset runs the same table
// through a UNION ALL, which keeps every value in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/recordset/recordset.h"
#include "jet/sql/functions_locale.h"
#include "jet/sql/value_ops_convert.h"
#include "support/fixtures.h"

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
    rs.edit();
    EXPECT_EQ(cell(rs.editBuffer().values().at(0)), cell(rs.value(0)));
}

}  // namespace
}  // namespace jet
