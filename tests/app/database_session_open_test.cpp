// Opening a file in the session: the password prompt and its pre-fill, the
// cancel that reports the first failure, the info line, the two attempts of
// the data connection and the session that opens without data.
#include <gtest/gtest.h>

#include "app/database_session.h"
#include "app/silent_abort.h"
#include "app_test_support.h"
#include "db/xdbtool_MDB.h"
#include "kit/xHTMLLabel.h"
#include "kit/xdlg_scripted.h"

namespace {

const QString kPrompt = QStringLiteral("Input input '%1' masked: Enter password to open database:");
const QString kGeneral = QStringLiteral("General (English, French, German ...)");

class SessionOpenTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use{dialogs};
    DatabaseSession* sessionPtr = nullptr;
    app_test::RecordingEditors editors{sessionPtr};
    DatabaseSession session{&editors};

    void SetUp() override { sessionPtr = &session; }

    QString copy(const QString& relative, const QString& name = QString()) {
        return app_test::copyFixture(dir, relative, name);
    }
    // Opens `path`; returns the error message, empty on success, "abort" for
    // a silent abort.
    QString open(const QString& path) {
        session.setFileText(path);
        try {
            session.actDBOpenExecute();
            return {};
        } catch (const SilentAbort&) {
            return QStringLiteral("abort");
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
    }
    void close() { session.CloseDatabase(); }
};

// The message of opening `path` without a password.
QString plainOpenError(const QString& path) {
    try {
        OpenMDB(path, QString(), false)->Close();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

TEST_F(SessionOpenTest, InfoLineNamesFileVersionAndCollation) {
    struct Case {
        const char* fixture;
        const char* version;
    };
    for (const Case& c : {Case{"V1997/testV1997.mdb", "Version 3.0 (MDB)"},
                          Case{"V2000/testV2000.mdb", "Version 4.0 (MDB)"},
                          Case{"V2007/testV2007.accdb", "Version 12.0 (ACCDB)"},
                          Case{"V2010/testV2010.accdb", "Version 14.0 (ACCDB)"}}) {
        SCOPED_TRACE(c.fixture);
        const QString path = copy(c.fixture);
        ASSERT_EQ(open(path), QString());
        EXPECT_EQ(session.dbInfo(), QStringLiteral("DB file: <B>%1</B>, %2, Collation: %3")
                                        .arg(QFileInfo(path).fileName(), c.version, kGeneral));
        EXPECT_TRUE(session.DBOpened());
        EXPECT_TRUE(session.DBCon().Connected());
        close();
        EXPECT_EQ(session.dbInfo(), QString());
    }
    EXPECT_TRUE(dialogs.transcript().isEmpty());
}

TEST_F(SessionOpenTest, InfoLineEscapesTheFileName) {
    const QString path = copy("V2000/testV2000.mdb", "a&b<c>.mdb");
    ASSERT_EQ(open(path), QString());
    EXPECT_TRUE(session.dbInfo().startsWith("DB file: <B>a&amp;b&lt;c&gt;.mdb</B>, "))
        << session.dbInfo().toStdString();
}

TEST_F(SessionOpenTest, PasswordPromptOutcomes) {
    struct Case {
        const char* name;
        const char* fixture;
        std::optional<QString> answer;  // nothing: the user cancels
        bool opens;
        QString error;  // "first": the failure of the plain open
    };
    const QString notAccess = dir.filePath("notes.mdb");
    {
        QFile f(notAccess);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    const Case cases[] = {
        {"right password", "encrypted/db2007-oldenc.accdb", QString("Test123"), true, {}},
        {"wrong password", "encrypted/db2007-oldenc.accdb", QString("nope"), false,
         "Not a valid password."},
        {"cancel on a protected file", "encrypted/db2007-oldenc.accdb", std::nullopt, false,
         "first"},
        {"cancel on a file that is no database", nullptr, std::nullopt, false, "first"},
        {"a password cannot mend a file that is no database", nullptr, QString("x"), false,
         "first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs = kit::ScriptedDialogService();
        DatabaseSession fresh;  // no password remembered, empty history
        const QString path =
            c.fixture ? copy(c.fixture, QString("%1.accdb").arg(c.name)) : notAccess;
        dialogs.answerInput(c.answer);
        fresh.setFileText(path);
        QString error;
        try {
            fresh.actDBOpenExecute();
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
        EXPECT_EQ(dialogs.transcript(), QStringList{kPrompt.arg("")});
        if (c.opens) {
            EXPECT_EQ(error, QString());
            EXPECT_TRUE(fresh.DBOpened());
            EXPECT_EQ(fresh.DBPwd(), *c.answer);
            EXPECT_EQ(fresh.history().items(), QStringList{path});
            continue;
        }
        const QString expected = c.error == "first" ? plainOpenError(path) : c.error;
        EXPECT_FALSE(expected.isEmpty());
        EXPECT_EQ(error, expected);
        EXPECT_FALSE(fresh.DBOpened());
        EXPECT_EQ(fresh.DB(), nullptr);
        EXPECT_FALSE(fresh.DBCon().Connected());
        EXPECT_EQ(fresh.DBPwd(), QString());
        EXPECT_EQ(fresh.dbInfo(), QString());
        EXPECT_TRUE(fresh.history().items().isEmpty());
    }
}

TEST_F(SessionOpenTest, PromptIsPrefilledWithThePasswordOfTheLastOpen) {
    const QString first = copy("encrypted/db2007-oldenc.accdb");
    const QString second = copy("encrypted/db2007-enc.accdb");
    const QString plain = copy("V2000/testV2000.mdb");

    dialogs.answerInput(QString("Test123"));
    ASSERT_EQ(open(first), QString());
    close();
    // Right after a protected file: the previous password is offered.
    dialogs.answerInput(QString("Test123"));
    ASSERT_EQ(open(second), QString());
    close();
    // A wrong password leaves the remembered one as it was.
    dialogs.answerInput(QString("wrong"));
    EXPECT_EQ(open(first), "Not a valid password.");
    EXPECT_EQ(session.DBPwd(), "Test123");
    // After a file without password the prompt starts empty.
    ASSERT_EQ(open(plain), QString());
    EXPECT_EQ(session.DBPwd(), QString());
    close();
    dialogs.answerInput(std::nullopt);
    EXPECT_NE(open(second), QString());

    EXPECT_EQ(dialogs.transcript(), (QStringList{kPrompt.arg(""), kPrompt.arg("Test123"),
                                                 kPrompt.arg("Test123"), kPrompt.arg("")}));
}

TEST_F(SessionOpenTest, MissingFileIsReportedAndNothingChanges) {
    dialogs.answerMessage(mrOk);
    const QString missing = dir.filePath("gone<1>.mdb");
    EXPECT_EQ(open(missing), "abort");
    EXPECT_EQ(dialogs.transcript(),
              QStringList{
                  QStringLiteral("Error [&Ok]: File \"%1\" not found.").arg(htmlEscape(missing))});
    EXPECT_FALSE(session.DBOpened());
    EXPECT_TRUE(editors.calls.isEmpty());
}

TEST_F(SessionOpenTest, ConnectionStringsFollowExtensionAndQuoteValues) {
    const QString jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
    const QString ace = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
    struct Case {
        const char* name;  // the copy's file name
        QByteArray password;
        QString first;  // expected strings, "%1" for the path as it stands
        QString second;
    };
    const Case cases[] = {
        {"plain.mdb", "", jet + "%1", ace + "%1"},
        {"CAPS.MDB", "", jet + "%1", ace + "%1"},
        {"data.mde", "", ace + "%1", ace + "%1"},
        {"noextension", "", ace + "%1", ace + "%1"},
        {"semi;colon.mdb", "", jet + "\"%1\"", ace + "\"%1\""},
        {"secret.mdb", "Pass7", jet + "%1;Jet OLEDB:Database Password=Pass7",
         ace + "%1;Jet OLEDB:Database Password=Pass7"},
        {"inject.mdb", "a;Mode=Share", jet + "%1;Jet OLEDB:Database Password=\"a;Mode=Share\"",
         ace + "%1;Jet OLEDB:Database Password=\"a;Mode=Share\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = copy("V2000/testV2000.mdb", c.name);
        if (!c.password.isEmpty()) {
            app_test::setJet4Password(path, c.password);
            dialogs.answerInput(QString::fromLatin1(c.password));
        }
        // Both attempts are recorded; the first one is refused.
        QStringList tried;
        session.setConnectionOpener([&tried](TConnectionUDB& connection) {
            tried << connection.ConnectionString();
            if (tried.size() == 1) throw jet::Error(jet::ErrorCode::NotFound, "refused");
            connection.Open();
        });
        ASSERT_EQ(open(path), QString());
        EXPECT_EQ(tried, (QStringList{c.first.arg(path), c.second.arg(path)}));
        EXPECT_TRUE(session.DBCon().Connected());
        EXPECT_EQ(session.DBCon().HostName(), path);
        close();
    }
}

TEST_F(SessionOpenTest, JetProviderRefusesAnAccdbNamedMdbAndAceOpensIt) {
    const QString path = copy("V2007/testV2007.accdb", "renamed.mdb");
    QStringList tried;
    QStringList errors;
    session.setConnectionOpener([&](TConnectionUDB& connection) {
        tried << connection.ConnectionString();
        try {
            connection.Open();
        } catch (const std::exception& e) {
            errors << QString::fromUtf8(e.what());
            throw;
        }
    });
    ASSERT_EQ(open(path), QString());
    EXPECT_EQ(tried.size(), 2);
    EXPECT_TRUE(tried[0].contains("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_TRUE(tried[1].contains("Microsoft.ACE.OLEDB.12.0"));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Unrecognized database format '%1'.").arg(path)});
    EXPECT_TRUE(session.DBCon().Connected());
    EXPECT_TRUE(dialogs.transcript().isEmpty());
}

TEST_F(SessionOpenTest, SessionOpensWithoutDataWhenBothAttemptsFail) {
    const QString path = copy("V2000/testV2000.mdb");
    int attempts = 0;
    session.setConnectionOpener([&attempts](TConnectionUDB&) {
        ++attempts;
        throw jet::Error(jet::ErrorCode::NotFound, "Provider cannot be found. <It> & more");
    });
    dialogs.answerMessage(mrOk);
    ASSERT_EQ(open(path), QString());
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(dialogs.transcript(), QStringList{"Error [&Ok]: Error\nError description:\n"
                                                "Provider cannot be found. &lt;It&gt; &amp; more"});
    EXPECT_EQ(dialogs.beeps(), 1);
    EXPECT_TRUE(session.DBOpened());
    EXPECT_FALSE(session.DBCon().Connected());
    // The editors still load from the catalogue handle.
    EXPECT_EQ(editors.calls, QStringList{"load"});
    EXPECT_FALSE(editors.tablesSeen.isEmpty());
    EXPECT_TRUE(actionEnabling(session.flags()).actDBClose);
    EXPECT_EQ(session.history().items(), QStringList{path});
}

TEST_F(SessionOpenTest, OpenIsDisabledWhileASessionIsOpen) {
    const QString first = copy("V2000/testV2000.mdb");
    const QString second = copy("V2007/testV2007.accdb");
    ASSERT_EQ(open(first), QString());
    EXPECT_EQ(open(second), QString());  // does nothing
    EXPECT_EQ(session.fileName(), first);
    EXPECT_EQ(editors.calls, QStringList{"load"});
}

}  // namespace
