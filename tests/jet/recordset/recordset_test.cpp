// The recordset over fixture queries: navigation and fields, filter texts
// as the program's filter builders write them, sort, bookmarks, locate,
// requery and the edit buffer. Fixtures are opened read-only.
#include "jet/recordset/recordset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/functions/value_ops_text.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using testing_support::fixture;

std::shared_ptr<Database> openFixture(const std::string& name) {
    return Database::open(fixture(name).string());
}

// 11 rows; data1 and data2 hold Nulls; natural order ends with row3.
constexpr const char* kNullsFile = "V2000/testIndexPropertiesV2000.mdb";
constexpr const char* kNullsSql = "SELECT * FROM TableIgnoreNulls2";

// Four rows of the kinds the filter builders compare: text with a quote,
// a fractional number, Booleans, dates with and without a time, Nulls.
constexpr const char* kPeopleFile = "V2000/testV2000.mdb";
constexpr const char* kPeopleSql =
    "SELECT 'O''Neil' AS Name, 12.5 AS Price, True AS Active, #2024-03-05 10:30:00# AS [Order "
    "Date], 125 AS F FROM Table1 WHERE A = 'a' "
    "UNION ALL SELECT 'Smith', 3.25, False, #2023-12-31#, 120 FROM Table1 WHERE A = 'a' "
    "UNION ALL SELECT 'Goldsmithers', 12.5, True, Null, 130 FROM Table1 WHERE A = 'a' "
    "UNION ALL SELECT 'Brown', Null, False, #2024-03-05#, 119 FROM Table1 WHERE A = 'a'";

std::string cellText(const Value& v) {
    if (v.isNull()) return "null";
    if (v.is<std::string>()) return v.as<std::string>();
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    return "?";
}

// The named field of every record in order, from the first; the position
// is left at EOF.
std::string column(Recordset& rs, const std::string& name) {
    std::string out;
    for (rs.first(); !rs.isEof(); rs.next()) {
        if (!out.empty()) out += ',';
        out += cellText(rs.value(name));
    }
    return out;
}

std::string current(const Recordset& rs, const std::string& name) {
    return rs.isBof() || rs.isEof() ? "<none>" : cellText(rs.value(name));
}

TEST(RecordsetNavigation, MovesThroughRowsAndReportsEnds) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    EXPECT_EQ(rs.recordCount(), 11u);
    EXPECT_FALSE(rs.isBof());
    EXPECT_EQ(current(rs, "row"), "row0");
    EXPECT_EQ(rs.recNo(), 1u);
    rs.next();
    EXPECT_EQ(current(rs, "ROW"), "row1");
    EXPECT_TRUE(rs.isNull(*rs.fieldIndex("data1")));
    rs.last();
    EXPECT_EQ(current(rs, "row"), "row3");
    EXPECT_EQ(rs.recNo(), 11u);
    rs.next();
    EXPECT_TRUE(rs.isEof());
    EXPECT_FALSE(rs.isBof());
    EXPECT_EQ(rs.recNo(), 0u);
    EXPECT_THROW(rs.value(0), Error);
    rs.next();  // stays at EOF
    rs.prior();
    EXPECT_EQ(current(rs, "row"), "row3");
    rs.moveBy(-100);
    EXPECT_TRUE(rs.isBof());
    rs.moveBy(3);
    EXPECT_EQ(current(rs, "row"), "row2");
    rs.moveBy(2);
    EXPECT_EQ(rs.recNo(), 5u);
    rs.moveBy(100);
    EXPECT_TRUE(rs.isEof());
}

TEST(RecordsetNavigation, EmptyResultIsBothBofAndEof) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, std::string(kNullsSql) + " WHERE 1=0");
    EXPECT_EQ(rs.recordCount(), 0u);
    EXPECT_TRUE(rs.isBof());
    EXPECT_TRUE(rs.isEof());
    rs.first();
    EXPECT_TRUE(rs.isEof());
    EXPECT_EQ(rs.fieldCount(), 3u);
    EXPECT_FALSE(rs.bookmark().has_value());
}

TEST(RecordsetNavigation, FailedOpenLeavesItClosedAndEmpty) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    EXPECT_THROW(rs.open(*db, "SELECT * FROM NoSuchTable"), Error);
    EXPECT_FALSE(rs.isOpen());
    EXPECT_EQ(rs.recordCount(), 0u);
    EXPECT_TRUE(rs.isEof());
    EXPECT_THROW(rs.requery(), Error);
}

TEST(RecordsetFields, DescribeTypeSizeAndWhetherWritable) {
    auto db = openFixture("V2000/testV2000.mdb");
    Recordset rs;
    rs.open(*db, "SELECT A, E, G, I, C + D AS Total FROM Table1");
    ASSERT_EQ(rs.fieldCount(), 5u);
    EXPECT_EQ(rs.field(0).name, "A");
    EXPECT_EQ(rs.field(0).type, DataType::Text);
    EXPECT_EQ(rs.field(0).size, 50);
    EXPECT_FALSE(rs.field(0).readOnly);
    EXPECT_EQ(rs.field(1).type, DataType::Long);
    EXPECT_EQ(rs.field(2).type, DataType::DateTime);
    EXPECT_EQ(rs.field(3).type, DataType::Boolean);
    EXPECT_FALSE(rs.field(0).required);
    EXPECT_TRUE(rs.field(4).readOnly);
    EXPECT_EQ(rs.fieldIndex("total"), 4u);
    EXPECT_FALSE(rs.fieldIndex("nope").has_value());
    EXPECT_EQ(cellText(rs.value("a")), "abcdefg");
}

struct FilterCase {
    const char* text;
    const char* names;  // Name of the passing rows, in order
};

TEST(RecordsetFilter, TextsOfTheFilterBuilders) {
    const FilterCase cases[] = {
        {"(Name = 'O''Neil')", "O'Neil"},
        {"(Name = 'o''NEIL')", "O'Neil"},
        {"(Price = 12.5)", "O'Neil,Goldsmithers"},
        {"(Active = true)", "O'Neil,Goldsmithers"},
        {"(Active = FALSE)", "Smith,Brown"},
        {"([Order Date] =  NULL )", "Goldsmithers"},
        {"([Order Date] <> NULL)", "O'Neil,Smith,Brown"},
        {"([Order Date] IS NOT NULL) AND (Price IS NULL)", "Brown"},
        {"(Name LIKE '*smith*')", "Smith,Goldsmithers"},
        {"(Name LIKE '%SMITH%')", "Smith,Goldsmithers"},
        {"(Name LIKE 'sm_th')", "Smith"},
        {"(Name LIKE 'Sm?th')", "Smith"},
        {"(Name NOT LIKE '*smith*')", "O'Neil,Brown"},
        {"(F >= 120) AND (F < 130)", "O'Neil,Smith"},
        {"(F>=120)AND(F<130)", "O'Neil,Smith"},
        {"([Order Date] >= '2024-03-05')", "O'Neil,Brown"},
        {"([Order Date] = '2024-03-05 10:30:00')", "O'Neil"},
        {"([Order Date] = '2024-03-05')", "Brown"},
        {"([Order Date] < #1/1/2024#)", "Smith"},
        {"([Order Date] >= #2024-03-05#) AND ([Order Date] <= '2024-03-05 23:59:59')",
         "O'Neil,Brown"},
        {"(Price IS NULL) OR NOT ((F > 119) AND (Active = true))", "Smith,Brown"},
        {"((Name = 'Smith') OR (Name = 'Brown')) AND NOT (F = 119)", "Smith"},
        {"(F BETWEEN 119 AND 120)", "Smith,Brown"},
        {"(Name IN ('brown', 'SMITH'))", "Smith,Brown"},
        {"(F * 2 > 250)", "Goldsmithers"},
        {"(Price > 100)", ""},
        {"(Price <> 12.5)", "Smith"},  // Null is neither equal nor unequal
    };
    auto db = openFixture(kPeopleFile);
    Recordset rs;
    rs.open(*db, kPeopleSql);
    ASSERT_EQ(rs.recordCount(), 4u);
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.text);
        rs.setFilter(c.text);
        EXPECT_EQ(column(rs, "Name"), c.names);
        EXPECT_EQ(rs.recordCount(), std::string(c.names).empty()
                                        ? 0u
                                        : 1u + std::count(c.names, c.names + strlen(c.names), ','));
        EXPECT_EQ(rs.filterText(), c.text);
    }
    rs.setFilter("");
    EXPECT_EQ(rs.recordCount(), 4u);
    EXPECT_EQ(rs.filterText(), "");
}

TEST(RecordsetFilter, CaseSensitiveWhenToldSo) {
    auto db = openFixture(kPeopleFile);
    Recordset rs;
    rs.open(*db, kPeopleSql);
    rs.setFilter("(Name LIKE '*SMITH*') OR (Name = 'o''neil')");
    EXPECT_EQ(column(rs, "Name"), "O'Neil,Smith,Goldsmithers");
    rs.setCaseSensitive(true);
    EXPECT_EQ(rs.recordCount(), 0u);
    rs.setFilter("(Name LIKE '*smith*') OR (Name = 'O''Neil')");
    EXPECT_EQ(column(rs, "Name"), "O'Neil,Goldsmithers");  // "Smith" has a capital S
}

TEST(RecordsetFilter, GuidsAsBracedText) {
    auto db = openFixture("V1997/testIndexCodesV1997.mdb");
    Recordset rs;
    rs.open(*db, "SELECT * FROM Table13");
    ASSERT_GT(rs.recordCount(), 10u);
    rs.setFilter("(data = '{8E39276A-BCA8-4AC4-891E-49911D8438DD}')");
    EXPECT_EQ(column(rs, "name"), "row0");
    rs.setFilter("(data = '{8e39276a-bca8-4ac4-891e-49911d8438dd}') OR (name = 'row1')");
    EXPECT_EQ(column(rs, "name"), "row0,row1");
    rs.setFilter("(data <> '{8E39276A-BCA8-4AC4-891E-49911D8438DD}')");
    EXPECT_EQ(rs.recordCount(), 19u);
}

TEST(RecordsetFilter, RefusedTextKeepsTheOldFilterAndPosition) {
    auto db = openFixture(kPeopleFile);
    Recordset rs;
    rs.open(*db, kPeopleSql);
    rs.setFilter("(Active = true)");
    rs.last();
    for (const char* bad : {"(Name = )", "(Name = 'x'", "(Nope = 1)", "(Name = 'a') AND",
                            "([Order Date] = '05/03/2024')", "(Len(Name) = 5)"}) {
        SCOPED_TRACE(bad);
        try {
            rs.setFilter(bad);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()), "");
        }
        EXPECT_EQ(rs.filterText(), "(Active = true)");
        EXPECT_EQ(rs.recordCount(), 2u);
        EXPECT_EQ(current(rs, "Name"), "Goldsmithers");
    }
}

TEST(RecordsetFilter, KeepsTheCurrentRecordWhenItPassesElseGoesToTheFirst) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    ASSERT_TRUE(rs.locate("row", {Value::text("row6")}));
    rs.setFilter("(data2 > 0)");
    EXPECT_EQ(current(rs, "row"), "row6");
    EXPECT_EQ(rs.recNo(), 3u);  // row0, row1, row6
    rs.setFilter("(data2 < 0)");
    EXPECT_EQ(current(rs, "row"), "row7");
}

TEST(RecordsetSort, NullsFirstStableAndKeepsTheCurrentRecord) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    ASSERT_TRUE(rs.locate("row", {Value::text("row6")}));
    rs.setSort("DATA1");
    EXPECT_EQ(current(rs, "row"), "row6");
    EXPECT_EQ(rs.recNo(), 7u);
    EXPECT_EQ(column(rs, "row"), "row1,row5,row8,row10,row3,row7,row6,row2,row4,row9,row0");
    rs.setSort("[data1] DESC");
    EXPECT_EQ(column(rs, "row"), "row0,row9,row4,row2,row6,row7,row1,row5,row8,row10,row3");
    rs.setSort("data1, DATA2 desc");
    EXPECT_EQ(column(rs, "row"), "row1,row8,row3,row10,row5,row7,row6,row2,row4,row9,row0");
    EXPECT_EQ(rs.sortText(), "data1, DATA2 desc");
    rs.setSort("");
    EXPECT_EQ(column(rs, "row"), "row0,row1,row2,row4,row5,row6,row7,row8,row9,row10,row3");
}

TEST(RecordsetSort, UnknownFieldIsRefusedAndTheOldSortStays) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    rs.setSort("data2");
    try {
        rs.setSort("data2, nope DESC");
        ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Item cannot be found in the collection"),
                  std::string::npos);
    }
    EXPECT_EQ(rs.sortText(), "data2");
    EXPECT_EQ(column(rs, "row"), "row2,row5,row10,row7,row3,row9,row4,row8,row0,row1,row6");
}

TEST(RecordsetSort, TextFollowsTheCollationGiven) {
    auto db = openFixture(kPeopleFile);
    Recordset rs;
    rs.open(*db, kPeopleSql);
    rs.setSort("Name");
    EXPECT_EQ(column(rs, "Name"), "Brown,Goldsmithers,O'Neil,Smith");
    // A collation that reads text backwards stands in for a database sort order.
    rs.setTextCollation([](std::string_view a, std::string_view b) {
        return compareTextNoCase(std::string(a.rbegin(), a.rend()),
                                 std::string(b.rbegin(), b.rend()));
    });
    // htimS, lieN'O, nworB, srehtimsdloG
    EXPECT_EQ(column(rs, "Name"), "Smith,O'Neil,Brown,Goldsmithers");
}

TEST(RecordsetBookmark, SurvivesFilterSortAndRequeryAndIsInvalidWhenFilteredOut) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    ASSERT_TRUE(rs.locate("row", {Value::text("row6")}));
    const Bookmark mark = *rs.bookmark();
    rs.next();
    const Bookmark other = *rs.bookmark();
    EXPECT_NE(mark, other);

    rs.setSort("data2 DESC");
    EXPECT_TRUE(rs.isBookmarkValid(mark));
    rs.first();
    ASSERT_TRUE(rs.moveToBookmark(mark));
    EXPECT_EQ(current(rs, "row"), "row6");

    rs.setFilter("(data2 < 0)");
    EXPECT_FALSE(rs.isBookmarkValid(mark));
    const size_t at = rs.recNo();
    EXPECT_FALSE(rs.moveToBookmark(mark));
    EXPECT_EQ(rs.recNo(), at);  // an invalid bookmark does not move

    rs.setFilter("");
    rs.requery();
    EXPECT_TRUE(rs.isBookmarkValid(mark));
    ASSERT_TRUE(rs.moveToBookmark(mark));
    EXPECT_EQ(current(rs, "row"), "row6");
    ASSERT_TRUE(rs.moveToBookmark(other));
    EXPECT_EQ(current(rs, "row"), "row7");

    // Another recordset over the same SQL gives the same bookmarks.
    Recordset again;
    again.open(*db, kNullsSql);
    ASSERT_TRUE(again.moveToBookmark(mark));
    EXPECT_EQ(current(again, "row"), "row6");
}

TEST(RecordsetBookmark, RowsWithoutBaseRowsUseTheirOrdinal) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, "SELECT data1, Count(*) AS N FROM TableIgnoreNulls2 GROUP BY data1");
    ASSERT_EQ(rs.recordCount(), 7u);
    rs.moveBy(2);
    const std::string was = current(rs, "data1");
    const Bookmark mark = *rs.bookmark();
    rs.setSort("N DESC");
    rs.requery();
    EXPECT_EQ(current(rs, "data1"), was);
    ASSERT_TRUE(rs.moveToBookmark(mark));
    EXPECT_EQ(current(rs, "data1"), was);
}

// Every row of a join or of a UNION that repeats base rows has its own
// bookmark, and each one leads back to its own record.
TEST(RecordsetBookmark, DistinctForJoinedAndRepeatedRows) {
    struct Case {
        const char* file;
        const char* sql;
        size_t rows;
    };
    const Case cases[] = {
        {"V2000/indexTestV2000.mdb",
         "SELECT Table1.id, Table1.data, Table2.data FROM Table1 LEFT JOIN Table2 ON "
         "Table1.otherfk1 = Table2.id",
         4},
        {kNullsFile,
         "SELECT row FROM TableIgnoreNulls2 UNION ALL SELECT row FROM TableIgnoreNulls2", 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        auto db = openFixture(c.file);
        Recordset rs;
        rs.open(*db, c.sql);
        ASSERT_EQ(rs.recordCount(), c.rows);
        std::vector<Bookmark> marks;
        for (rs.first(); !rs.isEof(); rs.next()) marks.push_back(*rs.bookmark());
        rs.requery();
        for (size_t i = 0; i < marks.size(); ++i) {
            ASSERT_TRUE(rs.moveToBookmark(marks[i]));
            EXPECT_EQ(rs.recNo(), i + 1);
        }
    }
}

TEST(RecordsetFilter, QualifiedColumnNamesOfAJoin) {
    auto db = openFixture("V2000/indexTestV2000.mdb");
    Recordset rs;
    rs.open(*db,
            "SELECT Table1.id, Table1.data, Table2.data FROM Table1 LEFT JOIN Table2 ON "
            "Table1.otherfk1 = Table2.id");
    rs.setFilter("([Table2.data] = 'FOO1') AND (Table1.data LIKE '*-2')");
    EXPECT_EQ(column(rs, "id"), "2");
    rs.setSort("[Table1.data] DESC");
    rs.setFilter("");
    EXPECT_EQ(column(rs, "id"), "3,2,1,0");
}

TEST(RecordsetRequery, KeepsFilterSortAndTheRecord) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    rs.setFilter("(data1 <> NULL)");
    rs.setSort("data1 DESC");
    ASSERT_TRUE(rs.locate("data1", {Value::text("some")}));
    const size_t recNo = rs.recNo();
    rs.requery();
    EXPECT_EQ(rs.filterText(), "(data1 <> NULL)");
    EXPECT_EQ(rs.recordCount(), 6u);
    EXPECT_EQ(current(rs, "row"), "row4");
    EXPECT_EQ(rs.recNo(), recNo);
}

TEST(RecordsetLocate, FieldsValuesAndOptions) {
    auto db = openFixture(kNullsFile);
    Recordset rs;
    rs.open(*db, kNullsSql);
    struct Case {
        const char* fields;
        std::vector<Value> values;
        LocateOptions options;
        const char* found;  // row found, nullptr when none
    };
    const Case cases[] = {
        {"row;data2", {Value::text("ROW6"), Value::integer(9087)}, {}, "row6"},
        {"row; [data2]", {Value::text("row6"), Value::integer(9086)}, {}, nullptr},
        {"row", {Value::text("ROW6")}, {false, false}, nullptr},
        {"data1", {Value::text("STILL")}, {true, true}, "row9"},
        {"data1", {Value::text("STILL")}, {false, true}, nullptr},
        {"data1", {Value::text("still")}, {true, false}, nullptr},
        {"data1", {Value::text("s")}, {true, true}, "row0"},
        {"data1", {Value::null()}, {}, "row1"},
        {"data2", {Value::text("-12")}, {}, "row9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        rs.last();
        const bool found = rs.locate(c.fields, c.values, c.options);
        EXPECT_EQ(found, c.found != nullptr);
        EXPECT_EQ(current(rs, "row"), c.found ? c.found : "row3");  // no move when not found
    }
    EXPECT_THROW(rs.locate("nope", {Value::integer(1)}), Error);
    EXPECT_THROW(rs.locate("row;data1", {Value::text("row1")}), Error);
}

TEST(RecordsetEditBuffer, HoldsChangedValuesUntilCancel) {
    testing_support::TempDir dir;
    OpenOptions writable;
    writable.writable = true;
    auto db = Database::open(dir.copy("V2000/testV2000.mdb").string(), writable);
    Recordset rs;
    rs.open(*db, "SELECT A, C + D AS Total FROM Table1");
    EXPECT_EQ(rs.editState(), EditState::Browse);
    EXPECT_THROW(rs.setFieldValue(0, Value::text("x")), Error);
    rs.edit();
    EXPECT_EQ(rs.editState(), EditState::Edit);
    EXPECT_EQ(cellText(rs.editBuffer().value(0)), "abcdefg");
    rs.setFieldValue(0, Value::text("changed"));
    EXPECT_TRUE(rs.editBuffer().changed(0));
    EXPECT_FALSE(rs.editBuffer().changed(1));
    EXPECT_THROW(rs.setFieldValue(1, Value::integer(1)), Error);  // computed column
    EXPECT_EQ(cellText(rs.value(0)), "changed");  // the field shows the buffer while editing
    rs.cancel();
    EXPECT_EQ(rs.editState(), EditState::Browse);
    EXPECT_EQ(cellText(rs.value(0)), "abcdefg");  // the record itself is untouched
    rs.addNew();
    EXPECT_EQ(rs.editState(), EditState::Insert);
    EXPECT_TRUE(rs.editBuffer().value(0).isNull());
    rs.cancel();
}

}  // namespace
}  // namespace jet
