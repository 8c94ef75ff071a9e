// The catalogue surface itself: collections (order, lookup by name, errors),
// closing, one shared engine database per file, exclusive opens, passwords
// (with characters a connect text could not carry) and linked tables.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "db/dao_database.h"
#include "db/xdbtool_MDB.h"
#include "db_fixtures.h"
#include "jet/crypt/header_mask.h"
#include "jet/util/bytes.h"

namespace {

using db_test::copyFixture;
using db_test::fixture;

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const jet::Error& e) {
        return e.what();
    }
    return "(no error)";
}

QStringList namesOf(auto& collection) {
    QStringList names;
    for (const auto& item : collection) names.append(item->Name());
    return names;
}

TEST(DaoSurface, TableDefsHoldEveryTableInNameOrder) {
    auto db = OpenMDB(fixture("V2000/indexTestV2000.mdb"), "", false);
    EXPECT_EQ(namesOf(db->TableDefs()),
              QStringList({"MSysAccessObjects", "MSysACEs", "MSysNameMap",
                           "MSysNavPaneGroupCategories", "MSysNavPaneGroups",
                           "MSysNavPaneGroupToObjects", "MSysNavPaneObjectIDs", "MSysObjects",
                           "MSysQueries", "MSysRelationships", "Table1", "Table2", "Table3"}));
    auto objects = db->TableDefs().Item("msysobjects");
    EXPECT_EQ(objects->Name(), "MSysObjects");
    EXPECT_EQ(objects->Attributes() & dao::kDbSystemObject, dao::kDbSystemObject);
    EXPECT_EQ(db->TableDefs().Item("Table1")->Attributes(), 0u);
}

TEST(DaoSurface, CollectionsRefuseUnknownItemsAndRefreshInPlace) {
    auto db = OpenMDB(fixture("V2000/indexTestV2000.mdb"), "", false);
    auto& tables = db->TableDefs();
    const int count = tables.Count();
    for (int bad : {-1, count}) {
        EXPECT_EQ(errorOf([&] { tables.Item(bad); }), "Item not found in this collection.");
    }
    EXPECT_EQ(errorOf([&] { tables.Item(QStringLiteral("Table")); }),
              "Item not found in this collection.");
    EXPECT_EQ(tables.find("TABLE2")->Name(), "Table2");
    EXPECT_EQ(tables.find("Table"), nullptr);

    auto kept = tables.Item(count - 1);
    tables.Refresh();
    EXPECT_EQ(tables.Count(), count);
    EXPECT_EQ(kept->Name(), tables.Item(count - 1)->Name());
    EXPECT_NE(kept, tables.Item(count - 1));  // a fresh object after Refresh

    auto& fields = tables.Item("Table1")->Fields();
    EXPECT_EQ(fields.Item("OTHERFK2")->Name(), "otherfk2");
    EXPECT_EQ(namesOf(tables.Item("Table1")->Indexes()),
              QStringList({"id", "PrimaryKey", "Table2Table1", "Table3Table1"}));
    auto relation = db->Relations().Item("table3table1");
    EXPECT_EQ(relation->Fields().Item(0)->ForeignName(), "otherfk2");
}

TEST(DaoSurface, ClosedDatabaseRefusesFurtherReads) {
    auto db = OpenMDB(fixture("V2000/testV2000.mdb"), "", false);
    auto table = db->TableDefs().Item("Table2");
    db->Close();
    db->Close();
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(errorOf([&] { db->Version(); }), "Object invalid or no longer set.");
    EXPECT_EQ(errorOf([&] { table->Fields().Count(); }), "Object invalid or no longer set.");
    EXPECT_EQ(errorOf([&] { db->QueryDefs().Count(); }), "Object invalid or no longer set.");
}

TEST(DaoSurface, OneEngineDatabasePerFile) {
    QTemporaryDir dir;
    const QString path = copyFixture(dir, "V2000/testV2000.mdb");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString otherSpelling = dir.filePath("sub/../testV2000.mdb");
    const QString link = dir.filePath("link.mdb");
    ASSERT_TRUE(QFile::link(path, link));

    const int before = db::openEngineDatabaseCount();
    auto a = OpenMDB(path, "", false);
    auto b = OpenMDB(otherSpelling, "", false);
    auto c = OpenMDB(link, "", false);
    EXPECT_EQ(db::openEngineDatabaseCount(), before + 1);
    EXPECT_EQ(a->engineHandle().shared(), b->engineHandle().shared());
    EXPECT_EQ(a->engineHandle().shared(), c->engineHandle().shared());
    EXPECT_EQ(b->Name(), otherSpelling);

    auto other = OpenMDB(copyFixture(dir, "V2000/indexTestV2000.mdb"), "", false);
    EXPECT_NE(other->engineHandle().shared(), a->engineHandle().shared());
    EXPECT_EQ(db::openEngineDatabaseCount(), before + 2);

    a->Close();
    b.reset();
    EXPECT_EQ(db::openEngineDatabaseCount(), before + 2);  // c still holds the file
    c->Close();
    other.reset();
    EXPECT_EQ(db::openEngineDatabaseCount(), before);
}

TEST(DaoSurface, ExclusiveOpenStandsAlone) {
    const QString path = fixture("V2000/testV2000.mdb");
    const std::string inUse = "Could not use '" + path.toStdString() + "'; file already in use.";
    {
        auto shared = OpenMDB(path, "", false);
        EXPECT_EQ(errorOf([&] { OpenMDB(path, "", true); }), inUse);
    }
    {
        auto exclusive = OpenMDB(path, "", true);
        EXPECT_EQ(errorOf([&] { OpenMDB(path, "", false); }), inUse);
    }
    EXPECT_TRUE(OpenMDB(path, "", true)->isOpen());
}

TEST(DaoSurface, MissingOrForeignFilesFailWithAMessage) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("none.mdb");
    EXPECT_EQ(errorOf([&] { OpenMDB(missing, "", false); }),
              "Could not find file '" + missing.toStdString() + "'.");
    const QString text = dir.filePath("text.mdb");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    EXPECT_EQ(errorOf([&] { OpenMDB(text, "", false); }).rfind("Unrecognized database format", 0),
              0u);
}

// Writes a Jet 4 header password into the file, the way Access keeps it:
// UTF-16 masked with the creation date, inside the RC4-masked region.
void setJet4Password(const QString& path, const std::string& password) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray head = f.read(4096);
    std::span<uint8_t> page(reinterpret_cast<uint8_t*>(head.data()), 4096);
    jet::unmaskHeaderPage(page, jet::JetVersion::Jet4);
    const auto mask = static_cast<uint32_t>(static_cast<int32_t>(jet::readF64(page, 0x72)));
    for (size_t i = 0; i < 40; ++i) {
        uint8_t plain = 0;
        if (i % 2 == 0 && i / 2 < password.size()) plain = static_cast<uint8_t>(password[i / 2]);
        page[0x42 + i] = plain ^ static_cast<uint8_t>(mask >> (8 * (i % 4)));
    }
    jet::unmaskHeaderPage(page, jet::JetVersion::Jet4);
    f.seek(0);
    f.write(head);
}

TEST(DaoSurface, PasswordsReachTheEngineUnchanged) {
    QTemporaryDir dir;
    const QString path = copyFixture(dir, "V2000/testV2000.mdb");
    const std::string password = "a;b\"c=d'";
    setJet4Password(path, password);

    for (const char* wrong : {"", "a", "a;b", "\"a;b\"c=d'\""}) {
        EXPECT_EQ(errorOf([&] { OpenMDB(path, wrong, false); }), "Not a valid password.") << wrong;
    }
    auto db = OpenMDB(path, QString::fromStdString(password), false);
    EXPECT_EQ(db->Version(), "4.0");
    // The file is open now; a second open must still bring the right password.
    EXPECT_EQ(errorOf([&] { OpenMDB(path, "a;b", false); }), "Not a valid password.");
    EXPECT_TRUE(OpenMDB(path, QString::fromStdString(password), false)->isOpen());
}

TEST(DaoSurface, OfficeEncryptedFileOpensWithItsPassword) {
    const QString path = fixture("encrypted/db2007-oldenc.accdb");
    EXPECT_NE(errorOf([&] { OpenMDB(path, "", false); }), "(no error)");
    EXPECT_NE(errorOf([&] { OpenMDB(path, "test123", false); }), "(no error)");
    auto db = OpenMDB(path, "Test123", false);
    EXPECT_EQ(db->Version(), "12.0");
    QStringList names;
    GetTableNames(*db, names);
    EXPECT_FALSE(names.isEmpty());
}

TEST(DaoSurface, LinkedTablesReadTheirDefinitionFromTheLinkedFile) {
    // Where the link points (Z:\...) does not exist here; the file of the
    // same name beside the linking database is used instead.
    QTemporaryDir dir;
    const QString linker = copyFixture(dir, "V2007/linkerTestV2007.accdb");
    auto db = OpenMDB(linker, "", false);
    auto linked = db->TableDefs().Item("Table2");
    EXPECT_EQ(linked->Attributes() & dao::kDbAttachedTable, dao::kDbAttachedTable);
    EXPECT_EQ(linked->Connect(), ";DATABASE=Z:\\jackcess_test\\linkeeTest.accdb");
    EXPECT_EQ(linked->SourceTableName(), "Table1");
    EXPECT_EQ(errorOf([&] { linked->Fields().Count(); }),
              "Could not find file 'Z:\\jackcess_test\\linkeeTest.accdb'.");

    copyFixture(dir, "linkeeTest.accdb");
    linked->Fields().Refresh();
    EXPECT_EQ(namesOf(linked->Fields()), QStringList({"ID", "Field1"}));
    TIndexRecArray indexes;
    GetTableIndexes(*db, "Table2", indexes, false);
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_TRUE(indexes[0].Primary);
}

}  // namespace
