// The blueprint of the system catalogue of a new database: the system tables
// the database engine creates for a format version (their definitions, laid
// out as the engine lays them out), the catalogue rows of the containers and
// of MSysDb, and the access-control rows of every object it creates.
//
// Only what the engine itself writes belongs here. Access (the application)
// adds more on the first open of a file: the containers Forms, Reports,
// Modules, Scripts, DataAccessPages and SysRel, the documents AccessLayout,
// SummaryInfo and UserDefined, the tables MSysAccessObjects, MSysAccessStorage,
// MSysNavPane*, MSysResources (with its attachment table f_<guid>_Data) and
// MSysModules/MSysModules2 (Access 97), and the application properties of
// MSysDb (AccessVersion, Build, NavPane ...). A file made by the engine alone
// lacks all of them and Access opens it all the same; a database made by the
// engine through DAO has exactly the catalogue described here.
//
// Everything is plain data, built on each call; thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/header.h"
#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace jet {

// One row, values in the table's column order.
struct CatalogRow {
    std::vector<Value> values;
};

struct SystemTable {
    // Name, table type, columns (number, varIndex, fixedOffset, length, flags,
    // sort order, code page) and indexes as the engine writes them. Page
    // numbers (tdefPage, usage maps, index roots) are 0: the builder sets
    // them. The column entries are stored sorted by name (definitionOrder)
    // and repeat 0 for the column number (numberCopy). Bytes the engine
    // fills from uninitialised memory are 0: the fixed offset of a
    // variable-length column, the reserved words of the header and indexes.
    TableDef def;
    // The rows a new file holds in this table, except for two tables:
    // MSysObjects (see systemObjectRows and tableObjectRow) and MSysACEs,
    // which here holds only the rows of the containers and of MSysDb; the
    // rows of each table follow from aceRowsForSystemTable / aceRowsForObject
    // once the table's definition page (its object id) is known.
    std::vector<CatalogRow> rows;
};

// Object ids of the fixed catalogue entries. A table's id is its definition
// page.
constexpr int32_t kRootContainerId = 0x0F000000;  // parent of the containers
constexpr int32_t kTablesContainerId = 0x0F000001;
constexpr int32_t kDatabasesContainerId = 0x0F000002;
constexpr int32_t kRelationshipsContainerId = 0x0F000003;
constexpr int32_t kMSysDbId = 0x10000000;

// Catalogue flags of the engine's own objects.
constexpr int32_t kEngineObjectFlags = static_cast<int32_t>(0x80000000u);
// MSysComplexType_* tables (ACE): system and hidden from the object lists.
constexpr int32_t kComplexTypeTableFlags = static_cast<int32_t>(0x80030000u);

// The security ids (SIDs) a catalogue refers to: the owner of the engine's
// own objects, the Admin user (owner of MSysDb and of everything made by the
// user), the Users group and the placeholder for an object's creator. Access
// 97 files store them as they are (02 03, 03 01, 02 01, 02 04); from Jet 4 on
// every stored SID of a file is XORed with the same two bytes, which differ
// from file to file. The two bytes go with the file: two files with the same
// header creation date have the same mask in every fixture seen, but how the
// mask is derived is not known, so a new file borrows a mask together with
// the header creation date it was seen with (sidMaskSample).
struct SidSet {
    Blob engine;
    Blob admin;
    Blob users;
    Blob creator;
};
SidSet sidSetForMask(std::array<uint8_t, 2> mask);

struct SidMaskSample {
    std::array<uint8_t, 2> mask{};
    double headerCreationDate = 0;  // the header date the mask was seen with; 0 for Jet 3
};
// The mask and header date of the empty database Access's engine made for
// `v` (Jet 3: no mask).
SidMaskSample sidMaskSample(JetVersion v);
// sidSetForMask(sidMaskSample(v).mask).
SidSet defaultSids(JetVersion v);

// The system tables in the order the engine creates them (this order fixes
// their definition pages: MSysObjects must be page 2), for v = Jet3, Jet4,
// Ace12, Ace14 (later ACE versions are laid out as Ace14). `sortOrder` is the
// sort order of their text columns; `jet3CodePage` the code page of Jet 3
// text columns. Throws jet::Error(InvalidArgument) for a version the engine
// cannot create.
std::vector<SystemTable> systemTables(JetVersion v, SortOrder sortOrder);
std::vector<SystemTable> systemTables(JetVersion v, SortOrder sortOrder, const SidSet& sids,
                                      uint16_t jet3CodePage = 1252);

// The MSysObjects rows of a new database other than those of the tables:
// the containers Tables, Databases, Relationships and the MSysDb object, in
// that order. MSysDb's LvProp is `msysDbProperties` (a property blob, empty
// for null: the engine writes no database properties; Access adds its own
// on first open). Both dates are `created`.
std::vector<CatalogRow> systemObjectRows(JetVersion v, double created);
std::vector<CatalogRow> systemObjectRows(JetVersion v, double created, const SidSet& sids,
                                         const Blob& msysDbProperties = {});

// The MSysObjects row of a table whose definition is on `tdefPage`. A system
// table named like one of systemTables(v) gets that table's owner and flags
// (the engine's tables: engine owner, kEngineObjectFlags; ACE's complex-column
// tables: no owner); any other system table the engine owner and
// kEngineObjectFlags; a user table the Admin owner and flags 0.
CatalogRow tableObjectRow(JetVersion v, const std::string& name, uint32_t tdefPage, bool system,
                          double created, Blob lvProp);
CatalogRow tableObjectRow(JetVersion v, const std::string& name, uint32_t tdefPage, bool system,
                          double created, Blob lvProp, const SidSet& sids);

// The MSysObjects row of a user object that is not a local table (a query,
// a linked table) with object id `id`: in the Tables container, owned by
// Admin, with the given flags (a query's flags name its kind).
CatalogRow userObjectRow(JetVersion v, const std::string& name, int32_t id, ObjectType type,
                         uint32_t flags, double created, Blob lvProp);

// The MSysACEs rows (ObjectId, SID, ACM, FInheritable) the engine writes for
// the system table `name` with object id `objectId`. Empty for a name that is
// not one of systemTables(v).
std::vector<CatalogRow> aceRowsForSystemTable(JetVersion v, const std::string& name,
                                              int32_t objectId);
std::vector<CatalogRow> aceRowsForSystemTable(JetVersion v, const std::string& name,
                                              int32_t objectId, const SidSet& sids);

// The MSysACEs rows of a new user object of `objectType` (an ObjectType from
// jet/catalog/database.h: Table, Query, LinkedTable, LinkedOdbcTable under the
// Tables container; Relationship under Relationships). A new object inherits
// the inheritable entries of its container, the creator's entry going to the
// owner (Admin); Admin's rights are those entries OR-ed together. Throws
// jet::Error(InvalidArgument) for another kind.
std::vector<CatalogRow> aceRowsForObject(JetVersion v, int32_t objectId, int objectType);
std::vector<CatalogRow> aceRowsForObject(JetVersion v, int32_t objectId, int objectType,
                                         const SidSet& sids);

}  // namespace jet
