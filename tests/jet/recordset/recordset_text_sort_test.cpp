// A recordset sorted on a text column must put its rows in the order of the
// database's sort order, which is the order Access keeps a text index in:
// for every one-column text index of every fixture, the sorted recordset
// and a walk of the index agree run by run (rows with equal keys may come in
// either order within their run). Also a small table of texts whose order
// differs between the sort order and plain character order, sorted by a
// recordset and by ORDER BY, compared in WHERE and a filter, and by Min and
// Max.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/recordset/recordset.h"
#include "jet/table/index_cursor.h"
#include "support/fixture_indexes.h"
#include "support/fixtures.h"
#include "support/table_file.h"

namespace jet {
namespace {

// The rows of the recordset in its order, as row ids.
std::vector<uint32_t> rowIdsInOrder(Recordset& rs) {
    std::vector<uint32_t> ids;
    for (rs.first(); !rs.isEof(); rs.next()) ids.push_back(rs.bookmark()->rowIds.at(0).packed());
    return ids;
}

TEST(RecordsetTextSort, FollowsTheOrderOfTextIndexes) {
    size_t indexesCompared = 0, rowsCompared = 0;
    testing_support::forEachFixtureIndex([&](const std::string& name, Database& db,
                                             const std::shared_ptr<const TableDef>& def,
                                             const IndexDef& index) {
        const std::optional<SortOrderKind> databaseOrder =
            indexKeyForms(db.header().sortOrder, db.version()).text;
        if (!databaseOrder) return;
        const RealIndexDef& real = def->realIndexOf(index);
        if (real.columns.size() != 1) return;
        const ColumnDef* column = def->columnByNumber(real.columns[0].columnNumber);
        if (!column || column->type != DataType::Text) return;
        // A column with a sort order other than the database's is keyed by
        // its own.
        if (column->sortLcid != 0 &&
            indexKeyForms(SortOrder{column->sortLcid, column->sortVersion}, db.version()).text !=
                databaseOrder) {
            return;
        }
        SCOPED_TRACE(name + ": " + def->name + "." + column->name + " (index " + index.name + ")");

        // The index's runs of equal keys, in index order.
        std::vector<std::set<uint32_t>> runs;
        std::set<uint32_t> indexed;
        IndexCursor cursor(db, def, index);
        std::vector<uint8_t> lastKey;
        try {
            for (cursor.first(); !cursor.atEnd(); cursor.next()) {
                if (runs.empty() || cursor.key() != lastKey) runs.emplace_back();
                lastKey = cursor.key();
                runs.back().insert(cursor.rowId().packed());
                indexed.insert(cursor.rowId().packed());
            }
        } catch (const Error&) {
            return;  // an index the engine cannot walk is tested elsewhere
        }

        Recordset rs;
        rs.open(db, "SELECT * FROM [" + def->name + "]");
        rs.setSort("[" + column->name + "]" + (real.columns[0].ascending ? "" : " DESC"));
        std::vector<uint32_t> sorted = rowIdsInOrder(rs);
        // An index that leaves out nulls holds fewer rows.
        std::erase_if(sorted, [&](uint32_t id) { return !indexed.contains(id); });
        ASSERT_EQ(sorted.size(), indexed.size());
        size_t at = 0;
        for (const std::set<uint32_t>& run : runs) {
            const std::set<uint32_t> got(sorted.begin() + static_cast<long>(at),
                                         sorted.begin() + static_cast<long>(at + run.size()));
            ASSERT_EQ(got, run) << "the run of index entries starting at position " << at;
            at += run.size();
        }
        ++indexesCompared;
        rowsCompared += sorted.size();
    });
    std::printf("%zu text indexes, %zu rows compared\n", indexesCompared, rowsCompared);
    EXPECT_GT(indexesCompared, 20u);
}

// A table of words whose order differs between the sort order and character
// codes: the sort order puts accented letters beside their base letter and
// passes over hyphens and apostrophes at first, which character codes do
// not. Natural order Id 1..8.
std::shared_ptr<Database> openWords(const testing_support::TempDir& dir) {
    const std::string path = (dir.path() / "words.mdb").string();
    TableSpec spec;
    spec.name = "Words";
    spec.columns = {testing_support::columnSpec("Id", 4),
                    testing_support::columnSpec("Word", 10, 50)};
    const std::vector<std::vector<Value>> rows = {
        {Value::integer(1), Value::text("zebra")}, {Value::integer(2), Value::text("\u00E9clair")},
        {Value::integer(3), Value::text("Fig")},   {Value::integer(4), Value::null()},
        {Value::integer(5), Value::text("eagle")}, {Value::integer(6), Value::text("co-op")},
        {Value::integer(7), Value::text("coop")},  {Value::integer(8), Value::text("ECLAIR")},
    };
    testing_support::writeTableFile(path, spec, rows);
    return Database::open(path);
}

TEST(RecordsetTextSort, SortAndOrderByUseTheSortOrderNotCharacterCodes) {
    testing_support::TempDir dir;
    auto db = openWords(dir);
    const struct {
        const char* sort;
        std::vector<int64_t> ids;
    } cases[] = {
        // "coop" and "co-op" tie at the first level; the hyphen orders
        // "co-op" after it. "éclair" and "ECLAIR" differ in accent only.
        {"Word", {4, 7, 6, 5, 8, 2, 3, 1}},
        {"Word DESC", {1, 3, 2, 8, 5, 6, 7, 4}},
        {"", {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    // The same order from a recordset's sort and from ORDER BY.
    Recordset rs;
    rs.open(*db, "SELECT * FROM Words");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sort);
        rs.setSort(c.sort);
        std::vector<int64_t> ids;
        for (rs.first(); !rs.isEof(); rs.next()) ids.push_back(rs.value("Id").as<int64_t>());
        EXPECT_EQ(ids, c.ids);

        const std::string orderBy = *c.sort ? std::string(" ORDER BY ") + c.sort : "";
        Recordset ordered;
        ordered.open(*db, "SELECT Id FROM Words" + orderBy);
        std::vector<int64_t> orderedIds;
        for (; !ordered.isEof(); ordered.next())
            orderedIds.push_back(ordered.value(0).as<int64_t>());
        EXPECT_EQ(orderedIds, c.ids) << "ORDER BY";
    }
}

// A column typed Text by its first values may hold numbers further down (the
// parts of a UNION): they sort after the nulls and before the texts, by
// value, not as nulls.
TEST(RecordsetTextSort, ValuesThatAreNoTextInATextColumnSortByValue) {
    testing_support::TempDir dir;
    auto db = openWords(dir);
    Recordset rs;
    rs.open(*db,
            "SELECT Word AS W FROM Words WHERE Id = 1 UNION ALL SELECT Id FROM Words WHERE Id = 5 "
            "UNION ALL SELECT Word FROM Words WHERE Id = 4 UNION ALL SELECT Id FROM Words WHERE "
            "Id = 3");
    ASSERT_EQ(rs.field(0).type, DataType::Text);
    auto shown = [&] {
        std::string out;
        for (rs.first(); !rs.isEof(); rs.next()) {
            const Value& v = rs.value(0);
            out += v.isNull()            ? "null"
                   : v.is<std::string>() ? v.as<std::string>()
                                         : std::to_string(v.as<int64_t>());
            out += ' ';
        }
        return out;
    };
    rs.setSort("W");
    EXPECT_EQ(shown(), "null 3 5 zebra ");
    rs.setSort("W DESC");
    EXPECT_EQ(shown(), "zebra 5 3 null ");
}

// Comparisons in WHERE and in a filter, and Min and Max, order text as the
// sort does: "éclair" < "f" (é beside e), "coop" before "co-op".
TEST(RecordsetTextSort, ComparisonsAndMinMaxUseTheSortOrder) {
    testing_support::TempDir dir;
    auto db = openWords(dir);
    auto ids = [](Recordset& rs) {
        std::vector<int64_t> out;
        for (rs.first(); !rs.isEof(); rs.next()) out.push_back(rs.value("Id").as<int64_t>());
        return out;
    };
    Recordset where;
    where.open(*db, "SELECT Id FROM Words WHERE Word < 'f' ORDER BY Id");
    EXPECT_EQ(ids(where), (std::vector<int64_t>{2, 5, 6, 7, 8}));
    Recordset between;
    between.open(*db, "SELECT Id FROM Words WHERE Word BETWEEN 'E' AND 'EZ' ORDER BY Id");
    EXPECT_EQ(ids(between), (std::vector<int64_t>{2, 5, 8}));

    Recordset filtered;
    filtered.open(*db, "SELECT * FROM Words");
    filtered.setFilter("(Word < 'f')");
    EXPECT_EQ(ids(filtered), (std::vector<int64_t>{2, 5, 6, 7, 8}));

    Recordset extremes;
    extremes.open(*db, "SELECT Min(Word) AS Least, Max(Word) AS Most FROM Words");
    EXPECT_EQ(extremes.value("Least").as<std::string>(), "coop");
    EXPECT_EQ(extremes.value("Most").as<std::string>(), "zebra");
    // Equal without regard to case, and only then.
    Recordset equal;
    equal.open(*db, "SELECT Id FROM Words WHERE Word = 'eclair' OR Word = 'COOP' ORDER BY Id");
    EXPECT_EQ(ids(equal), (std::vector<int64_t>{7, 8}));
}

}  // namespace
}  // namespace jet
