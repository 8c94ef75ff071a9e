// The DDL statements run through the schema editor on a new file: each
// leaves the design the statement names, the file sound and readable by
// mdbtools; a refused statement changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/sql/executor/schema_statement.h"
#include "jet/sql/parser/parser.h"
#include "jet/table/table_editor.h"
#include "jet/write/create_database.h"
#include "support/fixtures.h"
#include "support/mdbtools_compare.h"

namespace jet {
namespace {

TEST(SchemaStatements, DesignChangesThroughDdl) {
    for (JetVersion v : {JetVersion::Jet4, JetVersion::Ace14}) {
        testing_support::TempDir dir;
        const std::string path = (dir.path() / (isAce(v) ? "d.accdb" : "d.mdb")).string();
        CreateOptions options;
        options.version = v;
        createDatabase(*posixFileSystem(), path, options);
        OpenOptions writable;
        writable.writable = true;
        std::shared_ptr<Database> db = Database::open(path, writable);
        auto run = [&](const char* sql) { sql::executeSchemaStatement(*db, sql::parseStatement(sql)); };

        run("CREATE TABLE Orders (Id COUNTER CONSTRAINT pk PRIMARY KEY, Customer TEXT(30) NOT NULL, "
            "Amount CURRENCY, Placed DATETIME, CONSTRAINT uq UNIQUE (Customer, Placed))");
        std::shared_ptr<const TableDef> def = db->table("Orders");
        ASSERT_EQ(def->columns.size(), 4u);
        EXPECT_EQ(def->indexes.size(), 2u);
        EXPECT_TRUE(def->columns[0].isAutoLong());
        {
            TableEditor editor(*db, "Orders");
            for (int i = 0; i < 5; ++i)
                editor.insert(std::vector<Value>{Value(), Value::text(i < 3 ? "a" : "b"),
                                                 Value::integer(i), Value::dateTime(40000 + i)});
        }
        run("ALTER TABLE Orders ADD COLUMN Note TEXT(50)");
        run("CREATE INDEX ByCustomer ON Orders (Customer DESC, Amount)");
        try {
            run("CREATE UNIQUE INDEX OneCustomer ON Orders (Customer)");
            ADD_FAILURE() << "duplicates were indexed";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Constraint);
        }
        try {
            run("CREATE TABLE orders (X LONG)");
            ADD_FAILURE() << "a second table of the name was made";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Table 'orders' already exists.");
        }
        EXPECT_EQ(db->table("Orders")->indexes.size(), 3u);
        run("ALTER TABLE Orders DROP CONSTRAINT uq");
        run("DROP INDEX ByCustomer ON Orders");
        run("ALTER TABLE Orders DROP COLUMN Placed");
        run("CREATE TABLE Scratch (A LONG, B TEXT)");
        run("ALTER TABLE Scratch ADD CONSTRAINT pkA PRIMARY KEY (A)");
        run("DROP TABLE Scratch");
        EXPECT_EQ(db->findObject("Scratch"), nullptr);
        def = db->table("Orders");
        EXPECT_EQ(def->indexes.size(), 1u);
        EXPECT_EQ(def->findColumn("Placed"), nullptr);
        EXPECT_NE(def->findColumn("Note"), nullptr);
        db.reset();
        std::shared_ptr<Database> reread = Database::open(path);
        const CheckReport report = checkDatabase(*reread);
        EXPECT_TRUE(report.ok()) << (report.problems.empty() ? "" : report.problems.front());
        EXPECT_TRUE(testing_support::differencesWithMdbtools(path).empty());
    }
}

}  // namespace
}  // namespace jet
