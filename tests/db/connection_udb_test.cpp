// The data connection: opening through a connection string onto the shared
// engine database, the provider's messages, closing its datasets.
#include <gtest/gtest.h>

#include "db/engine_registry.h"
#include "db/xDBComponents_UDB.h"
#include "db_fixtures.h"
#include "jet/error.h"

namespace {

class RecordingDataset : public ConnectionDataset {
public:
    int closed = 0;
    void connectionClosing() override { ++closed; }
};

QString openError(TConnectionUDB& connection, const QString& text) {
    connection.setConnectionString(text);
    try {
        connection.Open();
    } catch (const jet::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

TEST(ConnectionUDBTest, OpensWhatTheProviderCanRead) {
    QTemporaryDir dir;
    const QString mdb = db_test::copyFixture(dir, "V2000/testV2000.mdb");
    const QString jet3 = db_test::copyFixture(dir, "V1997/testV1997.mdb");
    const QString accdb = db_test::copyFixture(dir, "V2007/testV2007.accdb");
    const QString missing = dir.filePath("missing.mdb");
    const QString jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
    const QString ace = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
    struct Case {
        QString text;
        QString error;  // empty: opens
    };
    const Case cases[] = {
        {jet + mdb, {}},
        {jet + jet3, {}},
        {ace + mdb, {}},
        {ace + accdb, {}},
        {"provider=microsoft.ace.oledb.12.0;;data source=" + accdb + ";", {}},
        {jet + accdb, "Unrecognized database format '" + accdb + "'."},
        {jet + missing, "Could not find file '" + missing + "'."},
        {"Provider=SQLOLEDB;Data Source=" + mdb,
         "Provider cannot be found. It may not be properly installed."},
        {"Data Source",
         "Format of the initialization string does not conform to the OLE DB "
         "specification."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TConnectionUDB connection;
        EXPECT_EQ(openError(connection, c.text), c.error);
        EXPECT_EQ(connection.Connected(), c.error.isEmpty());
        EXPECT_EQ(connection.HostName().isEmpty(), !c.error.isEmpty());
    }
    EXPECT_EQ(db::openEngineDatabaseCount(), 0);
}

TEST(ConnectionUDBTest, SharesTheEngineDatabaseAndClosesItsDatasets) {
    QTemporaryDir dir;
    const QString path = db_test::copyFixture(dir, "V2000/testV2000.mdb", "test;V2000.mdb");
    TConnectionUDB connection;
    RecordingDataset a;
    RecordingDataset b;
    connection.addDataset(&a);
    connection.addDataset(&b);
    connection.addDataset(&a);  // once only
    connection.removeDataset(&b);

    connection.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path +
                                   "\";Mode=Share Deny None");
    connection.Open();
    const db::EngineHandle catalogue = db::openEngineDatabase(path);
    EXPECT_EQ(&catalogue.database(), &connection.engineHandle().database());
    EXPECT_EQ(connection.HostName(), path);

    connection.Close();
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(connection.engineHandle());
    EXPECT_EQ(a.closed, 1);
    EXPECT_EQ(b.closed, 0);
    connection.removeDataset(&a);
    EXPECT_EQ(db::openEngineDatabaseCount(), 1);  // the catalogue's share remains
}

}  // namespace
