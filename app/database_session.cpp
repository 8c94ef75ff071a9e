#include "app/database_session.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/silent_abort.h"
#include "app/u_res.h"
#include "db/connection_string.h"
#include "db/xdbtool_MDB.h"
#include "kit/xHTMLLabel.h"
#include "kit/xdlg.h"
#include "kit/xdlg_service.h"

DatabaseSession::DatabaseSession(SessionEditors* editors)
    : editors_(editors ? editors : &defaultEditors_),
      opener_([](TConnectionUDB& connection) { connection.Open(); }),
      openDialogFolder_(QCoreApplication::applicationDirPath() + u'/') {}

DatabaseSession::~DatabaseSession() {
    DBCon_.Close();
    if (DB_) DB_->Close();
}

void DatabaseSession::setEditors(SessionEditors* editors) {
    editors_ = editors ? editors : &defaultEditors_;
}

void DatabaseSession::setConnectionOpener(ConnectionOpener opener) {
    opener_ = opener ? std::move(opener) : [](TConnectionUDB& connection) { connection.Open(); };
}

SessionFlags DatabaseSession::flags() const {
    SessionFlags f;
    f.opened = DBOpened_;
    f.tableChanged = TableChanged;
    f.idxChanged = IdxChanged;
    f.viewChanged = ViewChanged;
    f.relChanged = RelChanged;
    return f;
}

void DatabaseSession::actDBOpenExecute() {
    if (!actionEnabling(flags()).actDBOpen) return;
    openFile(fileText_);
}

void DatabaseSession::openFile(const QString& file) {
    if (!QFileInfo::exists(file)) {
        MsgError(res::FileNotFound.arg(htmlEscape(file)));
        abortSilently();
    }

    std::shared_ptr<dao::Database> db;
    try {
        db = OpenMDB(file, QString(), false);
        DBPwd_.clear();
    } catch (const std::exception&) {
        // Any failure may be a password matter; the user decides. Cancel
        // reports the first failure, which says what was really wrong.
        const std::exception_ptr first = std::current_exception();
        QString password = DBPwd_;
        if (!InputPassword(res::EnterPassword, password)) std::rethrow_exception(first);
        db = OpenMDB(file, password, false);
        DBPwd_ = password;
    }
    DB_ = std::move(db);
    fileName_ = file;

    dbInfo_ = QStringLiteral("DB file: <B>%1</B>, %2, Collation: %3")
                  .arg(htmlEscape(QFileInfo(file).fileName()),
                       htmlEscape(DBVersionName(GetMDBVersion(*DB_))),
                       htmlEscape(CollationName(DB_->CollatingOrder())));

    openDataConnection();

    DBOpened_ = true;
    editors_->loadDatabaseObjects();
    history_.add(fileText_);
}

void DatabaseSession::openDataConnection() {
    // An .mdb file is tried with the Jet provider first; the ACE provider
    // reads every format, so it is the second attempt for every file.
    DBCon_.setConnectionString(GetConnectionString(true));
    try {
        opener_(DBCon_);
        return;
    } catch (const SilentAbort&) {
        throw;
    } catch (const std::exception&) {
    }
    DBCon_.setConnectionString(GetConnectionString(false));
    try {
        opener_(DBCon_);
    } catch (const SilentAbort&) {
        throw;
    } catch (const std::exception& error) {
        // The catalogue handle works without the data connection: the
        // designers and the tree still load; data views fail when used.
        ShowErrorReport(res::ErrorHeader, error);
    }
}

QString DatabaseSession::GetConnectionString(bool useJetForMdb) const {
    return db::buildAccessConnectionString(db::providerForFile(fileName_, useJetForMdb), fileName_,
                                           DBPwd_);
}

void DatabaseSession::CloseDatabase() {
    AskStoreTableChanges();
    AskStoreViewChanges();
    AskStoreRelChanges();

    DBCon_.Close();
    if (DB_) {
        DB_->Close();
        DB_.reset();
    }
    DBOpened_ = false;
    TableChanged = false;
    IdxChanged = false;
    ViewChanged = false;
    RelChanged = false;
    LastTbl.clear();
    fileName_.clear();
    dbInfo_.clear();
    editors_->clearDatabaseObjects();
}

namespace {

// Yes: true (store); No: false (forget); Cancel or the close box: silent abort.
bool askStore(const QString& question) {
    switch (MsgQuestionCancel(question)) {
        case mrYes:
            return true;
        case mrNo:
            return false;
        default:
            abortSilently();
    }
}

}  // namespace

void DatabaseSession::AskStoreTableChanges() {
    if (!TableChanged && !IdxChanged) return;
    if (askStore(res::StoreTableChanges)) {
        if (actionEnabling(flags()).actTableStore) editors_->storeTableChanges();
        return;
    }
    TableChanged = false;
    IdxChanged = false;
}

void DatabaseSession::AskStoreViewChanges() {
    if (!ViewChanged) return;
    if (askStore(res::StoreViewChanges)) {
        if (actionEnabling(flags()).actViewStore) editors_->storeViewChanges();
        return;
    }
    ViewChanged = false;
}

void DatabaseSession::AskStoreRelChanges() {
    if (!RelChanged) return;
    if (askStore(res::StoreRelChanges)) {
        if (actionEnabling(flags()).actRelStore) editors_->storeRelationChanges();
        return;
    }
    RelChanged = false;
}

void DatabaseSession::fileAnchorClicked(const QString& linkName) {
    if (linkName.compare(u"Find", Qt::CaseInsensitive) == 0) {
        findFile();
    } else if (linkName.compare(u"Create", Qt::CaseInsensitive) == 0) {
        createFile();
    } else if (linkName.compare(u"Remove", Qt::CaseInsensitive) == 0) {
        history_.remove(fileText_);
    } else if (linkName.compare(u"Clear", Qt::CaseInsensitive) == 0) {
        history_.clear();
    }
}

void DatabaseSession::findFile() {
    CloseDatabase();
    kit::FileRequest request;
    request.mode = kit::FileRequest::Mode::Open;
    request.folder = openDialogFolder_;
    request.filter = res::openDialogFilter();
    request.filterIndex = 2;  // .accdb
    const std::optional<QString> chosen = kit::dialogService().chooseFile(request);
    if (!chosen) return;
    fileText_ = QFileInfo(*chosen).absoluteFilePath();
    actDBOpenExecute();
}

void DatabaseSession::createFile() {
    CloseDatabase();
    const std::optional<QString> created = editors_->createDatabase();
    if (!created) return;
    fileText_ = *created;
    actDBOpenExecute();
}

void DatabaseSession::dropFiles(const QStringList& files) {
    CloseDatabase();
    if (files.isEmpty()) return;
    fileText_ = QFileInfo(files.constFirst()).absoluteFilePath();
    actDBOpenExecute();
}

bool DatabaseSession::closeWindow() {
    try {
        CloseDatabase();
        return true;
    } catch (const SilentAbort&) {
        return false;
    }
}
