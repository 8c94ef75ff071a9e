// An open Access database file: its header, its pages and its catalogue
// (the MSysObjects table and the definitions it leads to). Opening checks the
// format and the password; everything after that reads on demand.
//
// One Database is shared by every handle on the same file in the process.
// It is not thread-safe: use it from one thread at a time.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/file/header.h"
#include "jet/file/page_store.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace jet {

// Object types of the catalogue table.
enum class ObjectType : int16_t {
    Form = -32768,
    Table = 1,
    DatabaseRoot = 2,
    Container = 3,
    LinkedOdbcTable = 4,
    Query = 5,
    LinkedTable = 6,
    Relationship = 8,
};

constexpr uint32_t kObjectSystemFlags = 0x80000002u;

struct CatalogObject {
    int32_t id = 0;
    int32_t parentId = 0;
    std::string name;
    int16_t type = 0;
    uint32_t flags = 0;
    std::optional<std::string> database;     // linked table: the file it lives in
    std::optional<std::string> connect;      // linked table: connect string
    std::optional<std::string> foreignName;  // linked table: its name over there
    Blob properties;                         // LvProp blob, empty if none
    std::optional<double> created, updated;

    bool isSystem() const { return (flags & kObjectSystemFlags) != 0; }
    uint32_t tdefPage() const { return static_cast<uint32_t>(id) & 0x00FFFFFF; }
};

struct RelationField {
    std::string name;         // column of the referenced (primary) table
    std::string foreignName;  // column of the referencing (foreign) table
};

struct Relation {
    std::string name;
    std::string table;         // referenced
    std::string foreignTable;  // referencing
    uint32_t attributes =
        0;  // 1 unique, 2 not enforced, 256 cascade update, 4096 cascade delete, ...
    std::vector<RelationField> fields;
};

struct OpenOptions {
    std::string password;
    bool writable = false;
};

class Database {
public:
    // Opens the file at `path`. Throws jet::Error: Io when it cannot be read,
    // UnrecognizedFormat ("Unrecognized database format '<path>'."),
    // BadPassword ("Not a valid password."), Corrupt.
    static std::shared_ptr<Database> open(const std::string& path, const OpenOptions& options = {});
    // The same over any File; `path` is used in messages only.
    static std::shared_ptr<Database> open(std::unique_ptr<File> file, const std::string& path,
                                          const OpenOptions& options = {});

    const std::string& path() const { return path_; }
    const DatabaseHeader& header() const { return header_; }
    JetVersion version() const { return header_.version; }
    uint16_t codePage() const { return header_.codePage; }
    PageStore& pages() { return *pages_; }
    // "none", "Jet RC4", "Office RC4 CryptoAPI", "Office AES ..." for the tools.
    const std::string& encryption() const { return encryption_; }

    // Every catalogue row, in stored order.
    const std::vector<CatalogObject>& objects() const { return objects_; }
    // Local tables (not linked), in catalogue order; system tables on request.
    std::vector<const CatalogObject*> tables(bool includeSystem = false) const;
    std::vector<const CatalogObject*> linkedTables() const;
    std::vector<const CatalogObject*> queryObjects() const;
    const CatalogObject* findObject(std::string_view name) const;  // case-insensitive

    // The definition of a local table, named without regard to case. Throws
    // jet::Error (NotFound) in the engine's words when there is none.
    std::shared_ptr<const TableDef> table(std::string_view name);
    std::shared_ptr<const TableDef> tableAt(uint32_t tdefPage, const std::string& name);

    // Drops the definition read from `tdefPage`, so that the next table()
    // reads it again: for writers that changed it in place.
    void forgetTableDef(uint32_t tdefPage) { tableDefs_.erase(tdefPage); }
    // Reads MSysObjects again and forgets every cached definition: for
    // writers that changed the schema (or rolled such a change back).
    // Pointers from objects(), tables(), findObject() taken before are
    // invalid afterwards; definitions already handed out stay as they were.
    void reloadCatalog();

    std::vector<Relation> relations();

private:
    Database() = default;
    void loadCatalog();

    std::string path_;
    DatabaseHeader header_;
    std::unique_ptr<PageStore> pages_;
    std::string encryption_ = "none";
    std::vector<CatalogObject> objects_;
    int32_t tablesContainerId_ = -1;
    std::map<uint32_t, std::shared_ptr<const TableDef>> tableDefs_;
};

// The engine's message for a name that is neither a table nor a query.
std::string missingObjectMessage(std::string_view name);

}  // namespace jet
