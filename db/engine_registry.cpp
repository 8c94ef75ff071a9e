#include "db/engine_registry.h"

#include <QFile>
#include <QFileInfo>
#include <map>

namespace db {
namespace {

struct Entry {
    std::weak_ptr<jet::Database> database;
    QStringList acceptedPasswords;
    int users = 0;
    bool exclusive = false;
};

using Registry = std::map<QString, Entry>;

// Shared so that a handle let go of during static destruction (a window kept
// in a static) still finds the registry alive: every lease holds it.
const std::shared_ptr<Registry>& registry() {
    static const auto entries = std::make_shared<Registry>();
    return entries;
}

std::string enginePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Changes need the file and, for the journal kept while a change is
// written, its folder.
bool canChange(const QFileInfo& file) {
    return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

[[noreturn]] void throwInUse(const QString& path) {
    throw jet::Error(jet::ErrorCode::Io,
                     "Could not use '" + path.toStdString() + "'; file already in use.");
}

}  // namespace

EngineHandle openEngineDatabase(const QString& path, const EngineOpenOptions& options) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        throw jet::Error(jet::ErrorCode::Io, "Could not find file '" + path.toStdString() + "'.");
    }
    const QString key = info.canonicalFilePath();
    const std::shared_ptr<Registry> shared = registry();
    Registry& entries = *shared;
    auto it = entries.find(key);
    std::shared_ptr<jet::Database> database;
    if (it != entries.end()) database = it->second.database.lock();

    if (database) {
        Entry& e = it->second;
        if (e.exclusive || options.exclusive) throwInUse(path);
        if (!e.acceptedPasswords.contains(options.password)) {
            // The shared database was opened with another password; make sure
            // this one opens the file too before handing out a share.
            jet::Database::open(enginePath(key), jet::OpenOptions{options.password.toStdString()});
            e.acceptedPasswords.append(options.password);
        }
    } else {
        database = jet::Database::open(
            enginePath(key), jet::OpenOptions{options.password.toStdString(), canChange(QFileInfo(key))});
        Entry e;
        e.database = database;
        e.acceptedPasswords.append(options.password);
        it = entries.insert_or_assign(key, std::move(e)).first;
    }

    Entry& e = it->second;
    ++e.users;
    e.exclusive = e.exclusive || options.exclusive;
    EngineHandle handle;
    handle.database_ = database;
    handle.canonicalPath_ = key;
    handle.lease_ = std::shared_ptr<void>(nullptr, [key, shared](void*) {
        auto found = shared->find(key);
        if (found == shared->end()) return;
        if (--found->second.users <= 0) shared->erase(found);
    });
    return handle;
}

int openEngineDatabaseCount() {
    return static_cast<int>(registry()->size());
}

bool isEngineDatabaseOpen(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return false;
    const auto it = registry()->find(info.canonicalFilePath());
    return it != registry()->end() && !it->second.database.expired();
}

}  // namespace db
