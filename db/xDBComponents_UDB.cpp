#include "db/xDBComponents_UDB.h"

#include <algorithm>

#include "db/connection_string.h"
#include "jet/error.h"

namespace {

// The value of the first of `keys` (letter case ignored) in a connection
// string, read the way the provider reads it, so a quoted path comes back
// whole; empty when no key is there or the text does not parse.
QString valueOfKey(const QString& text, std::initializer_list<const char*> keys) {
    QList<db::ConnectionPart> parts;
    try {
        parts = db::splitConnectionString(text);
    } catch (const jet::Error&) {
        return {};
    }
    for (const char* key : keys) {
        const QString wanted = QString::fromLatin1(key);
        // A key given twice keeps its last value.
        for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
            if (it->key.compare(wanted, Qt::CaseInsensitive) == 0) return it->value;
        }
    }
    return {};
}

}  // namespace

TCustomConnectionUDB::~TCustomConnectionUDB() {
    Close();
    const std::vector<ConnectionDataset*> remaining = datasets_;
    datasets_.clear();
    for (ConnectionDataset* dataset : remaining) dataset->connectionDestroyed();
}

void TCustomConnectionUDB::Open() {
    if (Connected()) return;
    const db::AccessConnection target = db::parseAccessConnection(connectionString_);
    db::EngineHandle handle = db::openEngineDatabase(target.dataSource, {target.password, false});
    if (target.provider == db::kJetProvider && jet::isAce(handle.database().version())) {
        throw jet::Error(jet::ErrorCode::UnrecognizedFormat,
                         "Unrecognized database format '" + target.dataSource.toStdString() + "'.");
    }
    connectionStringOrig_ = connectionString_;
    handle_ = std::move(handle);
}

void TCustomConnectionUDB::Close() {
    // A copy: a dataset may unregister itself while closing.
    const std::vector<ConnectionDataset*> open = datasets_;
    for (ConnectionDataset* dataset : open) dataset->connectionClosing();
    handle_ = db::EngineHandle();
}

QString TCustomConnectionUDB::HostName() const {
    return valueOfKey(connectionStringOrig_, {"Data Source", "SERVER"});
}

QString TCustomConnectionUDB::GetDatabaseName() const {
    return valueOfKey(connectionStringOrig_, {"Initial Catalog", "DATABASE"});
}

void TCustomConnectionUDB::addDataset(ConnectionDataset* dataset) {
    if (std::find(datasets_.begin(), datasets_.end(), dataset) == datasets_.end())
        datasets_.push_back(dataset);
}

void TCustomConnectionUDB::removeDataset(ConnectionDataset* dataset) {
    datasets_.erase(std::remove(datasets_.begin(), datasets_.end(), dataset), datasets_.end());
}
