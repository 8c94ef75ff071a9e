// The catalogue routines over real Access files: versions and collations,
// table names, fields, indexes, relations and stored queries as the
// designers receive them.
#include <gtest/gtest.h>

#include <QFile>

#include "db/xdbtool_MDB.h"
#include "db_fixtures.h"

namespace {

using db_test::fixture;

std::shared_ptr<dao::Database> open(const char* relative) {
    return OpenMDB(fixture(relative), QString(), false);
}

TEST(XdbtoolCatalog, VersionAndCollationOfEachFormat) {
    struct Case {
        const char* file;
        const char* version;
        int key;
        const char* description;
    };
    for (Case c : {Case{"V1997/testV1997.mdb", "3.0", 32, "Version 3.0 (MDB)"},
                   Case{"V2000/testV2000.mdb", "4.0", 64, "Version 4.0 (MDB)"},
                   Case{"V2007/testV2007.accdb", "12.0", 128, "Version 12.0 (ACCDB)"},
                   Case{"V2010/testV2010.accdb", "14.0", 256, "Version 14.0 (ACCDB)"},
                   Case{"empty/empty2019.accdb", "14.0", 256, "Version 14.0 (ACCDB)"}}) {
        SCOPED_TRACE(c.file);
        auto db = open(c.file);
        EXPECT_EQ(db->Version(), c.version);
        EXPECT_EQ(GetMDBVersion(*db), c.key);
        EXPECT_EQ(DBVersionName(GetMDBVersion(*db)), c.description);
        EXPECT_EQ(db->CollatingOrder(), 1033);
        EXPECT_EQ(CollationName(db->CollatingOrder()), "General (English, French, German ...)");
    }
}

TEST(XdbtoolCatalog, MSysPrefixIsTheOnlyNameFilter) {
    struct Case {
        const char* name;
        bool system;
    };
    for (Case c : {Case{"MSysObjects", true}, Case{"msysfoo", true}, Case{"MSYS", true},
                   Case{"mSyS_x", true}, Case{"AMSYS", false}, Case{" MSysObjects", false},
                   Case{"MSy", false}, Case{"f_0BFE_Data", false}, Case{"~TMPCLP1", false}}) {
        EXPECT_EQ(HasMSysPrefix(c.name), c.system) << c.name;
    }
}

// The hidden tables that hold the values of attachment and multi-value
// columns (f_<GUID>_<column>) belong to those columns: DAO's TableDefs leaves
// them out, so no table list shows them.
TEST(XdbtoolCatalog, TableNamesListUserAndLinkedTablesInNameOrderWithoutValueTables) {
    struct Case {
        const char* file;
        QStringList names;
    };
    for (const Case& c : {Case{"V2000/indexTestV2000.mdb", {"Table1", "Table2", "Table3"}},
                          Case{"V2007/linkerTestV2007.accdb", {"Table1", "Table2"}},
                          Case{"V2010/complexDataTestV2010.accdb", {"Table1"}},
                          Case{"empty/empty.mdb", {}}}) {
        SCOPED_TRACE(c.file);
        QStringList names{"left over"};
        GetTableNames(*open(c.file), names);
        EXPECT_EQ(names, c.names);
    }
}

TEST(XdbtoolCatalog, FieldsCarryDaoTypesSizesAndStoredProperties) {
    struct Expected {
        const char* name;
        int type, size, attributes;
        bool required, allowZeroLength;
        const char* defaultValue;
    };
    auto check = [](const char* file, const char* table, std::vector<Expected> expected) {
        SCOPED_TRACE(std::string(file) + " " + table);
        TFieldRecArray fields{TFieldRec{}};
        QStringList names{"left over"};
        GetTableFields(*open(file), table, fields, &names);
        ASSERT_EQ(fields.size(), expected.size());
        ASSERT_EQ(names.size(), static_cast<qsizetype>(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected& e = expected[i];
            const TFieldRec& f = fields[i];
            SCOPED_TRACE(e.name);
            EXPECT_EQ(f.FieldName, e.name);
            EXPECT_EQ(names[static_cast<qsizetype>(i)], e.name);
            EXPECT_EQ(f.FieldType, e.type);
            EXPECT_EQ(f.FieldSize, e.size);
            EXPECT_EQ(f.Attributes, e.attributes);
            EXPECT_EQ(f.Required, e.required);
            EXPECT_EQ(f.AllowZeroLength, e.allowZeroLength);
            EXPECT_EQ(f.DefaultValue.toString(), e.defaultValue);
            EXPECT_TRUE(f.ForeignName.isEmpty());
            EXPECT_TRUE(f.ValidationRule.isEmpty());
            EXPECT_TRUE(f.ValidationText.isEmpty());
        }
    };
    check("V2000/testV2000.mdb", "table1",
          {{"A", 10, 50, 2, false, false, ""},
           {"B", 10, 100, 2, false, false, ""},
           {"C", 2, 1, 1, false, false, "0"},
           {"D", 3, 2, 1, false, false, "0"},
           {"E", 4, 4, 1, false, false, "0"},
           {"F", 7, 8, 1, false, false, "0"},
           {"G", 8, 8, 1, false, false, ""},
           {"H", 5, 8, 1, false, false, "0"},
           {"I", 1, 1, 1, false, false, ""}});
    check("V2007/linkerTestV2007.accdb", "Table1",
          {{"ID", 4, 4, 17, false, false, ""}, {"Field1", 10, 255, 2, false, true, ""}});
    check("V2010/complexDataTestV2010.accdb", "Table1",
          {{"id", 10, 255, 2, false, true, ""},
           {"VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880", 104, 0, 1, false, false, ""},
           {"memo-data", 12, 0, 2, false, true, ""},
           {"append-memo-data", 12, 0, 2, false, true, ""},
           {"multi-value-data", 109, 0, 1, false, false, ""},
           {"attach-data", 101, 0, 1, false, false, ""}});

    TFieldRecArray fields;
    GetTableFields(*open("V2000/fixedTextTestV2000.mdb"), "users", fields);
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields[0].FieldName, "i_user_id");
    EXPECT_TRUE(fields[0].Required);
}

TEST(XdbtoolCatalog, IndexesMarkOrSkipTheOnesNamedLikeRelations) {
    auto db = open("V2000/indexTestV2000.mdb");
    TIndexRecArray indexes;
    QStringList names;
    GetTableIndexes(*db, "Table1", indexes, false, &names);
    EXPECT_EQ(names, QStringList({"id", "PrimaryKey", "Table2Table1", "Table3Table1"}));
    ASSERT_EQ(indexes.size(), 4u);
    auto text = [](const TIndexRec& r) {
        return QStringLiteral("%1 [%2] p%3 u%4 r%5 rel%6")
            .arg(r.IndexName, r.FieldNames)
            .arg(r.Primary)
            .arg(r.Unique)
            .arg(r.Required)
            .arg(r.Relation);
    };
    EXPECT_EQ(text(indexes[0]), "id [id] p0 u0 r0 rel0");
    EXPECT_EQ(text(indexes[1]), "PrimaryKey [id] p1 u1 r1 rel0");
    EXPECT_EQ(text(indexes[2]), "Table2Table1 [otherfk1] p0 u0 r0 rel1");
    EXPECT_EQ(text(indexes[3]), "Table3Table1 [otherfk2] p0 u0 r0 rel1");

    GetTableIndexes(*db, "TABLE1", indexes, true, &names);
    EXPECT_EQ(names, QStringList({"id", "PrimaryKey"}));
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_FALSE(indexes[1].Relation);

    // The referenced side of a relation keeps a helper index that DAO does
    // not list.
    GetTableIndexes(*db, "Table2", indexes, false, &names);
    EXPECT_EQ(names, QStringList({"id", "PrimaryKey"}));
}

TEST(XdbtoolCatalog, IndexFieldTextKeepsOnlyTheDescendingSign) {
    TIndexRecArray indexes;
    QStringList names;
    auto db = open("V1997/testIndexCodesV1997.mdb");
    struct Case {
        const char* table;
        const char* index;
        const char* fields;
    };
    for (Case c : {Case{"Table1", "PrimaryKey", "name"}, Case{"Table1_desc", "PrimaryKey", "-name"},
                   Case{"Table1_desc", "DataIndex", "data"},
                   Case{"MSysModules2", "Index1", "Name;Type;-Version"}}) {
        SCOPED_TRACE(std::string(c.table) + " " + c.index);
        GetTableIndexes(*db, c.table, indexes, false, &names);
        const qsizetype at = names.indexOf(c.index);
        ASSERT_GE(at, 0);
        EXPECT_EQ(indexes[static_cast<size_t>(at)].FieldNames, c.fields);
    }
}

TEST(XdbtoolCatalog, RelationsWithFieldPairsAndOptionalSystemOnes) {
    auto db = open("V2000/indexTestV2000.mdb");
    TRelationRecArray relations;
    QStringList names;
    GetRelations(*db, relations, &names, false);
    EXPECT_EQ(names, QStringList({"MSysNavPaneGroupCategoriesMSysNavPaneGroups",
                                  "MSysNavPaneGroupsMSysNavPaneGroupToObjects", "Table2Table1",
                                  "Table3Table1"}));
    ASSERT_EQ(relations.size(), 4u);

    GetRelations(*db, relations, &names, true);
    EXPECT_EQ(names, QStringList({"Table2Table1", "Table3Table1"}));
    ASSERT_EQ(relations.size(), 2u);
    const TRelationRec& r = relations[0];
    EXPECT_EQ(r.Name, "Table2Table1");
    EXPECT_EQ(r.Table, "Table2");
    EXPECT_EQ(r.ForeignTable, "Table1");
    EXPECT_EQ(r.Attributes, 4096);
    ASSERT_EQ(r.Fields.size(), 1u);
    EXPECT_EQ(r.Fields[0].FieldName, "id");
    EXPECT_EQ(r.Fields[0].ForeignName, "otherfk1");
    EXPECT_EQ(r.FieldNames, "id");
    EXPECT_EQ(r.ForeignFieldNames, "otherfk1");
    EXPECT_EQ(relations[1].Attributes, 256);

    // Without a list the array is still filled.
    GetRelations(*db, relations, nullptr, true);
    EXPECT_EQ(relations.size(), 2u);
}

// The SQL Access shows for SelectQuery, from the reference notes.
QString referenceSelectSql() {
    QFile f(QStringLiteral(TABULON_FIXTURES "/../reference/query-sql.md"));
    if (!f.open(QIODevice::ReadOnly)) return QString();
    const QString all = QString::fromUtf8(f.readAll());
    const qsizetype start = all.indexOf("SelectQuery\n```\n");
    if (start < 0) return QString();
    const qsizetype body = start + QStringLiteral("SelectQuery\n```\n").size();
    const qsizetype end = all.indexOf("\n```", body);
    return all.mid(body, end - body).replace("\n", "\r\n");
}

TEST(XdbtoolCatalog, QueriesInNameOrderWithTheirSql) {
    for (const char* file :
         {"V1997/queryTestV1997.mdb", "V2000/queryTestV2000.mdb", "V2010/queryTestV2010.accdb"}) {
        SCOPED_TRACE(file);
        TQueryDefArray queries;
        QStringList names{"left over"};
        GetQueryDefs(*open(file), queries, &names);
        EXPECT_EQ(names, QStringList({"AppendQuery", "CrosstabQuery", "DataDefinitionQuery",
                                      "DeleteQuery", "MakeTableQuery", "PassthroughQuery",
                                      "SelectQuery", "UnionQuery", "UpdateQuery"}));
        ASSERT_EQ(queries.size(), 9u);
        EXPECT_EQ(queries[6].Name, "SelectQuery");
        const QString expected = referenceSelectSql();
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(queries[6].SQL, expected);
    }
}

TEST(XdbtoolCatalog, MissingTableIsReportedInTheEnginesWords) {
    TFieldRecArray fields;
    try {
        GetTableFields(*open("V2000/testV2000.mdb"), "NoSuchTable", fields);
        ADD_FAILURE() << "no error";
    } catch (const jet::Error& e) {
        EXPECT_STREQ(e.what(), "Item not found in this collection.");
    }
}

TEST(XdbtoolCatalog, DeleteFileIfExists) {
    QTemporaryDir dir;
    const QString path = dir.filePath("x.mdb");
    DeleteFileIfExists(path);  // nothing there: nothing to do
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    DeleteFileIfExists(path);
    EXPECT_FALSE(QFile::exists(path));

    // A name that exists but cannot be removed as a file: a folder with
    // something in it (this fails whatever the user's rights).
    const QString folder = dir.filePath("busy.mdb");
    ASSERT_TRUE(QDir(dir.path()).mkdir("busy.mdb"));
    {
        QFile f(folder + "/inside");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    try {
        DeleteFileIfExists(folder);
        ADD_FAILURE() << "no error";
    } catch (const jet::Error& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Cannot delete file: " + folder);
    }
}

}  // namespace
