// The state every object of one open catalogue Database shares: its share of
// the engine database and whether the Database is still open. Objects keep
// the session rather than the engine database, so that after Close each of
// them refuses further reads with DAO's message instead of reading a file
// the caller has let go of.
#pragma once

#include <QString>

#include "db/engine_registry.h"

namespace dao {

// DAO's message for a member of a closed Database or of one of its objects.
inline const char* const kObjectInvalid = "Object invalid or no longer set.";

class Session {
public:
    Session(db::EngineHandle handle, QString path)
        : handle_(std::move(handle)), path_(std::move(path)) {}

    // The engine database; throws jet::Error (InvalidArgument) "Object invalid
    // or no longer set." once closed.
    jet::Database& engine() const {
        if (!handle_) throw jet::Error(jet::ErrorCode::InvalidArgument, kObjectInvalid);
        return handle_.database();
    }
    const db::EngineHandle& handle() const { return handle_; }
    bool isOpen() const { return static_cast<bool>(handle_); }
    // The path as given to OpenDatabase.
    const QString& path() const { return path_; }
    // Gives up this session's share of the engine database.
    void close() { handle_ = db::EngineHandle(); }

private:
    db::EngineHandle handle_;
    QString path_;
};

}  // namespace dao
