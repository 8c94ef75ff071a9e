// Stored queries made, changed, renamed and dropped in open files of every
// version and in copies of Access's own query files: the catalogue lists
// them with their SQL, the SQL engine runs them by name, the file stays
// sound and mdbtools reads them; a refusal leaves the file byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "jet/catalog/stored_queries.h"
#include "jet/error.h"
#include "jet/sql/executor/action.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/parser/parser.h"
#include "jet/sql/stored_query_format.h"
#include "jet/table/schema_editor.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "jet/write/table_layout.h"
#include "sql/select_result_text.h"
#include "table/schema_test_files.h"

namespace jet {
namespace {

using testing_support::expectSound;
using testing_support::fileBytes;
using testing_support::FileCase;
using testing_support::openWritable;
using testing_support::prepare;

const FileCase kFiles[] = {
    {"new Jet 3", JetVersion::Jet3, nullptr},
    {"new Jet 4", JetVersion::Jet4, nullptr},
    {"new ACE 12", JetVersion::Ace12, nullptr},
    {"new ACE 14", JetVersion::Ace14, nullptr},
    {"Access 97 queries", JetVersion::Jet3, "V1997/queryTestV1997.mdb"},
    {"Access 2000 queries", JetVersion::Jet4, "V2000/queryTestV2000.mdb"},
    {"Access 2010 queries", JetVersion::Ace14, "V2010/queryTestV2010.accdb"},
};

// Items(Id Long, Name Text(20), Qty Long) with three rows.
void addItems(Database& db) {
    TableSpec spec;
    spec.name = "Items";
    auto column = [](const char* name, int daoType, int size = 0) {
        ColumnSpec c;
        c.name = name;
        c.daoType = daoType;
        c.size = size;
        return c;
    };
    spec.columns = {column("Id", 4), column("Name", 10, 20), column("Qty", 4)};
    SchemaEditor(db).createTable(spec);
    TableEditor items(db, "Items");
    items.insert(std::vector<Value>{Value::integer(1), Value::text("bolt"), Value::integer(5)});
    items.insert(std::vector<Value>{Value::integer(2), Value::text("nut"), Value::integer(12)});
    items.insert(std::vector<Value>{Value::integer(3), Value::text("washer"), Value::integer(0)});
}

std::vector<std::string> run(Database& db, const std::string& sql) {
    return sql::rowLines(sql::executeStatement(db, sql::parseStatement(sql)));
}

std::vector<std::string> lines(std::initializer_list<const char*> items) {
    return {items.begin(), items.end()};
}

size_t rowsOfObject(Database& db, const char* table, const char* column, int32_t id) {
    const std::shared_ptr<const TableDef> def = db.table(table);
    const ColumnDef* c = def->findColumn(column);
    size_t n = 0;
    TableScan scan(db, def);
    while (scan.next()) {
        const Value v = scan.value(static_cast<size_t>(c - def->columns.data()));
        if (v.is<int64_t>() && v.as<int64_t>() == id) ++n;
    }
    return n;
}

int32_t tablesContainer(const Database& db) {
    for (const CatalogObject& o : db.objects())
        if (o.type == static_cast<int16_t>(ObjectType::Container) && o.name == "Tables")
            return o.id;
    return 0;
}

std::string mdbQueries(const std::filesystem::path& path, const std::string& query = "") {
    return testing_support::runCommand(
        "mdb-queries " + testing_support::shellQuote(path.string()) +
        (query.empty() ? " -1" : " " + testing_support::shellQuote(query)) + " 2>&1");
}

TEST(SchemaQueries, MadeRunChangedRenamedAndDroppedInEveryVersion) {
    const std::string listSql =
        "SELECT Items.Name, Items.Qty\r\nFROM Items\r\nWHERE Items.Qty > 1\r\n"
        "ORDER BY Items.Qty DESC;";
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::filesystem::path path = prepare(c, dir);
        int32_t listId = 0;
        {
            std::shared_ptr<Database> db = openWritable(path);
            const size_t before = readStoredQueries(*db).size();
            addItems(*db);
            SchemaEditor schema(*db);
            schema.createQuery("List",
                               "select Items.Name, Items.Qty from Items where Items.Qty > 1 "
                               "order by Items.Qty desc");
            schema.createQuery(
                "Raise", "UPDATE Items SET Items.Qty = Items.Qty + 1 WHERE Items.Name = 'nut';");
            schema.createQuery("Totals",
                               "TRANSFORM Sum(Items.Qty) AS S SELECT Items.Id FROM Items "
                               "GROUP BY Items.Id PIVOT Items.Name;");
            EXPECT_EQ(readStoredQueries(*db).size(), before + 3);
            const QueryDefinition list = readStoredQuery(*db, "list");
            EXPECT_EQ(list.query.kind, QueryKind::Select);
            EXPECT_EQ(list.query.sql, listSql);
            const CatalogObject* raise = db->findObject("Raise");
            ASSERT_NE(raise, nullptr);
            EXPECT_EQ(raise->flags, query_format::kUpdateObjectKind);
            EXPECT_EQ(raise->parentId, tablesContainer(*db));
            listId = db->findObject("List")->id;

            EXPECT_EQ(run(*db, "SELECT * FROM List"), lines({"\"nut\",12", "\"bolt\",5"}));
            EXPECT_EQ(sql::executeStoredAction(*db, "Raise"), 1u);
            EXPECT_EQ(run(*db, "SELECT Name FROM List WHERE Qty > 12"), lines({"\"nut\""}));
            EXPECT_EQ(run(*db, "SELECT * FROM Totals"), lines({"1,5,,", "2,,13,", "3,,,0"}));

            schema.alterQuery("List", "SELECT Count(*) AS N FROM Items WHERE Qty > 1;");
            EXPECT_EQ(db->findObject("List")->id, listId);
            EXPECT_EQ(run(*db, "SELECT N FROM List"), lines({"2"}));
            schema.renameQuery("List", "Counted");
            EXPECT_EQ(db->findObject("List"), nullptr);
            EXPECT_EQ(readStoredQuery(*db, "Counted").query.sql,
                      "SELECT Count(*) AS N\r\nFROM Items\r\nWHERE Qty > 1;");
            const int32_t raiseId = db->findObject("Raise")->id;
            schema.dropQuery("Raise");
            EXPECT_EQ(db->findObject("Raise"), nullptr);
            EXPECT_EQ(rowsOfObject(*db, "MSysQueries", "ObjectId", raiseId), 0u);
            if (db->findObject("MSysACEs")) {
                EXPECT_EQ(rowsOfObject(*db, "MSysACEs", "ObjectId", raiseId), 0u);
            }
            EXPECT_EQ(readStoredQueries(*db).size(), before + 2);
        }
        if (c.fixture) {
            // Access's own queries: one changed in place, one dropped.
            {
                std::shared_ptr<Database> db = openWritable(path);
                SchemaEditor schema(*db);
                const int32_t id = db->findObject("SelectQuery")->id;
                schema.alterQuery("SelectQuery", "DELETE Table1.* FROM Table1 WHERE col1 = 'x'");
                const CatalogObject* changed = db->findObject("SelectQuery");
                EXPECT_EQ(changed->id, id);
                EXPECT_EQ(changed->flags, query_format::kDeleteObjectKind);
                EXPECT_FALSE(changed->properties.empty());
                EXPECT_EQ(readStoredQuery(*db, "SelectQuery").query.sql,
                          "DELETE Table1.*\r\nFROM Table1\r\nWHERE col1 = 'x';");
                schema.dropQuery("UnionQuery");
                EXPECT_EQ(db->findObject("UnionQuery"), nullptr);
            }
            // mdbtools renders every query as a SELECT of its rows.
            EXPECT_EQ(mdbQueries(path, "SelectQuery"),
                      "SELECT Table1.* FROM [Table1] WHERE col1 = 'x' \n");
        }
        expectSound(path);
        const std::string listed = mdbQueries(path);
        EXPECT_NE(listed.find("Counted"), std::string::npos) << listed;
        EXPECT_EQ(listed.find("Raise"), std::string::npos) << listed;
        // mdbtools prints its own rendering of the rows: no alias, sources bracketed.
        EXPECT_EQ(mdbQueries(path, "Counted"), "SELECT Count(*) FROM [Items] WHERE Qty > 1 \n");
        std::shared_ptr<Database> reread = Database::open(path.string());
        EXPECT_EQ(reread->findObject("Counted")->id, listId);
        EXPECT_EQ(run(*reread, "SELECT * FROM Counted"), lines({"2"}));
    }
}

TEST(SchemaQueries, RefusalsLeaveTheFileAsItWas) {
    testing_support::TempDir dir;
    const std::filesystem::path path = dir.copy("V2000/queryTestV2000.mdb", "q.mdb");
    {
        std::shared_ptr<Database> db = openWritable(path);
        SchemaEditor(*db).createQuery("Mine", "SELECT Table1.col1 FROM Table1;");
    }
    const std::vector<uint8_t> before = fileBytes(path);
    struct Refusal {
        const char* what;
        std::function<void(SchemaEditor&)> change;
        ErrorCode code;
        const char* message;
    };
    const Refusal refusals[] = {
        {"a query name taken by a table",
         [](SchemaEditor& s) { s.createQuery("table1", "SELECT 1;"); }, ErrorCode::InvalidArgument,
         "Object 'table1' already exists."},
        {"a query name taken by a query",
         [](SchemaEditor& s) { s.createQuery("SELECTQUERY", "SELECT 1;"); },
         ErrorCode::InvalidArgument, "Object 'SELECTQUERY' already exists."},
        {"a bad name", [](SchemaEditor& s) { s.createQuery("a.b", "SELECT 1;"); },
         ErrorCode::InvalidArgument,
         "'a.b' isn't a valid name. Make sure that it doesn't include invalid characters or "
         "punctuation and that it isn't too long."},
        {"a syntax error", [](SchemaEditor& s) { s.createQuery("New", "SELECT * FROM"); },
         ErrorCode::Syntax, "Syntax error in FROM clause."},
        {"empty SQL", [](SchemaEditor& s) { s.createQuery("New", ""); }, ErrorCode::Syntax,
         "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
         "'UPDATE'."},
        {"an append with fewer values than fields",
         [](SchemaEditor& s) {
             s.createQuery("New", "INSERT INTO Table1 (col1, col2) VALUES (1);");
         },
         ErrorCode::InvalidArgument,
         "Number of query values and destination fields aren't the same."},
        {"new SQL that does not parse",
         [](SchemaEditor& s) { s.alterQuery("Mine", "SELECT col1 FROM Table1 WHERE"); },
         ErrorCode::Syntax, "Syntax error in WHERE clause."},
        {"altering a missing query", [](SchemaEditor& s) { s.alterQuery("Nothing", "SELECT 1;"); },
         ErrorCode::NotFound, nullptr},
        {"a rename to a table's name", [](SchemaEditor& s) { s.renameQuery("Mine", "Table2"); },
         ErrorCode::InvalidArgument, "Object 'Table2' already exists."},
        {"renaming a table as a query", [](SchemaEditor& s) { s.renameQuery("Table1", "Other"); },
         ErrorCode::NotFound, nullptr},
        {"dropping a table as a query", [](SchemaEditor& s) { s.dropQuery("Table1"); },
         ErrorCode::NotFound, nullptr},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        {
            std::shared_ptr<Database> db = openWritable(path);
            SchemaEditor schema(*db);
            try {
                r.change(schema);
                ADD_FAILURE() << "not refused";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), r.code) << e.what();
                if (r.message) {
                    EXPECT_EQ(std::string(e.what()), r.message);
                }
            }
            EXPECT_EQ(readStoredQuery(*db, "Mine").query.sql, "SELECT Table1.col1\r\nFROM Table1;");
        }
        EXPECT_EQ(fileBytes(path), before);
    }
}

TEST(SchemaQueries, RenameAllowsACaseChangeAndAMissingTableIsStored) {
    testing_support::TempDir dir;
    const std::filesystem::path path = prepare({"new ACE 12", JetVersion::Ace12, nullptr}, dir);
    {
        std::shared_ptr<Database> db = openWritable(path);
        SchemaEditor schema(*db);
        // Access saves a query over a table that is not there; running it fails.
        schema.createQuery("Orphan", "SELECT Gone.* FROM Gone;");
        EXPECT_EQ(readStoredQuery(*db, "Orphan").query.sql, "SELECT Gone.*\r\nFROM Gone;");
        EXPECT_THROW(run(*db, "SELECT * FROM Orphan"), Error);
        schema.renameQuery("Orphan", "ORPHAN");
        EXPECT_EQ(db->findObject("orphan")->name, "ORPHAN");
        schema.createQuery("Make", "CREATE TABLE Made (A LONG);");
        EXPECT_EQ(readStoredQuery(*db, "Make").query.kind, QueryKind::DataDefinition);
        EXPECT_EQ(db->findObject("Make")->flags, query_format::kDataDefinitionObjectKind);
    }
    expectSound(path);
}

// More rows of one attribute than a byte counts, on pages a dropped query
// left with room: the rows still read in the order written, since their
// Order numbers (four bytes, most significant first) say it.
TEST(SchemaQueries, ManyColumnsKeepTheirOrderWhereverTheRowsLand) {
    testing_support::TempDir dir;
    const std::filesystem::path path = prepare({"new Jet 4", JetVersion::Jet4, nullptr}, dir);
    auto wide = [](const char* table, int n) {
        std::string sql = "SELECT ";
        for (int i = 0; i < n; ++i)
            sql += (i ? ", " : "") + std::to_string(i) + " AS c" + std::to_string(i);
        return sql + "\r\nFROM " + table + ";";
    };
    {
        std::shared_ptr<Database> db = openWritable(path);
        SchemaEditor schema(*db);
        schema.createQuery("First", wide("A", 40));
        schema.createQuery("Second", wide("B", 10));
        schema.dropQuery("First");
        schema.createQuery("Wide", wide("C", 300));
        EXPECT_EQ(readStoredQuery(*db, "Wide").query.sql, wide("C", 300));
        EXPECT_EQ(readStoredQuery(*db, "Second").query.sql, wide("B", 10));
    }
    expectSound(path);
}

}  // namespace
}  // namespace jet
