// The catalogue routines that create and compact files: new databases of
// every version and a choice of collations, compaction with the version,
// locale and password conventions, and compaction in place with its
// temporary files and its error report.
#include <gtest/gtest.h>

#include "common/qt_fixture_files.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "db/engine_registry.h"
#include "db/xDBComponents_UDB.h"
#include "db/xdbtool_MDB.h"
#include "db/xdbtool_MDB_files.h"
#include "db_fixtures.h"
#include "jet/error.h"
#include "kit/xdlg_scripted.h"

namespace {

using db_test::copyFixture;

constexpr const char* kGeneral = "General (English, French, German ...)";
const QString kReportHeader = QStringLiteral("Error: Cannot compress data.");

template <class F>
std::string errorOf(F&& call) {
    try {
        call();
    } catch (const jet::Error& e) {
        return e.what();
    }
    return "(no error)";
}

QStringList tableNames(const QString& path, const QString& password = QString()) {
    auto db = OpenMDB(path, password, false);
    QStringList names;
    GetTableNames(*db, names);
    return names;
}

struct Opened {
    int versionKey;
    int langId;
};

Opened versionAndCollation(const QString& path, const QString& password = QString()) {
    auto db = OpenMDB(path, password, false);
    return {GetMDBVersion(*db), db->CollatingOrder()};
}

// ---- CreateMDB ----------------------------------------------------------------

TEST(XdbtoolWrite, CreateMDBMakesEachVersionWithItsCollation) {
    struct Case {
        int versionKey;
        const char* collation;
        const char* file;
    };
    const Case cases[] = {
        {32, kGeneral, "g97.mdb"},
        {32, "Russian", "ru97.mdb"},
        {32, "Swedish and Finnish", "sv97.mdb"},
        {64, kGeneral, "g.mdb"},
        {64, "Japanese", "ja.mdb"},
        {64, "Turkish", "tr.mdb"},
        {128, kGeneral, "g.accdb"},
        {128, "Greek", "el.accdb"},
        {256, kGeneral, "g14.accdb"},
        {256, "Simplified Chinese", "zh.accdb"},
        {256, "Czech", "cs.accdb"},
    };
    QTemporaryDir dir;
    const int openBefore = db::openEngineDatabaseCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(c.file);
        const int langId = CollationFromName(c.collation);
        ASSERT_GT(langId, 0);
        CreateMDB(path, langId, c.versionKey);
        EXPECT_EQ(db::openEngineDatabaseCount(), openBefore);  // released at once

        auto db = OpenMDB(path, QString(), false);
        EXPECT_EQ(GetMDBVersion(*db), c.versionKey);
        EXPECT_EQ(DBVersionName(GetMDBVersion(*db)), DBVersionName(c.versionKey));
        EXPECT_EQ(db->CollatingOrder(), langId);
        EXPECT_EQ(CollationName(db->CollatingOrder()), c.collation);
        QStringList names{"stale"};
        GetTableNames(*db, names);
        EXPECT_TRUE(names.isEmpty()) << names.join(u',').toStdString();
    }
}

TEST(XdbtoolWrite, CreateMDBRefusesWithoutWritingAnything) {
    QTemporaryDir dir;
    const QString existing = copyFixture(dir, "empty/emptyJet4.mdb");
    const QByteArray before = testing_support::qtFileBytes(existing);
    struct Case {
        QString file;
        int langId;
        int versionKey;
        const char* messageStart;
    };
    const Case cases[] = {
        {existing, 1033, 64, "Database already exists."},
        {dir.filePath("nolocale.mdb"), 0, 64, "The locale text '' names none"},
        {dir.filePath("unknown.mdb"), 1036, 64, "The locale text '' names none"},  // French
        {dir.filePath("badkey.mdb"), 1033, 100, "Invalid version key 100."},
        {dir.filePath("nofolder/x.mdb"), 1033, 64, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const std::string message = errorOf([&] { CreateMDB(c.file, c.langId, c.versionKey); });
        EXPECT_NE(message, "(no error)");
        EXPECT_EQ(message.rfind(c.messageStart, 0), 0u) << message;
    }
    EXPECT_EQ(testing_support::qtFileBytes(existing), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"emptyJet4.mdb"});
}

// Replacing a file: the new database takes the old one's place only when it
// is complete; a failure leaves the old bytes and no other file.
TEST(XdbtoolWrite, CreateMDBReplacingTakesThePlaceOnlyOfACompleteFile) {
    QTemporaryDir dir;
    const QString file = copyFixture(dir, "V2000/indexTestV2000.mdb", "target.mdb");
    const QByteArray original = testing_support::qtFileBytes(file);

    EXPECT_NE(errorOf([&] { CreateMDBReplacing(file, 9999, 64); }), "(no error)");
    EXPECT_EQ(testing_support::qtFileBytes(file), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"target.mdb"});

    CreateMDBReplacing(file, 1043, 256);
    const Opened opened = versionAndCollation(file);
    EXPECT_EQ(opened.versionKey, 256);
    EXPECT_EQ(opened.langId, 1043);
    EXPECT_TRUE(tableNames(file).isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"target.mdb"});

    // Without a file at the name it is a plain creation.
    const QString fresh = dir.filePath("fresh.accdb");
    CreateMDBReplacing(fresh, 1033, 128);
    EXPECT_EQ(versionAndCollation(fresh).versionKey, 128);
}

TEST(XdbtoolWrite, AFileThisProgramHoldsOpenCannotBeReplaced) {
    QTemporaryDir dir;
    const QString file = copyFixture(dir, "V2000/indexTestV2000.mdb");
    EXPECT_TRUE(CanReplaceFile(file));
    {
        auto db = OpenMDB(file, QString(), false);
        EXPECT_FALSE(CanReplaceFile(file));
        db->Close();
    }
    EXPECT_TRUE(CanReplaceFile(file));
    EXPECT_FALSE(CanReplaceFile(dir.path()));  // a folder is no file to replace
}

TEST(XdbtoolWrite, EngineCreateDatabaseReadsTheLocaleText) {
    struct Case {
        const char* file;
        const char* locale;
        int version;
        Opened expected;
        QString password;
    };
    const Case cases[] = {
        {"ru.mdb", ";LANGID=0x0419;CP=1251;COUNTRY=0;pwd=abc", 64, {64, 1049}, "abc"},
        {"sv.mdb", ";langid=0x041d;cp=1252", 32, {32, 1053}, ""},
        {"default.accdb", ";LANGID=0x0409;CP=1252;COUNTRY=0", 0, {256, 1033}, ""},
        {"nopwd.accdb", ";LANGID=0x0405;CP=1250;COUNTRY=0;pwd=", 128, {128, 1029}, ""},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(c.file);
        auto created = dao::DBEngine().CreateDatabase(path, c.locale, c.version);
        ASSERT_TRUE(created->isOpen());
        EXPECT_EQ(GetMDBVersion(*created), c.expected.versionKey);
        created->Close();
        const Opened got = versionAndCollation(path, c.password);
        EXPECT_EQ(got.versionKey, c.expected.versionKey);
        EXPECT_EQ(got.langId, c.expected.langId);
        if (!c.password.isEmpty()) {
            EXPECT_EQ(errorOf([&] { OpenMDB(path, QString(), false); }), "Not a valid password.");
        }
    }
    EXPECT_EQ(errorOf([&] { dao::DBEngine().CreateDatabase(dir.filePath("x.mdb"), ";pwd=a", 64); }),
              "The locale text ';pwd=a' names none of the collations a new database can have.");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.mdb")));
}

// ---- CompactMDB ---------------------------------------------------------------

TEST(XdbtoolWrite, CompactMDBVersionAndLocaleOptions) {
    QTemporaryDir dir;
    const QString source = copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QStringList sourceTables = tableNames(source);
    ASSERT_FALSE(sourceTables.isEmpty());
    struct Case {
        const char* destination;
        int versionKey;
        int destLangId;
        int sourceLangId;
        Opened expected;
    };
    const Case cases[] = {
        {"same.mdb", 0, 0, 0, {64, 1033}},          // no options: the source's own
        {"srclocale.mdb", 0, 0, 1049, {64, 1033}},  // the source's locale changes nothing
        {"ru.mdb", 0, 1049, 0, {64, 1049}},         // collation only
        {"v97.mdb", 32, 0, 0, {32, 1033}},          // version only
        {"v14.accdb", 256, 1053, 0, {256, 1053}},   // both
        {"v12.accdb", 128, 1033, 1033, {128, 1033}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination);
        const QString destination = dir.filePath(c.destination);
        CompactMDB(source, destination, QString(), c.versionKey, c.destLangId, c.sourceLangId,
                   QString());
        const Opened got = versionAndCollation(destination);
        EXPECT_EQ(got.versionKey, c.expected.versionKey);
        EXPECT_EQ(got.langId, c.expected.langId);
        EXPECT_EQ(tableNames(destination), sourceTables);
    }
}

TEST(XdbtoolWrite, CompactMDBPasswordConventions) {
    QTemporaryDir dir;
    const QString plain = copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QString locked = dir.filePath("locked.mdb");
    CompactMDB(plain, locked, QString(), 0, 0, 0, QStringLiteral("Old pw"));
    const std::string badPassword = "Not a valid password.";
    ASSERT_EQ(errorOf([&] { OpenMDB(locked, QString(), false); }), badPassword);
    // An .accdb file keeps its password by being encrypted with it.
    const QString encrypted = copyFixture(dir, "encrypted/db2007-enc.accdb");

    struct Case {
        const char* destination;  // an .mdb copy of the .accdb file is a 4.0 file
        const QString& source;
        QString sourcePassword;
        QString destPassword;
        QString opensWith;  // the copy opens with this password and no other
    };
    const Case cases[] = {
        {"keep.mdb", locked, "Old pw", "", "Old pw"},  // "": no password part, kept
        {"none.mdb", locked, "Old pw", " ", ""},       // " ": empty part, removed
        {"new.mdb", locked, "Old pw", "n3w", "n3w"},   // text: the new password
        {"blank2.mdb", locked, "Old pw", "  ", "  "},  // two blanks are a password
        {"plainkeep.mdb", plain, "", "", ""},
        {"plainnew.mdb", plain, "", "first", "first"},
        {"enckeep.accdb", encrypted, "Test123", "", "Test123"},
        {"encnone.accdb", encrypted, "Test123", " ", ""},
        {"encnew.accdb", encrypted, "Test123", "n3w", "n3w"},
        {"enckeep.mdb", encrypted, "Test123", "", "Test123"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination);
        const QString destination = dir.filePath(c.destination);
        const bool intoMdb = c.source == encrypted && destination.endsWith(".mdb");
        CompactMDB(c.source, destination, c.sourcePassword, intoMdb ? 64 : 0, 0, 0, c.destPassword);
        const QStringList copied = tableNames(destination, c.opensWith);
        QStringList expected = tableNames(c.source, c.sourcePassword);
        // Access's own helper tables stay behind when the format changes.
        if (intoMdb) expected.removeIf([](const QString& t) { return t.startsWith("f_"); });
        EXPECT_EQ(copied, expected);
        if (!c.opensWith.isEmpty()) {
            EXPECT_EQ(errorOf([&] { OpenMDB(destination, QString(), false); }), badPassword);
        }
    }
}

TEST(XdbtoolWrite, CompactMDBFailuresLeaveNoDestination) {
    QTemporaryDir dir;
    const QString source = copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QString locked = dir.filePath("locked.mdb");
    CompactMDB(source, locked, QString(), 0, 0, 0, QStringLiteral("pw"));
    const QString taken = copyFixture(dir, "empty/emptyJet4.mdb");
    const QString out = dir.filePath("out.mdb");
    const QString missing = dir.filePath("missing.mdb");

    struct Case {
        const char* what;
        std::function<void()> call;
        std::string message;
    };
    const Case cases[] = {
        {"wrong source password", [&] { CompactMDB(locked, out, "PW", 0, 0, 0, QString()); },
         "Not a valid password."},
        {"missing source", [&] { CompactMDB(missing, out, QString(), 0, 0, 0, QString()); },
         "Could not find file '" + missing.toStdString() + "'."},
        {"destination exists", [&] { CompactMDB(source, taken, QString(), 0, 0, 0, QString()); },
         "Database already exists."},
        {"destination is the source",
         [&] { CompactMDB(source, source, QString(), 0, 0, 0, QString()); },
         "Database already exists."},
        {"unknown version key", [&] { CompactMDB(source, out, QString(), 48, 0, 0, QString()); },
         "Invalid version key 48."},
        {"';' in the new password",
         [&] { CompactMDB(source, out, QString(), 0, 0, 0, "a;LANGID=0x0419"); },
         "A password that contains ';' cannot be passed to the compaction."},
    };
    const QByteArray takenBytes = testing_support::qtFileBytes(taken);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorOf(c.call), c.message);
        EXPECT_FALSE(QFileInfo::exists(out));
    }
    EXPECT_EQ(testing_support::qtFileBytes(taken), takenBytes);
}

TEST(XdbtoolWrite, CompactMDBRefusesAFileThatIsOpen) {
    QTemporaryDir dir;
    const QString source = copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QString out = dir.filePath("out.mdb");
    const std::string inUse = "Could not use '" + source.toStdString() + "'; file already in use.";
    {
        auto db = OpenMDB(source, QString(), false);
        EXPECT_EQ(errorOf([&] { CompactMDB(source, out, QString(), 0, 0, 0, QString()); }), inUse);
        EXPECT_FALSE(QFileInfo::exists(out));
        db->Close();
        // Released through Close, the file compacts although the object lives.
        CompactMDB(source, out, QString(), 0, 0, 0, QString());
    }
    EXPECT_TRUE(QFileInfo::exists(out));
}

// ---- CompactMDBInPlace ------------------------------------------------------------

struct InPlaceRun {
    kit::ScriptedDialogService dialogs;
    bool result = false;
};

void compactInPlace(InPlaceRun& run, const QString& file, const QString& current,
                    const QString& newPassword, int versionKey, int langId) {
    kit::ScopedDialogService use(run.dialogs);
    run.result = CompactMDBInPlace(file, current, newPassword, versionKey, langId);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(XdbtoolWrite, CompactMDBInPlaceReplacesTheFile) {
    struct Case {
        const char* fixture;
        QString current;
        QString newPassword;
        int versionKey;
        int langId;
        Opened expected;
        QString opensWith;
    };
    const Case cases[] = {
        {"V2000/indexTestV2000.mdb", "", "", 0, 0, {64, 1033}, ""},
        {"V2000/indexTestV2000.mdb", "", "", 256, 1049, {256, 1049}, ""},
        {"V2000/indexTestV2000.mdb", "", "set", 32, 0, {32, 1033}, "set"},
        {"V2007/testV2007.accdb", "", "", 64, 1053, {64, 1053}, ""},
        {"encrypted/db2007-enc.accdb", "Test123", "", 0, 0, {256, 1033}, "Test123"},
        {"encrypted/db2007-oldenc.accdb", "Test123", " ", 128, 0, {128, 1033}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " -> " + std::to_string(c.versionKey));
        QTemporaryDir dir;
        const QString file = copyFixture(dir, c.fixture);
        const QStringList tables = tableNames(file, c.current);
        // Files of the names an earlier way of compacting used (or of the
        // user's own) are left alone.
        for (const char* other : {"_compact_.mdb", "_old_.mdb"}) {
            QFile f(dir.filePath(other));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("not ours");
        }

        // The hourglass shows while the copy takes the file's place, in one
        // step.
        std::vector<bool> busyDuringRenames;
        ScopedMdbFileRenamer watch([&](const QString& from, const QString& to) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            busyDuringRenames.push_back(cursor && cursor->shape() == Qt::WaitCursor);
            return std::rename(QFile::encodeName(from).constData(),
                               QFile::encodeName(to).constData()) == 0;
        });
        InPlaceRun run;
        compactInPlace(run, file, c.current, c.newPassword, c.versionKey, c.langId);
        EXPECT_TRUE(run.result);
        EXPECT_TRUE(run.dialogs.asked().empty())
            << run.dialogs.transcript().join('\n').toStdString();
        EXPECT_EQ(busyDuringRenames, std::vector<bool>({true}));

        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
                  (QStringList{"_compact_.mdb", "_old_.mdb", QFileInfo(file).fileName()}));
        EXPECT_EQ(testing_support::qtFileBytes(dir.filePath("_compact_.mdb")), "not ours");
        EXPECT_EQ(testing_support::qtFileBytes(dir.filePath("_old_.mdb")), "not ours");
        QFile::remove(dir.filePath("_compact_.mdb"));
        QFile::remove(dir.filePath("_old_.mdb"));
        const Opened got = versionAndCollation(file, c.opensWith);
        EXPECT_EQ(got.versionKey, c.expected.versionKey);
        EXPECT_EQ(got.langId, c.expected.langId);
        EXPECT_EQ(tableNames(file, c.opensWith), tables);
    }
}

TEST(XdbtoolWrite, CompactMDBInPlacePasswordConventions) {
    QTemporaryDir dir;
    const QString file = copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QStringList tables = tableNames(file);
    struct Step {
        QString current;
        QString newPassword;
        QString opensWith;  // after the run
        QString failure;    // the reported reason; empty for a run that succeeds
    };
    // One file through a sequence of runs: each starts from the password the
    // run before left.
    const Step steps[] = {
        {"", "one", "one", ""},                       // set
        {"one", "", "one", ""},                       // "" keeps the current password
        {"One", "", "one", "Not a valid password."},  // refused, nothing changes
        {"one", "two", "two", ""},                    // change
        {"two", " ", "", ""},                         // " " removes it
        {"", "", "", ""},                             // a file without password stays without
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(("'" + s.current + "' -> '" + s.newPassword + "'").toStdString());
        const QByteArray before = testing_support::qtFileBytes(file);
        InPlaceRun run;
        if (!s.failure.isEmpty()) run.dialogs.answerMessage(mrOk);
        compactInPlace(run, file, s.current, s.newPassword, 0, 0);
        EXPECT_EQ(run.result, s.failure.isEmpty());
        if (!s.failure.isEmpty()) {
            ASSERT_EQ(run.dialogs.asked().size(), 1u);
            EXPECT_EQ(run.dialogs.asked().front().texts().value(1),
                      "Error description:\n" + s.failure);
            EXPECT_EQ(testing_support::qtFileBytes(file), before);
        }
        EXPECT_EQ(tableNames(file, s.opensWith), tables);
        if (!s.opensWith.isEmpty()) {
            EXPECT_EQ(errorOf([&] { OpenMDB(file, QString(), false); }), "Not a valid password.");
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"indexTestV2000.mdb"});
    }
}

TEST(XdbtoolWrite, CompactMDBInPlaceFollowsALink) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("data"));
    const QString target = dir.filePath("data/indexTestV2000.mdb");
    ASSERT_TRUE(QFile::copy(db_test::fixture("V2000/indexTestV2000.mdb"), target));
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QString link = dir.filePath("link.mdb");
    ASSERT_TRUE(QFile::link(target, link));

    InPlaceRun run;
    compactInPlace(run, link, QString(), QString(), 128, 0);
    ASSERT_TRUE(run.result) << run.dialogs.transcript().join('\n').toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(versionAndCollation(target).versionKey, 128);
    EXPECT_EQ(QDir(dir.filePath("data")).entryList(QDir::Files), QStringList{"indexTestV2000.mdb"});
}

// A run that fails: one error report with the header and the reason, false,
// and the database unchanged under its own name.
TEST(XdbtoolWrite, CompactMDBInPlaceFailuresReportAndKeepTheFile) {
    struct Case {
        const char* what;
        // Prepares the folder; returns the file name to compact.
        std::function<QString(const QTemporaryDir&, const QString& file)> prepare;
        // Fails the rename whose source this returns true for.
        std::function<bool(const QString& from, const QString& file)> failRename;
        // The reason in the report, given the folder and the file.
        std::function<QString(const QTemporaryDir&, const QString& file)> reason;
    };
    auto never = [](const QString&, const QString&) { return false; };
    const Case cases[] = {
        {"source missing",
         [](const QTemporaryDir& dir, const QString&) { return dir.filePath("gone.mdb"); }, never,
         [](const QTemporaryDir&, const QString& file) {
             return "Could not find file '" + file + "'.";
         }},
        {"copy cannot take its place", [](const QTemporaryDir&, const QString& f) { return f; },
         [](const QString& from, const QString& file) { return from.startsWith(file + ".new-"); },
         [](const QTemporaryDir&, const QString& file) { return "Cannot replace file: " + file; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString original = copyFixture(dir, "V2000/indexTestV2000.mdb");
        const QByteArray bytes = testing_support::qtFileBytes(original);
        const QString file = c.prepare(dir, original);

        ScopedMdbFileRenamer failing([&](const QString& from, const QString& to) {
            return !c.failRename(from, file) && std::rename(QFile::encodeName(from).constData(),
                                                            QFile::encodeName(to).constData()) == 0;
        });
        InPlaceRun run;
        run.dialogs.answerMessage(mrOk);
        compactInPlace(run, file, QString(), QString(), 0, 0);
        EXPECT_FALSE(run.result);
        EXPECT_EQ(run.dialogs.beeps(), 1);
        ASSERT_EQ(run.dialogs.asked().size(), 1u);
        const QStringList texts = run.dialogs.asked().front().texts();
        ASSERT_EQ(texts.size(), 2);
        EXPECT_EQ(texts[0], kReportHeader);
        EXPECT_EQ(texts[1], "Error description:\n" + c.reason(dir, file));

        EXPECT_EQ(testing_support::qtFileBytes(original), bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"indexTestV2000.mdb"});
    }
}

TEST(XdbtoolWrite, CompactMDBInPlaceNeedsTheSessionReleasedAndReopensAfterwards) {
    QTemporaryDir dir;
    const QString file = copyFixture(dir, "V2000/indexTestV2000.mdb");
    const QByteArray bytes = testing_support::qtFileBytes(file);
    // What the main window's session holds: the catalogue handle and the
    // data connection, each a share of the file.
    auto session = OpenMDB(file, QString(), false);
    TConnectionUDB connection;
    connection.setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
    connection.Open();
    {
        InPlaceRun run;
        run.dialogs.answerMessage(mrOk);
        compactInPlace(run, file, QString(), QString(), 128, 0);
        EXPECT_FALSE(run.result);
        ASSERT_EQ(run.dialogs.asked().size(), 1u);
        EXPECT_EQ(run.dialogs.asked().front().texts().value(1),
                  "Error description:\nCould not use '" + file + "'; file already in use.");
        EXPECT_EQ(testing_support::qtFileBytes(file), bytes);
        EXPECT_EQ(GetMDBVersion(*session), 64);  // the open session still reads
    }
    session->Close();
    {
        // The data connection alone still holds the file.
        InPlaceRun run;
        run.dialogs.answerMessage(mrOk);
        compactInPlace(run, file, QString(), QString(), 128, 0);
        EXPECT_FALSE(run.result);
        EXPECT_EQ(testing_support::qtFileBytes(file), bytes);
    }
    connection.Close();
    {
        InPlaceRun run;
        compactInPlace(run, file, QString(), QString(), 128, 0);
        EXPECT_TRUE(run.result);
    }
    session = OpenMDB(file, QString(), false);
    EXPECT_EQ(GetMDBVersion(*session), 128);
}

}  // namespace
