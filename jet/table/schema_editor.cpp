#include "jet/table/schema_editor.h"

#include <optional>

#include "jet/error.h"
#include "jet/file/page_store.h"

namespace jet {

SchemaEditor::SchemaEditor(Database& db) : db_(db) {
    if (!db.pages().writable()) throw Error(ErrorCode::Io, "the database is open read-only");
}

// Everything the operation read of the catalogue may have changed, or been
// rolled back, so the catalogue is read again either way.
void SchemaEditor::inTransaction(const std::function<void()>& change) {
    PageStore& store = db_.pages();
    std::optional<PageTransaction> transaction;
    if (!store.inTransaction()) transaction.emplace(store);
    try {
        change();
        if (transaction) transaction->commit();
    } catch (...) {
        transaction.reset();
        db_.reloadCatalog();
        throw;
    }
    db_.reloadCatalog();
}

}  // namespace jet
