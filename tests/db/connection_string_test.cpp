// Connection strings of the data surface: reading the forms the providers
// accept, and building strings whose path and password read back unchanged
// whatever characters they hold.
#include "db/connection_string.h"

#include <gtest/gtest.h>

#include "jet/error.h"

namespace {

using db::AccessConnection;
using db::kAceProvider;
using db::kJetProvider;

TEST(ConnectionString, ReadsTheProviderFormsLeniently) {
    struct Case {
        const char* text;
        QString provider;
        const char* dataSource;
        const char* password;
    };
    for (Case c : {
             Case{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\a\\b.mdb", kJetProvider,
                  "C:\\a\\b.mdb", ""},
             Case{"provider=microsoft.ace.oledb.12.0;DATA SOURCE=/tmp/x.accdb;"
                  "jet oledb:database password=pw",
                  kAceProvider, "/tmp/x.accdb", "pw"},
             Case{";;Provider=Microsoft.ACE.OLEDB.12.0;;Data Source=/tmp/x.accdb;;", kAceProvider,
                  "/tmp/x.accdb", ""},
             Case{"Provider = Microsoft.Jet.OLEDB.4.0 ; Data Source = /tmp/a b.mdb ;", kJetProvider,
                  "/tmp/a b.mdb", ""},
             Case{"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=\"/tmp/a;b.accdb\";"
                  "Jet OLEDB:Database Password=\"x;\"\"y\"\"\"",
                  kAceProvider, "/tmp/a;b.accdb", "x;\"y\""},
             Case{"Provider=Microsoft.ACE.OLEDB.12.0;Data Source='/tmp/it''s.accdb'", kAceProvider,
                  "/tmp/it's.accdb", ""},
             Case{"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/tmp/one.accdb;"
                  "Data Source=/tmp/two.accdb;Mode=Share Deny None;User ID=Admin",
                  kAceProvider, "/tmp/two.accdb", ""},
         }) {
        SCOPED_TRACE(c.text);
        AccessConnection parsed = db::parseAccessConnection(c.text);
        EXPECT_EQ(parsed.provider, c.provider);
        EXPECT_EQ(parsed.dataSource, c.dataSource);
        EXPECT_EQ(parsed.password, c.password);
    }
}

TEST(ConnectionString, RefusesMalformedStringsAndOtherProviders) {
    struct Case {
        const char* text;
        jet::ErrorCode code;
    };
    for (Case c :
         {Case{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source", jet::ErrorCode::Syntax},
          Case{"=x;Provider=Microsoft.Jet.OLEDB.4.0", jet::ErrorCode::Syntax},
          Case{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/tmp/a.mdb", jet::ErrorCode::Syntax},
          Case{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a\"b;", jet::ErrorCode::Syntax},
          Case{"Provider=SQLOLEDB;Data Source=server", jet::ErrorCode::NotFound},
          Case{"Data Source=/tmp/a.mdb", jet::ErrorCode::NotFound}}) {
        SCOPED_TRACE(c.text);
        try {
            db::parseAccessConnection(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
        }
    }
}

TEST(ConnectionString, BuildsPlainValuesAsTheyAreAndQuotesTheOthers) {
    EXPECT_EQ(db::buildAccessConnectionString(kAceProvider, "/data/shop.accdb", ""),
              "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/data/shop.accdb");
    EXPECT_EQ(db::buildAccessConnectionString(kJetProvider, "/data/a b.mdb", "secret"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/a b.mdb;"
              "Jet OLEDB:Database Password=secret");
    EXPECT_EQ(db::buildAccessConnectionString(kJetProvider, "/data/a.mdb", "x;Mode=Read"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/a.mdb;"
              "Jet OLEDB:Database Password=\"x;Mode=Read\"");
}

TEST(ConnectionString, EveryPathAndPasswordReadsBackUnchanged) {
    const QStringList paths{"/data/shop.accdb", "/data/a;b.mdb",      "/data/\"quoted\".mdb",
                            "/data/it's.accdb", "'/data/leading.mdb", " /data/blank.mdb ",
                            "/data/x=y.mdb"};
    const QStringList passwords{"",  "pw",     "a;b",    "\"",    "\"\"", "'",
                                " ", ";pwd=x", "a\"b;c", " lead", "=",    "x;Data Source=/evil"};
    for (const QString& provider : {kJetProvider, kAceProvider}) {
        for (const QString& path : paths) {
            for (const QString& password : passwords) {
                const QString text = db::buildAccessConnectionString(provider, path, password);
                SCOPED_TRACE(text.toStdString());
                AccessConnection back = db::parseAccessConnection(text);
                EXPECT_EQ(back.provider, provider);
                EXPECT_EQ(back.dataSource, path);
                EXPECT_EQ(back.password, password);
            }
        }
    }
}

TEST(ConnectionString, ProviderFollowsTheExtension) {
    struct Case {
        const char* path;
        bool useJet;
        QString provider;
    };
    for (Case c : {Case{"/d/a.mdb", true, kJetProvider}, Case{"/d/A.MDB", true, kJetProvider},
                   Case{"/d/a.mdb", false, kAceProvider}, Case{"/d/a.accdb", true, kAceProvider},
                   Case{"/d/a.mde", true, kAceProvider}, Case{"/d/noext", true, kAceProvider},
                   Case{"/d.mdb/noext", true, kAceProvider}}) {
        EXPECT_EQ(db::providerForFile(c.path, c.useJet), c.provider) << c.path;
    }
}

}  // namespace
