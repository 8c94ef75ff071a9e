// The blueprint of a new database's system catalogue against the catalogues
// the engine wrote in the fixtures, and the structure comparison that checks
// it.
#include "jet/write/system_catalog.h"

#include <gtest/gtest.h>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/write/table_def_writer.h"
#include "support/fixtures.h"
#include "support/structure_diff.h"

using namespace jet;
using testing_support::CatalogueDiffOptions;
using testing_support::Row;

namespace {

std::shared_ptr<Database> openFixture(const std::string& name) {
    return Database::open(testing_support::fixture(name).string());
}

std::vector<Row> rowsOf(const std::vector<CatalogRow>& rows) {
    std::vector<Row> out;
    for (const auto& r : rows) out.push_back(r.values);
    return out;
}

// Objects Access (the application) adds to a new file on its first open;
// the engine does not create them (see jet/write/system_catalog.h).

struct FixtureCase {
    std::string file;
    JetVersion version;
    SortOrder sortOrder;
    SidSet sids;
    // Which objects and rows the comparison leaves out, and the differences
    // that remain and are explained where the case is listed.
    CatalogueDiffOptions options;
    std::vector<std::string> acceptedDifferences;
};

// Everything the fixture holds that the blueprint should, compared with the
// blueprint: the list and order of system tables, their definitions, their
// MSysObjects and MSysACEs rows and the rows of the other system tables.
std::vector<std::string> compareBlueprint(const FixtureCase& c) {
    auto db = openFixture(c.file);
    EXPECT_EQ(db->version(), c.version);
    EXPECT_EQ(db->header().sortOrder, c.sortOrder);
    const auto blueprint = systemTables(c.version, c.sortOrder, c.sids);

    std::vector<std::string> diffs;
    std::vector<const CatalogObject*> fixtureTables;
    for (const auto* t : db->tables(true)) {
        if (t->isSystem() && !testing_support::isIgnoredObject(c.options, t->name)) {
            fixtureTables.push_back(t);
        }
    }
    std::string blueprintOrder, fixtureOrder;
    for (const auto& t : blueprint) blueprintOrder += t.def.name + " ";
    for (const auto* t : fixtureTables) fixtureOrder += t->name + " ";
    if (blueprintOrder != fixtureOrder) {
        diffs.push_back("system tables: blueprint " + blueprintOrder + "fixture " + fixtureOrder);
        return diffs;
    }
    // The engine creates them front to back: their definition pages, and so
    // their ids, grow in blueprint order, MSysObjects first on page 2.
    EXPECT_EQ(fixtureTables.front()->tdefPage(), 2u);
    for (size_t i = 1; i < fixtureTables.size(); ++i) {
        EXPECT_GT(fixtureTables[i]->tdefPage(), fixtureTables[i - 1]->tdefPage());
    }

    std::vector<Row> objects = rowsOf(systemObjectRows(c.version, 0, c.sids));
    std::vector<Row> aces;
    for (size_t i = 0; i < blueprint.size(); ++i) {
        const SystemTable& table = blueprint[i];
        const uint32_t page = fixtureTables[i]->tdefPage();
        auto tableDiffs = testing_support::compareTableDefs(table.def, *db->table(table.def.name));
        diffs.insert(diffs.end(), tableDiffs.begin(), tableDiffs.end());
        objects.push_back(
            tableObjectRow(c.version, table.def.name, page, true, 0, {}, c.sids).values);
        for (const auto& r :
             aceRowsForSystemTable(c.version, table.def.name, static_cast<int32_t>(page), c.sids)) {
            aces.push_back(r.values);
        }
        if (table.def.name == "MSysACEs") {
            for (const auto& r : table.rows) aces.push_back(r.values);
        } else if (table.def.name != "MSysObjects") {
            auto fixtureRows = testing_support::readAllRows(*db, table.def.name);
            // MSysComplexColumns lists the complex columns of every table,
            // among them those of the application's tables left out here.
            if (table.def.name == "MSysComplexColumns") {
                std::erase_if(fixtureRows, [&](const Row& r) {
                    const CatalogObject* owner = nullptr;
                    for (const auto& o : db->objects()) {
                        if (o.id == r[3].as<int64_t>()) owner = &o;
                    }
                    return owner && testing_support::isIgnoredObject(c.options, owner->name);
                });
            }
            auto rowDiffs =
                testing_support::compareRowSets(table.def.name, rowsOf(table.rows), fixtureRows);
            diffs.insert(diffs.end(), rowDiffs.begin(), rowDiffs.end());
        }
    }
    const auto fixtureObjects = testing_support::readAllRows(*db, "MSysObjects");
    auto objectDiffs = testing_support::compareObjectRows(objects, fixtureObjects, c.options);
    diffs.insert(diffs.end(), objectDiffs.begin(), objectDiffs.end());
    auto aceDiffs = testing_support::compareAceRows(
        aces, objects, testing_support::readAllRows(*db, "MSysACEs"), fixtureObjects, c.options);
    diffs.insert(diffs.end(), aceDiffs.begin(), aceDiffs.end());
    return diffs;
}

using testing_support::accessMadeDifferences;
using testing_support::accessMadeOptions;

TEST(SystemCatalog, BlueprintMatchesTheCataloguesTheEngineWrote) {
    const SortOrder legacy{1033, 0};
    std::vector<FixtureCase> cases = {
        // Made by the engine through DAO: the blueprint exactly.
        {"empty/emptyJet4.mdb", JetVersion::Jet4, legacy, defaultSids(JetVersion::Jet4), {}, {}},
        // Made by the engine through ADOX, with its own SID mask.
        {"adox_jet4.mdb", JetVersion::Jet4, legacy, sidSetForMask({0x67, 0x8A}), {}, {}},
        {"empty/empty2007.accdb", JetVersion::Ace12, legacy, defaultSids(JetVersion::Ace12),
         accessMadeOptions(false), accessMadeDifferences("0x53A4")},
        {"empty/empty2010.accdb", JetVersion::Ace14, SortOrder{1033, 1},
         defaultSids(JetVersion::Ace14), accessMadeOptions(false), accessMadeDifferences("0x435B")},
        // There is no empty Access 97 file: its system tables with user
        // tables beside them.
        {"V1997/testV1997.mdb", JetVersion::Jet3, legacy, defaultSids(JetVersion::Jet3),
         accessMadeOptions(true), accessMadeDifferences("0x0301")},
    };
    cases[4].options.ignoredObjects.insert(cases[4].options.ignoredObjects.end(),
                                           {"Table1", "Table2", "Table3", "Table4"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(compareBlueprint(c), c.acceptedDifferences);
    }
}

// The blueprint's definitions, with what a builder fills in (page pointers,
// counts) and what the engine leaves from uninitialised memory copied from
// the fixture, encode to the very bytes of the fixture's definition pages.
TEST(SystemCatalog, BlueprintDefinitionsEncodeToTheFixtureBytes) {
    struct Case {
        const char* file;
        JetVersion version;
    };
    for (const Case c :
         {Case{"empty/emptyJet4.mdb", JetVersion::Jet4}, Case{"adox_jet4.mdb", JetVersion::Jet4},
          Case{"empty/empty2007.accdb", JetVersion::Ace12},
          Case{"empty/empty2010.accdb", JetVersion::Ace14},
          Case{"V1997/testV1997.mdb", JetVersion::Jet3}}) {
        auto db = openFixture(c.file);
        for (const SystemTable& t : systemTables(c.version, db->header().sortOrder)) {
            SCOPED_TRACE(std::string(c.file) + " " + t.def.name);
            const TableDef& stored = *db->table(t.def.name);
            TableDef def = t.def;
            def.tdefPage = stored.tdefPage;
            def.rowCount = stored.rowCount;
            def.nextAutoNumber = stored.nextAutoNumber;
            def.nextComplexAutoNumber = stored.nextComplexAutoNumber;
            def.usageMapPointer = stored.usageMapPointer;
            def.freeMapPointer = stored.freeMapPointer;
            def.longValueMaps = stored.longValueMaps;
            def.headerReserved = stored.headerReserved;
            ASSERT_EQ(def.columns.size(), stored.columns.size());
            for (size_t i = 0; i < def.columns.size(); ++i) {
                if (!def.columns[i].isFixed()) {
                    def.columns[i].fixedOffset = stored.columns[i].fixedOffset;
                }
                def.columns[i].miscReserved = stored.columns[i].miscReserved;
            }
            ASSERT_EQ(def.realIndexes.size(), stored.realIndexes.size());
            for (size_t i = 0; i < def.realIndexes.size(); ++i) {
                RealIndexDef& r = def.realIndexes[i];
                const RealIndexDef& s = stored.realIndexes[i];
                r.usageMapPointer = s.usageMapPointer;
                r.rootPage = s.rootPage;
                r.entryCount = s.entryCount;
                r.countPrefix = s.countPrefix;
                r.unusedSlotBytes = s.unusedSlotBytes;
                r.reservedAfterRoot = s.reservedAfterRoot;
                r.reservedAfterFlags = s.reservedAfterFlags;
            }
            const auto encoded = encodeTableDef(def, c.version, db->codePage());
            const auto page = db->pages().page(stored.tdefPage);
            ASSERT_LE(encoded.size(), page->size());
            EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), page->begin()));
        }
    }
}

TEST(SystemCatalog, SidsOfAMaskFollowTheUnmaskedIds) {
    // Access 97 stores the ids plainly; a Jet 4 file XORs all of them with
    // the same two bytes.
    const SidSet plain = defaultSids(JetVersion::Jet3);
    EXPECT_EQ(plain.engine, (Blob{0x02, 0x03}));
    EXPECT_EQ(plain.admin, (Blob{0x03, 0x01}));
    EXPECT_EQ(plain.users, (Blob{0x02, 0x01}));
    EXPECT_EQ(plain.creator, (Blob{0x02, 0x04}));
    // The Admin id of every Jet 4 fixture read back through its own mask.
    for (const char* file :
         {"empty/emptyJet4.mdb", "empty/empty2007.accdb", "empty/empty2010.accdb"}) {
        SCOPED_TRACE(file);
        auto db = openFixture(file);
        const Row row = [&] {
            for (const auto& r : testing_support::readAllRows(*db, "MSysObjects")) {
                if (r[2].as<std::string>() == "MSysDb") return r;
            }
            return Row{};
        }();
        ASSERT_FALSE(row.empty());
        EXPECT_EQ(row[6].as<Blob>(), defaultSids(db->version()).admin);
    }
}

TEST(SystemCatalog, NewObjectsInheritTheRightsOfTheirContainer) {
    const SidSet sids = defaultSids(JetVersion::Jet4);
    struct Case {
        ObjectType type;
        int64_t adminRights;
        int64_t usersRights;
    };
    // A relationship as in V2000/indexTestV2000.mdb: Admin the creator's
    // rights, Users the inheritable rights of the Relationships container.
    // Tables and queries take the Tables container's: the Users entry as in
    // every Access-made table, Admin the creator's rights.
    for (const Case c :
         {Case{ObjectType::Relationship, 983294, 1048575}, Case{ObjectType::Table, 983294, 1048319},
          Case{ObjectType::Query, 983294, 1048319},
          Case{ObjectType::LinkedTable, 983294, 1048319}}) {
        SCOPED_TRACE(static_cast<int>(c.type));
        const auto rows = aceRowsForObject(JetVersion::Jet4, 77, static_cast<int>(c.type), sids);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].values, (Row{Value::integer(77), Value::binary(sids.admin),
                                       Value::integer(c.adminRights), Value::boolean(false)}));
        EXPECT_EQ(rows[1].values, (Row{Value::integer(77), Value::binary(sids.users),
                                       Value::integer(c.usersRights), Value::boolean(false)}));
    }
    try {
        aceRowsForObject(JetVersion::Jet4, 77, static_cast<int>(ObjectType::Container));
        FAIL() << "a container is not a new user object";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
    }
}

TEST(SystemCatalog, RelationshipRightsMatchAnAccessMadeFile) {
    auto db = openFixture("V2000/indexTestV2000.mdb");
    const auto objects = testing_support::readAllRows(*db, "MSysObjects");
    Blob admin;
    for (const auto& r : objects) {
        if (r[2].as<std::string>() == "MSysDb") admin = r[6].as<Blob>();
    }
    ASSERT_EQ(admin.size(), 2u);
    const SidSet sids = sidSetForMask(
        {static_cast<uint8_t>(admin[0] ^ 0x03), static_cast<uint8_t>(admin[1] ^ 0x01)});
    std::vector<Row> expected;
    std::vector<Row> relationshipObjects;
    for (const auto& r : objects) {
        if (r[3].as<int64_t>() != static_cast<int>(ObjectType::Relationship)) continue;
        relationshipObjects.push_back(r);
        const auto id = static_cast<int32_t>(r[0].as<int64_t>());
        for (const auto& ace : aceRowsForObject(JetVersion::Jet4, id,
                                                static_cast<int>(ObjectType::Relationship), sids)) {
            expected.push_back(ace.values);
        }
    }
    ASSERT_EQ(relationshipObjects.size(), 4u);
    std::vector<Row> actual;
    for (const auto& r : testing_support::readAllRows(*db, "MSysACEs")) {
        for (const auto& o : relationshipObjects) {
            if (o[0] == r[0]) actual.push_back(r);
        }
    }
    CatalogueDiffOptions options;
    options.ignoreLongSids = true;  // the rights of the account Access ran under
    EXPECT_EQ(testing_support::compareAceRows(expected, objects, actual, objects, options),
              std::vector<std::string>{});
}

TEST(SystemCatalog, TableObjectRowsByKind) {
    const SidSet sids = defaultSids(JetVersion::Ace14);
    struct Case {
        std::string name;
        bool system;
        Value owner;
        int64_t flags;
    };
    for (const auto& c :
         {Case{"Customers", false, Value::binary(sids.admin), 0},
          Case{"MSysQueries", true, Value::binary(sids.engine), kEngineObjectFlags},
          Case{"MSysComplexColumns", true, Value::null(), kEngineObjectFlags},
          Case{"MSysComplexType_Text", true, Value::null(), kComplexTypeTableFlags},
          Case{"MSysOther", true, Value::binary(sids.engine), kEngineObjectFlags}}) {
        SCOPED_TRACE(c.name);
        const CatalogRow row =
            tableObjectRow(JetVersion::Ace14, c.name, 42, c.system, 45000.5, {}, sids);
        ASSERT_EQ(row.values.size(), 17u);
        EXPECT_EQ(row.values[0], Value::integer(42));
        EXPECT_EQ(row.values[1], Value::integer(kTablesContainerId));
        EXPECT_EQ(row.values[2], Value::text(c.name));
        EXPECT_EQ(row.values[3], Value::integer(1));
        EXPECT_EQ(row.values[4], Value::dateTime(45000.5));
        EXPECT_EQ(row.values[5], Value::dateTime(45000.5));
        EXPECT_EQ(row.values[6], c.owner);
        EXPECT_EQ(row.values[7], Value::integer(c.flags));
        EXPECT_TRUE(row.values[14].isNull());
    }
    const Blob props{0x4D, 0x52, 0x32, 0x00};
    EXPECT_EQ(tableObjectRow(JetVersion::Jet4, "T", 9, false, 0, props).values[14],
              Value::binary(props));
    for (uint32_t page : {0u, 0x01000000u}) {
        EXPECT_THROW(tableObjectRow(JetVersion::Jet4, "T", page, false, 0, {}), Error);
    }
}

TEST(StructureDiff, ReportsEachKindOfDifference) {
    auto db = openFixture("empty/emptyJet4.mdb");
    const TableDef original = *db->table("MSysObjects");
    struct Case {
        const char* what;
        void (*change)(TableDef&);
        std::string line;
    };
    const Case cases[] = {
        {"flags", [](TableDef& d) { d.columns[0].flags = 0x03; },
         "table MSysObjects column Id: flags expected 19, actual 3"},
        {"missing column", [](TableDef& d) { d.columns.pop_back(); },
         "table MSysObjects column LvExtra: missing"},
        {"renamed index", [](TableDef& d) { d.indexes[0].name = "PrimaryKey"; },
         "table MSysObjects index Id: missing"},
        {"index column", [](TableDef& d) { d.realIndexes[1].columns[0].ascending = false; },
         "table MSysObjects: real index 1 expected (+Id) flags 129, actual (-Id) flags 129"},
        {"sort order", [](TableDef& d) { d.columns[2].sortVersion = 1; },
         "table MSysObjects column Name: sortVersion expected 0, actual 1"},
        {"entry order", [](TableDef& d) { d.definitionOrder.clear(); },
         "table MSysObjects: definition order expected Connect,Database,DateCreate,DateUpdate,"
         "Flags,ForeignName,Id,Lv,LvExtra,LvModule,LvProp,Name,Owner,ParentId,RmtInfoLong,"
         "RmtInfoShort,Type,, actual Id,ParentId,Name,Type,DateCreate,DateUpdate,Owner,Flags,"
         "Database,Connect,ForeignName,RmtInfoShort,RmtInfoLong,Lv,LvProp,LvModule,LvExtra,"},
        {"repeated number", [](TableDef& d) { d.columns[3].numberCopy.reset(); },
         "table MSysObjects column Type: numberCopy expected 0, actual 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TableDef changed = original;
        c.change(changed);
        const auto diffs = testing_support::compareTableDefs(original, changed);
        EXPECT_NE(std::find(diffs.begin(), diffs.end(), c.line), diffs.end())
            << testing::PrintToString(diffs);
    }
    EXPECT_EQ(testing_support::compareTableDefs(original, original), std::vector<std::string>{});
}

TEST(StructureDiff, TwoEngineMadeFilesDifferOnlyInTheirSids) {
    // emptyJet4.mdb (DAO) and adox_jet4.mdb (ADOX): same catalogue, each file
    // with its own SID mask.
    auto dao = openFixture("empty/emptyJet4.mdb");
    auto adox = openFixture("adox_jet4.mdb");
    EXPECT_EQ(testing_support::compareCatalogues(*dao, *dao, {}), std::vector<std::string>{});
    const auto diffs = testing_support::compareCatalogues(*dao, *adox, {});
    ASSERT_FALSE(diffs.empty());
    size_t ownerLines = 0, aceLines = 0;
    for (const auto& d : diffs) {
        if (d.find(": Owner expected ") != std::string::npos) {
            ++ownerLines;
        } else if (d.rfind("MSysACEs ", 0) == 0) {
            ++aceLines;
        } else {
            ADD_FAILURE() << d;
        }
    }
    EXPECT_EQ(ownerLines, 8u);  // every catalogue row
    EXPECT_EQ(aceLines, 32u);   // every MSysACEs row, once missing and once unexpected
}

TEST(StructureDiff, IgnoredObjectsAndPropertiesOfAnAccessMadeFile) {
    // empty.mdb and empty2003.mdb come from the same Access template; the
    // 2003 file has its navigation-pane tables and more MSysDb properties.
    auto a = openFixture("empty/empty.mdb");
    auto b = openFixture("empty/empty2003.mdb");
    CatalogueDiffOptions options;
    options.ignoredObjects = testing_support::accessApplicationObjects();
    options.ignoreIds = true;
    const auto diffs = testing_support::compareCatalogues(*a, *b, options);
    ASSERT_FALSE(diffs.empty());
    for (const auto& d : diffs) {
        EXPECT_EQ(d.rfind("object Databases/MSysDb: LvProp (object)", 0), 0u) << d;
    }
}

}  // namespace
