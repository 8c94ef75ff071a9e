// Referential integrity kept by the table editor, as Access keeps it: on a
// file the engine made with related tables (cascading updates and deletes,
// nested cascades, cascade to Null, a restricting relationship, one not
// enforced, a self-relationship), and on copies of Access's own files with
// enforced relationships. A refused operation leaves the file byte for byte
// as it was; every file written passes the checker and reads the same
// through mdbtools.
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
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "jet/value_text.h"
#include "support/fixtures.h"
#include "table/relation_test_support.h"
#include "table/table_editor_test_support.h"

namespace jet {
namespace {

using testing_support::n;
using testing_support::rowWhere;
using testing_support::t;
const Value null;

// A table's rows as "1,Ann 2,Bob", ordered by their first column, Null as "-".
std::string rowsOf(Database& db, const std::string& table) {
    std::vector<std::pair<int64_t, std::string>> rows;
    TableScan scan(db, db.table(table));
    while (scan.next()) {
        std::string line;
        for (const Value& v : scan.values())
            line += (line.empty() ? "" : ",") + (v.isNull() ? std::string("-") : valueText(v));
        rows.emplace_back(scan.value(0).as<int64_t>(), line);
    }
    std::sort(rows.begin(), rows.end());
    std::string out;
    for (const auto& [key, line] : rows) out += (out.empty() ? "" : " ") + line;
    return out;
}

constexpr uint32_t kCascadeBoth = kRelationCascadeUpdates | kRelationCascadeDeletes;

// Customers with orders (cascading both ways) whose lines go with them,
// notes that forbid deleting or renumbering their customer, visits and
// tickets that lose their customer when it goes (a ticket needs one),
// memos whose relationship is not enforced, and staff under their boss.
void writeRelatedFile(const std::filesystem::path& path, JetVersion v) {
    std::vector<TableSpec> tables = {
        testing_support::relatedTableSpec("Customers", {"CustomerID"}, "Name"),
        testing_support::relatedTableSpec("Orders", {"OrderID", "CustomerID"}, "Note"),
        testing_support::relatedTableSpec("Lines", {"LineID", "OrderID", "Qty"}),
        testing_support::relatedTableSpec("Notes", {"NoteID", "CustomerID"}),
        testing_support::relatedTableSpec("Visits", {"VisitID", "CustomerID"}),
        testing_support::relatedTableSpec("Tickets", {"TicketID", "CustomerID"}),
        testing_support::relatedTableSpec("Memos", {"MemoID", "CustomerID"}),
        testing_support::relatedTableSpec("Staff", {"StaffID", "Boss"}),
    };
    tables[5].columns[1].required = true;
    const std::vector<RelationSpec> relations = {
        {"CustomersOrders", "Customers", "Orders", {{"CustomerID", "CustomerID"}}, kCascadeBoth},
        {"OrdersLines", "Orders", "Lines", {{"OrderID", "OrderID"}}, kRelationCascadeDeletes},
        {"CustomersNotes", "Customers", "Notes", {{"CustomerID", "CustomerID"}}, 0},
        {"CustomersVisits",
         "Customers",
         "Visits",
         {{"CustomerID", "CustomerID"}},
         kRelationCascadeNull},
        {"CustomersTickets",
         "Customers",
         "Tickets",
         {{"CustomerID", "CustomerID"}},
         kRelationCascadeNull},
        {"CustomersMemos",
         "Customers",
         "Memos",
         {{"CustomerID", "CustomerID"}},
         kRelationDontEnforce},
        {"StaffStaff", "Staff", "Staff", {{"StaffID", "Boss"}}, kRelationCascadeDeletes},
    };
    const testing_support::TableRows rows = {
        {"Customers",
         {{n(1), t("Ann")},
          {n(2), t("Bob")},
          {n(3), t("Cid")},
          {n(4), t("Dee")},
          {n(5), t("Eve")}}},
        {"Orders",
         {{n(10), n(1), t("a")},
          {n(11), n(1), t("b")},
          {n(12), n(5), t("c")},
          {n(13), null, t("d")}}},
        {"Lines",
         {{n(100), n(10), n(1)},
          {n(101), n(10), n(2)},
          {n(102), n(11), n(3)},
          {n(103), n(12), n(4)}}},
        {"Notes", {{n(1), n(2)}}},
        {"Visits", {{n(1), n(3)}, {n(2), n(3)}}},
        {"Tickets", {{n(1), n(4)}}},
        {"Memos", {{n(1), n(1)}, {n(2), n(99)}}},
        {"Staff", {{n(1), null}, {n(2), n(1)}, {n(3), n(2)}, {n(4), null}, {n(5), n(4)}}},
    };
    testing_support::writeTablesFile(path.string(), v, tables, relations, rows);
}

const char* const kRequiresCustomer =
    "You cannot add or change a record because a related record is required in table "
    "'Customers'.";
std::string relatedRecords(const std::string& table) {
    return "The record cannot be deleted or changed because table '" + table +
           "' includes related records.";
}

struct IntegrityCase {
    const char* what;
    std::function<void(Database&)> operation;
    std::string refusal;                         // "" = the operation is taken
    std::map<std::string, std::string> changes;  // tables whose rows change, as rowsOf gives them
};

void insert(Database& db, const std::string& table, std::vector<Value> row) {
    TableEditor(db, table).insert(row);
}
void update(Database& db, const std::string& table, int64_t key, std::vector<Value> row) {
    TableEditor(db, table).update(rowWhere(db, table, key), row);
}
void remove(Database& db, const std::string& table, int64_t key) {
    TableEditor(db, table).remove(rowWhere(db, table, key));
}

const std::vector<IntegrityCase>& integrityCases() {
    static const std::vector<IntegrityCase> cases = {
        {"an order for a customer that does not exist",
         [](Database& db) {
             insert(db, "Orders", {n(14), n(99), t("e")});
         },
         kRequiresCustomer,
         {}},
        {"an order without a customer",
         [](Database& db) {
             insert(db, "Orders", {n(14), null, t("e")});
         },
         "",
         {{"Orders", "10,1,a 11,1,b 12,5,c 13,-,d 14,-,e"}}},
        {"an order for an existing customer",
         [](Database& db) {
             insert(db, "Orders", {n(14), n(2), t("e")});
         },
         "",
         {{"Orders", "10,1,a 11,1,b 12,5,c 13,-,d 14,2,e"}}},
        {"an order moved to a customer that does not exist",
         [](Database& db) {
             update(db, "Orders", 12, {n(12), n(99), t("c")});
         },
         kRequiresCustomer,
         {}},
        {"an order moved to another customer",
         [](Database& db) {
             update(db, "Orders", 12, {n(12), n(2), t("c")});
         },
         "",
         {{"Orders", "10,1,a 11,1,b 12,2,c 13,-,d"}}},
        {"a customer with a note, deleted",
         [](Database& db) { remove(db, "Customers", 2); },
         relatedRecords("Notes"),
         {}},
        {"a customer with orders with lines, deleted: all go, nested",
         [](Database& db) { remove(db, "Customers", 1); },
         "",
         {{"Customers", "2,Bob 3,Cid 4,Dee 5,Eve"},
          {"Orders", "12,5,c 13,-,d"},
          {"Lines", "103,12,4"}}},
        {"a customer with visits, deleted: the visits keep no customer",
         [](Database& db) { remove(db, "Customers", 3); },
         "",
         {{"Customers", "1,Ann 2,Bob 4,Dee 5,Eve"}, {"Visits", "1,- 2,-"}}},
        {"a customer whose ticket needs one, deleted: the cascade fails and all rolls back",
         [](Database& db) { remove(db, "Customers", 4); },
         "You must enter a value in the 'Tickets.CustomerID' field.",
         {}},
        {"a customer number changed: the orders follow",
         [](Database& db) {
             update(db, "Customers", 1, {n(7), t("Ann")});
         },
         "",
         {{"Customers", "2,Bob 3,Cid 4,Dee 5,Eve 7,Ann"},
          {"Orders", "10,7,a 11,7,b 12,5,c 13,-,d"}}},
        {"a customer number with a note changed",
         [](Database& db) {
             update(db, "Customers", 2, {n(8), t("Bob")});
         },
         relatedRecords("Notes"),
         {}},
        {"a customer number with visits changed (Null follows deletes only)",
         [](Database& db) {
             update(db, "Customers", 3, {n(8), t("Cid")});
         },
         relatedRecords("Visits"),
         {}},
        {"a customer with a note renamed, its number kept",
         [](Database& db) {
             update(db, "Customers", 2, {n(2), t("Bobby")});
         },
         "",
         {{"Customers", "1,Ann 2,Bobby 3,Cid 4,Dee 5,Eve"}}},
        {"an order number with lines changed (no cascading updates)",
         [](Database& db) {
             update(db, "Orders", 10, {n(20), n(1), t("a")});
         },
         relatedRecords("Lines"),
         {}},
        {"an order number without lines changed",
         [](Database& db) {
             update(db, "Orders", 13, {n(23), null, t("d")});
         },
         "",
         {{"Orders", "10,1,a 11,1,b 12,5,c 23,-,d"}}},
        {"a memo naming no customer: its relationship is not enforced",
         [](Database& db) {
             insert(db, "Memos", {n(3), n(42)});
         },
         "",
         {{"Memos", "1,1 2,99 3,42"}}},
        {"a boss deleted: everyone under them goes too",
         [](Database& db) { remove(db, "Staff", 1); },
         "",
         {{"Staff", "4,- 5,4"}}},
        {"a member of staff under a boss who does not exist",
         [](Database& db) {
             insert(db, "Staff", {n(6), n(9)});
         },
         "You cannot add or change a record because a related record is required in table "
         "'Staff'.",
         {}},
        {"a member of staff who is their own boss",
         [](Database& db) {
             insert(db, "Staff", {n(6), n(6)});
         },
         "",
         {{"Staff", "1,- 2,1 3,2 4,- 5,4 6,6"}}},
    };
    return cases;
}

const std::vector<std::string> kTables = {"Customers", "Orders",  "Lines", "Notes",
                                          "Visits",    "Tickets", "Memos", "Staff"};

class RelationIntegrity : public ::testing::TestWithParam<JetVersion> {};

TEST_P(RelationIntegrity, RowsAreCheckedAndCascadedAsAccessDoes) {
    testing_support::TempDir dir;
    const std::filesystem::path base = dir.path() / "base.mdb";
    writeRelatedFile(base, GetParam());
    std::map<std::string, std::string> before;
    {
        std::shared_ptr<Database> db = Database::open(base.string());
        for (const std::string& table : kTables) before[table] = rowsOf(*db, table);
    }
    int number = 0;
    for (const IntegrityCase& c : integrityCases()) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path path =
            dir.path() / ("case" + std::to_string(++number) + ".mdb");
        std::filesystem::copy_file(base, path);
        const std::vector<uint8_t> original = testing_support::fileBytes(path);
        std::map<std::string, std::string> expected = before;
        for (const auto& [table, rows] : c.changes) expected[table] = rows;
        {
            std::shared_ptr<Database> db = testing_support::openWritable(path);
            try {
                c.operation(*db);
                EXPECT_EQ(c.refusal, "") << "the operation was taken";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), ErrorCode::Constraint);
                EXPECT_EQ(std::string(e.what()), c.refusal);
            }
            // What the open database shows, after a refusal too.
            for (const std::string& table : kTables)
                EXPECT_EQ(rowsOf(*db, table), expected[table]) << table;
        }
        EXPECT_FALSE(std::filesystem::exists(journalPathFor(path.string())));
        if (!c.refusal.empty()) {
            EXPECT_EQ(testing_support::fileBytes(path), original);
        } else {
            testing_support::expectSound(path);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, RelationIntegrity,
                         testing_support::kRelatedVersions, testing_support::versionName);

// Access's own files (see kAccessFilesWithRelationships).
TEST(RelationIntegrityInAccessFiles, EnforcedRelationshipsOfAccessFilesAreKept) {
    for (const char* fixture : testing_support::kAccessFilesWithRelationships) {
        SCOPED_TRACE(fixture);
        testing_support::TempDir dir;
        const std::filesystem::path path = dir.copy(fixture);
        {
            std::shared_ptr<Database> db = testing_support::openWritable(path);
            ASSERT_EQ(rowsOf(*db, "Table1"),
                      "0,0,10,baz0,0 1,1,11,baz11,0 2,1,11,baz11-2,0 3,2,13,baz13,0");
            TableEditor table1(*db, "Table1");
            auto refusal = testing_support::outcome;
            EXPECT_EQ(refusal([&] {
                          table1.insert(std::vector<Value>{n(4), n(9), n(10), t("x"), n(0)});
                      }),
                      "You cannot add or change a record because a related record is required "
                      "in table 'Table2'.");
            EXPECT_EQ(refusal([&] {
                          table1.insert(std::vector<Value>{n(4), n(2), n(99), t("x"), n(0)});
                      }),
                      "You cannot add or change a record because a related record is required "
                      "in table 'Table3'.");
            EXPECT_EQ(refusal([&] { remove(*db, "Table3", 13); }), relatedRecords("Table1"));
            EXPECT_EQ(refusal([&] {
                          update(*db, "Table2", 0, {n(5), t("foo0")});
                      }),
                      relatedRecords("Table1"));
            table1.insert(std::vector<Value>{n(4), n(2), null, t("x"), n(0)});
            remove(*db, "Table2", 1);
            update(*db, "Table3", 13, {n(23), t("bar13")});
            remove(*db, "Table3", 12);
            EXPECT_EQ(rowsOf(*db, "Table1"), "0,0,10,baz0,0 3,2,23,baz13,0 4,2,-,x,0");
            EXPECT_EQ(rowsOf(*db, "Table2"), "0,foo0 2,foo2");
            EXPECT_EQ(rowsOf(*db, "Table3"), "10,bar10 11,bar11 23,bar13");
        }
        testing_support::expectSound(path);
    }
}

}  // namespace
}  // namespace jet
