// Relationships created and dropped in open files that hold rows: laid out
// as the bulk writer lays them out for new tables, enforced by the table
// editor from then on, refused with the file left byte for byte as it was,
// and dropped with their indexes. Every file written passes the checker
// (which pairs the relationship indexes and checks the foreign keys) and
// reads the same through mdbtools.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/journal.h"
#include "jet/table/schema_editor.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"
#include "table/relation_test_support.h"
#include "table/table_editor_test_support.h"

namespace jet {
namespace {

using testing_support::n;
using testing_support::outcome;
using testing_support::rowWhere;
using testing_support::t;

TableSpec tableSpec(const std::string& name, const std::vector<std::string>& longColumns) {
    return testing_support::relatedTableSpec(name, longColumns, "Note");
}

constexpr uint32_t kCascadeBoth = kRelationCascadeUpdates | kRelationCascadeDeletes;

const RelationSpec kCustomersOrders{
    "CustomersOrders", "Customers", "Orders", {{"CustomerID", "CustomerID"}}, kCascadeBoth};
const RelationSpec kCustomersNotes{
    "CustomersNotes", "Customers", "Notes", {{"CustomerID", "CustomerID"}}, 0};
const RelationSpec kStaffStaff{
    "", "Staff", "Staff", {{"StaffID", "Boss"}}, kRelationCascadeDeletes};

// Customers, orders and notes naming them, staff under a boss, and memos
// naming a customer who does not exist; `relations` written with them.
void writeFile(const std::filesystem::path& path, JetVersion v,
               const std::vector<RelationSpec>& relations) {
    const std::vector<TableSpec> tables = {
        tableSpec("Customers", {"CustomerID"}), tableSpec("Orders", {"OrderID", "CustomerID"}),
        tableSpec("Notes", {"NoteID", "CustomerID"}), tableSpec("Staff", {"StaffID", "Boss"}),
        tableSpec("Memos", {"MemoID", "CustomerID"})};
    const Value none;
    const testing_support::TableRows rows = {
        {"Customers", {{n(1), t("Ann")}, {n(2), t("Bob")}}},
        {"Orders", {{n(10), n(1), t("a")}, {n(11), n(2), t("b")}, {n(12), none, t("c")}}},
        {"Notes", {{n(1), n(2), t("n")}}},
        {"Staff", {{n(1), none, t("boss")}, {n(2), n(1), t("s2")}, {n(3), n(2), t("s3")}}},
        {"Memos", {{n(1), n(99), t("m")}}},
    };
    testing_support::writeTablesFile(path.string(), v, tables, relations, rows);
}

// A table's logical indexes as stored, each with the physical index behind
// it and the other side of a relationship by table name.
std::string indexLayout(Database& db, const std::string& table) {
    std::shared_ptr<const TableDef> def = db.table(table);
    std::map<uint32_t, std::string> names;
    for (const CatalogObject* o : db.tables()) names[o->tdefPage()] = o->name;
    std::string out;
    for (const IndexDef& x : def->indexes) {
        const RealIndexDef& real = def->realIndexOf(x);
        out += x.name + " #" + std::to_string(x.number) + " kind " + std::to_string(x.kind) +
               " real " + std::to_string(x.realIndex) + " flags " + std::to_string(real.flags) +
               " entries " + std::to_string(real.entryCount) + " columns";
        for (const IndexColumn& c : real.columns)
            out += " " + def->columnByNumber(c.columnNumber)->name;
        if (x.relatedTablePage != 0)
            out += " side " + std::to_string(x.relatedTableKind) + " other " +
                   names[x.relatedTablePage] + "#" + std::to_string(x.relatedIndex) +
                   (x.cascadeUpdates ? " cascade-updates" : "") +
                   (x.cascadeDeletes ? " cascade-deletes" : "") +
                   (x.cascadeNullOnDelete ? " cascade-null" : "");
        out += "\n";
    }
    return out;
}

std::string relationLines(Database& db) {
    std::map<std::string, std::string> lines;
    for (const Relation& r : db.relations()) {
        std::string line = r.table + "->" + r.foreignTable + " " + std::to_string(r.attributes);
        for (const RelationField& f : r.fields) line += " " + f.name + "=" + f.foreignName;
        lines[r.name] = line;
    }
    std::string out;
    for (const auto& [name, line] : lines) out += name + ": " + line + "\n";
    return out;
}

const std::vector<std::string> kTables = {"Customers", "Orders", "Notes", "Staff"};

class SchemaRelations : public ::testing::TestWithParam<JetVersion> {};

TEST_P(SchemaRelations, CreatedAsTheBulkWriterWritesThemAndEnforced) {
    testing_support::TempDir dir;
    const std::filesystem::path made = dir.path() / "made.mdb";
    const std::filesystem::path bulk = dir.path() / "bulk.mdb";
    writeFile(made, GetParam(), {});
    writeFile(bulk, GetParam(), {kCustomersOrders, kCustomersNotes, kStaffStaff});
    {
        std::shared_ptr<Database> db = testing_support::openWritable(made);
        SchemaEditor schema(*db);
        for (const RelationSpec& r : {kCustomersOrders, kCustomersNotes, kStaffStaff})
            schema.createRelation(r);
        std::shared_ptr<Database> expected = Database::open(bulk.string());
        for (const std::string& table : kTables)
            EXPECT_EQ(indexLayout(*db, table), indexLayout(*expected, table)) << table;
        EXPECT_EQ(relationLines(*db), relationLines(*expected));
    }
    testing_support::expectSound(made);
    {
        std::shared_ptr<Database> db = testing_support::openWritable(made);
        TableEditor orders(*db, "Orders");
        EXPECT_EQ(outcome([&] {
                      orders.insert(std::vector<Value>{n(13), n(7), t("x")});
                  }),
                  "You cannot add or change a record because a related record is required in "
                  "table 'Customers'.");
        EXPECT_EQ(
            outcome([&] { TableEditor(*db, "Customers").remove(rowWhere(*db, "Customers", 2)); }),
            "The record cannot be deleted or changed because table 'Notes' includes related "
            "records.");
        TableEditor(*db, "Customers").remove(rowWhere(*db, "Customers", 1));
        TableEditor(*db, "Staff").remove(rowWhere(*db, "Staff", 1));
        EXPECT_EQ(db->table("Orders")->rowCount, 2u);
        EXPECT_EQ(db->table("Staff")->rowCount, 0u);

        // Renamed fields are renamed in the relationships too.
        SchemaEditor schema(*db);
        schema.renameColumn("Orders", "CustomerID", "ClientID");
        schema.renameColumn("Customers", "CustomerID", "ID");
        EXPECT_EQ(relationLines(*db),
                  "CustomersNotes: Customers->Notes 0 ID=CustomerID\n"
                  "CustomersOrders: Customers->Orders 4352 ID=ClientID\n"
                  "StaffStaff: Staff->Staff 4096 StaffID=Boss\n");
    }
    testing_support::expectSound(made);
}

TEST_P(SchemaRelations, RefusedRelationshipsLeaveTheFileAsItWas) {
    testing_support::TempDir dir;
    const std::filesystem::path path = dir.path() / "file.mdb";
    writeFile(path, GetParam(), {kCustomersOrders});
    const std::vector<uint8_t> original = testing_support::fileBytes(path);
    struct Refused {
        const char* what;
        RelationSpec relation;
        ErrorCode code;
        const char* message;  // "" = not compared
    };
    const Refused cases[] = {
        {"rows naming no referenced row",
         {"", "Customers", "Memos", {{"CustomerID", "CustomerID"}}, 0},
         ErrorCode::Constraint,
         "Data in the table 'Memos' violates referential integrity rules."},
        {"no unique index on the referenced field",
         {"ByNote", "Customers", "Orders", {{"Note", "Note"}}, 0},
         ErrorCode::InvalidArgument,
         "No unique index found for the referenced field of the primary table."},
        {"fields of other types",
         {"ByNote", "Customers", "Orders", {{"CustomerID", "Note"}}, 0},
         ErrorCode::InvalidArgument,
         "Relationship must be on the same number of fields with the same data types."},
        {"an unknown table",
         {"", "Customers", "Nobody", {{"CustomerID", "CustomerID"}}, 0},
         ErrorCode::NotFound,
         ""},
        {"an unknown field",
         {"", "Customers", "Notes", {{"CustomerID", "Client"}}, 0},
         ErrorCode::NotFound,
         "Invalid field definition 'Client' in definition of index or relationship."},
        {"no fields",
         {"", "Customers", "Notes", {}, 0},
         ErrorCode::InvalidArgument,
         "No field defined--cannot append Relation."},
        {"a name a relationship has",
         {"customersorders", "Customers", "Notes", {{"CustomerID", "CustomerID"}}, 0},
         ErrorCode::InvalidArgument,
         "Object 'customersorders' already exists."},
        {"cascades without enforcement",
         {"",
          "Customers",
          "Notes",
          {{"CustomerID", "CustomerID"}},
          kRelationDontEnforce | kRelationCascadeDeletes},
         ErrorCode::InvalidArgument,
         "Relationship 'CustomersNotes' cannot cascade without enforcing referential integrity."},
        {"a system table",
         {"", "MSysObjects", "Notes", {{"Id", "CustomerID"}}, 0},
         ErrorCode::Unsupported,
         ""},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.what);
        {
            std::shared_ptr<Database> db = testing_support::openWritable(path);
            try {
                SchemaEditor(*db).createRelation(c.relation);
                ADD_FAILURE() << "the relationship was made";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), c.code) << e.what();
                if (*c.message) {
                    EXPECT_EQ(std::string(e.what()), c.message);
                }
            }
            EXPECT_EQ(db->relations().size(), 1u);
        }
        EXPECT_EQ(testing_support::fileBytes(path), original);
        EXPECT_FALSE(std::filesystem::exists(journalPathFor(path.string())));
    }
}

TEST_P(SchemaRelations, DroppedWithTheirIndexesAndNoLongerEnforced) {
    testing_support::TempDir dir;
    const std::filesystem::path path = dir.path() / "file.mdb";
    writeFile(path, GetParam(), {});
    std::string ordersBefore;
    {
        std::shared_ptr<Database> db = testing_support::openWritable(path);
        ordersBefore = indexLayout(*db, "Orders");
        SchemaEditor schema(*db);
        schema.createRelation(kCustomersOrders);
        schema.createRelation(kCustomersNotes);
        schema.createRelation(
            {"Loose", "Customers", "Memos", {{"CustomerID", "CustomerID"}}, kRelationDontEnforce});
    }
    testing_support::expectSound(path);
    {
        std::shared_ptr<Database> db = testing_support::openWritable(path);
        SchemaEditor schema(*db);
        EXPECT_EQ(outcome([&] { schema.dropRelation("Nobody"); }),
                  "Item not found in this collection.");
        // The first of two relationships of Customers: the other one's
        // indexes keep their numbers, and a new one takes the next.
        schema.dropRelation("customersorders");
        schema.dropRelation("Loose");
        EXPECT_EQ(indexLayout(*db, "Orders"), ordersBefore);
        EXPECT_EQ(relationLines(*db), "CustomersNotes: Customers->Notes 0 CustomerID=CustomerID\n");
        TableEditor(*db, "Orders").insert(std::vector<Value>{n(13), n(7), t("orphan")});
        schema.createRelation({"Again", "Customers", "Staff", {{"CustomerID", "Boss"}}, 0});
        EXPECT_NE(indexLayout(*db, "Customers").find(".rD #3 "), std::string::npos)
            << indexLayout(*db, "Customers");
        EXPECT_EQ(outcome([&] {
                      TableEditor(*db, "Notes").insert(std::vector<Value>{n(2), n(7), t("orphan")});
                  }),
                  "You cannot add or change a record because a related record is required in "
                  "table 'Customers'.");
    }
    testing_support::expectSound(path);
}

TEST_P(SchemaRelations, WhatARelationshipUsesIsNotDropped) {
    testing_support::TempDir dir;
    const std::filesystem::path path = dir.path() / "file.mdb";
    writeFile(path, GetParam(), {});
    {
        std::shared_ptr<Database> db = testing_support::openWritable(path);
        SchemaEditor schema(*db);
        schema.createRelation(kCustomersOrders);
        schema.createRelation(
            {"Loose", "Customers", "Memos", {{"CustomerID", "CustomerID"}}, kRelationDontEnforce});
    }
    const std::vector<uint8_t> original = testing_support::fileBytes(path);
    const std::string inRelationship =
        "Cannot delete this index or table. It is either the current index or it is used in a "
        "relationship.";
    const std::string fieldNeeded =
        "Cannot delete a field that is part of an index or is needed by the system.";
    const std::pair<std::function<void(SchemaEditor&)>, std::string> cases[] = {
        {[](SchemaEditor& s) { s.dropTable("Orders"); }, inRelationship},
        {[](SchemaEditor& s) { s.dropTable("Customers"); }, inRelationship},
        {[](SchemaEditor& s) { s.dropIndex("Orders", "CustomersOrders"); }, inRelationship},
        {[](SchemaEditor& s) { s.dropIndex("Customers", "PrimaryKey"); }, inRelationship},
        {[](SchemaEditor& s) { s.dropColumn("Orders", "CustomerID"); }, fieldNeeded},
        {[](SchemaEditor& s) { s.dropColumn("Memos", "CustomerID"); }, fieldNeeded},
    };
    for (const auto& [operation, message] : cases) {
        SCOPED_TRACE(message);
        {
            std::shared_ptr<Database> db = testing_support::openWritable(path);
            SchemaEditor schema(*db);
            EXPECT_EQ(outcome([&] { operation(schema); }), message);
        }
        EXPECT_EQ(testing_support::fileBytes(path), original);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, SchemaRelations,
                         testing_support::kRelatedVersions, testing_support::versionName);

// Access's own files (see kAccessFilesWithRelationships); Access lists each
// relationship in MSysObjects too.
TEST(SchemaRelationsInAccessFiles, DroppedAndMadeAgain) {
    for (const char* fixture : testing_support::kAccessFilesWithRelationships) {
        SCOPED_TRACE(fixture);
        testing_support::TempDir dir;
        const std::filesystem::path path = dir.copy(fixture);
        {
            std::shared_ptr<Database> db = testing_support::openWritable(path);
            auto listed = [&] {
                return std::count_if(
                    db->objects().begin(), db->objects().end(), [](const CatalogObject& o) {
                        return o.name == "Table2Table1" &&
                               o.type == static_cast<int16_t>(ObjectType::Relationship);
                    });
            };
            ASSERT_EQ(listed(), 1);
            SchemaEditor schema(*db);
            schema.dropRelation("Table2Table1");
            EXPECT_EQ(listed(), 0);
            const std::string lines = relationLines(*db);
            EXPECT_EQ(lines.find("Table2Table1"), std::string::npos) << lines;
            EXPECT_NE(lines.find("Table3Table1: Table3->Table1 256 id=otherfk2\n"),
                      std::string::npos)
                << lines;
            TableEditor table1(*db, "Table1");
            table1.insert(std::vector<Value>{n(4), n(9), n(10), t("x"), n(0)});
            EXPECT_EQ(outcome([&] {
                          table1.insert(std::vector<Value>{n(5), n(0), n(99), t("y"), n(0)});
                      }),
                      "You cannot add or change a record because a related record is required "
                      "in table 'Table3'.");
            EXPECT_EQ(outcome([&] {
                          schema.createRelation({"Table2Table1",
                                                 "Table2",
                                                 "Table1",
                                                 {{"id", "otherfk1"}},
                                                 kRelationCascadeDeletes});
                      }),
                      "Data in the table 'Table1' violates referential integrity rules.");
            TableEditor(*db, "Table1").remove(rowWhere(*db, "Table1", 4));
            schema.createRelation({"Table2Table1",
                                   "Table2",
                                   "Table1",
                                   {{"id", "otherfk1"}},
                                   kRelationCascadeDeletes});
            TableEditor(*db, "Table2").remove(rowWhere(*db, "Table2", 1));
            EXPECT_EQ(db->table("Table1")->rowCount, 2u);
        }
        testing_support::expectSound(path);
    }
}

}  // namespace
}  // namespace jet
