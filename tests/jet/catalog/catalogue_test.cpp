// What the catalogue reports besides tables: relations with their attribute
// bits and field pairs, and linked tables with where they point.
#include <gtest/gtest.h>

#include "jet/catalog/database.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

std::shared_ptr<Database> openFixture(const char* name) {
    return Database::open(testing_support::fixture(name).string());
}

const Relation* findRelation(const std::vector<Relation>& all, const std::string& name) {
    for (const auto& r : all) {
        if (r.name == name) return &r;
    }
    return nullptr;
}

TEST(Catalogue, RelationsNameTheReferencedAndTheReferencingTable) {
    struct Case {
        const char* file;
        const char* name;
        const char* table;
        const char* foreignTable;
        uint32_t attributes;
        const char* field;
        const char* foreignField;
    };
    for (Case c : {Case{"V2000/indexTestV2000.mdb", "Table2Table1", "Table2", "Table1", 4096, "id",
                        "otherfk1"},
                   Case{"V2000/indexTestV2000.mdb", "Table3Table1", "Table3", "Table1", 256, "id",
                        "otherfk2"},
                   Case{"V2007/linkerTestV2007.accdb", "Table1Table2", "Table1", "Table2", 2,
                        "Field1", "Field1"},
                   Case{"V2007/linkerTestV2007.accdb", "MSysNavPaneGroupsMSysNavPaneGroupToObjects",
                        "MSysNavPaneGroups", "MSysNavPaneGroupToObjects", 4352, "Id", "GroupID"}}) {
        SCOPED_TRACE(std::string(c.file) + " " + c.name);
        auto relations = openFixture(c.file)->relations();
        const Relation* r = findRelation(relations, c.name);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->table, c.table);
        EXPECT_EQ(r->foreignTable, c.foreignTable);
        EXPECT_EQ(r->attributes, c.attributes);
        ASSERT_EQ(r->fields.size(), 1u);
        EXPECT_EQ(r->fields[0].name, c.field);
        EXPECT_EQ(r->fields[0].foreignName, c.foreignField);
    }
}

TEST(Catalogue, LinkedTablesKeepTheirTargetAndAreNotFollowed) {
    auto db = openFixture("V2007/linkerTestV2007.accdb");
    auto linked = db->linkedTables();
    ASSERT_FALSE(linked.empty());
    const CatalogObject* t2 = nullptr;
    for (const auto* l : linked) {
        if (l->name == "Table2") t2 = l;
    }
    ASSERT_NE(t2, nullptr);
    EXPECT_EQ(t2->type, static_cast<int16_t>(ObjectType::LinkedTable));
    EXPECT_EQ(t2->database.value_or(""), "Z:\\jackcess_test\\linkeeTest.accdb");
    EXPECT_EQ(t2->foreignName.value_or(""), "Table1");
    // A linked table is no local table: asking for its rows is refused.
    for (const auto* t : db->tables()) EXPECT_NE(t->name, "Table2");

    auto odbc = openFixture("V2007/odbcLinkerTestV2007.accdb");
    const CatalogObject* ordrar = odbc->findObject("ordrar");
    ASSERT_NE(ordrar, nullptr);
    EXPECT_EQ(ordrar->type, static_cast<int16_t>(ObjectType::LinkedOdbcTable));
    EXPECT_EQ(ordrar->foreignName.value_or(""), "dbo.Ordrar");
    EXPECT_EQ(ordrar->connect.value_or("").rfind("DSN=Magnapinna;", 0), 0u);
}

TEST(Catalogue, MissingTableIsReportedInTheEnginesWords) {
    auto db = openFixture("V2000/testV2000.mdb");
    try {
        db->table("NoSuchTable");
        FAIL();
    } catch (const jet::Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::NotFound);
        EXPECT_EQ(std::string(e.what()).rfind(
                      "The Microsoft Access database engine cannot find the input "
                      "table or query 'NoSuchTable'.",
                      0),
                  0u);
    }
    EXPECT_EQ(db->table("table1")->name, "Table1");
}

}  // namespace
