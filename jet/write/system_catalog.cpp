// Catalogue rows and access-control rows of a new database.
#include "jet/write/system_catalog.h"

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/util/names.h"
#include "jet/write/system_catalog_internal.h"

namespace jet {

namespace {

// Access rights (ACM) the engine grants, as stored. The bits follow the
// engine's permission flags; only the combinations below occur in what it
// writes for a new database.
constexpr int64_t kAcmReadDefinition = 20;             // Users on a system table
constexpr int64_t kAcmSystemTableAdmin = 393216;       // Admin on most system tables
constexpr int64_t kAcmRelationshipsTable = 917504;     // Admin on MSysRelationships
constexpr int64_t kAcmContainerAdmin = 393217;         // Admin on Tables / Relationships
constexpr int64_t kAcmDatabasesContainer = 393216;     // Admin on Databases
constexpr int64_t kAcmCreator = 983294;                // creator placeholder, inheritable
constexpr int64_t kAcmUsersOnTables = 1048319;         // Users on Tables, inheritable
constexpr int64_t kAcmUsersOnRelationships = 1048575;  // Users on Relationships, inheritable
constexpr int64_t kAcmDatabaseAdmin = 393230;          // Admin on MSysDb
constexpr int64_t kAcmDatabaseUsers = 14;              // Users on MSysDb

// The unmasked ids: Access 97 stores them as they are.
constexpr std::array<uint8_t, 2> kEngineSid{0x02, 0x03};
constexpr std::array<uint8_t, 2> kAdminSid{0x03, 0x01};
constexpr std::array<uint8_t, 2> kUsersSid{0x02, 0x01};
constexpr std::array<uint8_t, 2> kCreatorSid{0x02, 0x04};

Blob masked(std::array<uint8_t, 2> sid, std::array<uint8_t, 2> mask) {
    return Blob{static_cast<uint8_t>(sid[0] ^ mask[0]), static_cast<uint8_t>(sid[1] ^ mask[1])};
}

CatalogRow aceRow(int32_t objectId, const Blob& sid, int64_t acm, bool inheritable) {
    return CatalogRow{{Value::integer(objectId), Value::binary(sid), Value::integer(acm),
                       Value::boolean(inheritable)}};
}

Value blobOrNull(const Blob& b) {
    return b.empty() ? Value::null() : Value::binary(b);
}

// One MSysObjects row in the table's column order: Id, ParentId, Name, Type,
// DateCreate, DateUpdate, Owner, Flags, Database, Connect, ForeignName,
// RmtInfoShort, RmtInfoLong, Lv, LvProp, LvModule, LvExtra.
CatalogRow objectRow(int32_t id, int32_t parentId, const std::string& name, ObjectType type,
                     double created, const Blob& owner, int32_t flags, const Blob& lvProp) {
    CatalogRow row;
    row.values = {Value::integer(id),
                  Value::integer(parentId),
                  Value::text(name),
                  Value::integer(static_cast<int16_t>(type)),
                  Value::dateTime(created),
                  Value::dateTime(created),
                  blobOrNull(owner),
                  Value::integer(flags),
                  Value::null(),
                  Value::null(),
                  Value::null(),
                  Value::null(),
                  Value::null(),
                  Value::null(),
                  blobOrNull(lvProp),
                  Value::null(),
                  Value::null()};
    return row;
}

const std::string kComplexTypePrefix = "MSysComplexType_";

bool isComplexColumnsTable(const std::string& name) {
    return sameName(name, "MSysComplexColumns");
}
bool isComplexTypeTable(const std::string& name) {
    return name.size() > kComplexTypePrefix.size() &&
           sameName(std::string_view(name).substr(0, kComplexTypePrefix.size()),
                    kComplexTypePrefix);
}

bool isEngineSystemTable(JetVersion v, const std::string& name) {
    for (const char* n : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
        if (sameName(name, n)) return true;
    }
    if (!isAce(v)) return false;
    if (isComplexColumnsTable(name)) return true;
    if (!isComplexTypeTable(name)) return false;
    for (const char* suffix : {"UnsignedByte", "Short", "Long", "IEEESingle", "IEEEDouble", "GUID",
                               "Decimal", "Text", "Attachment"}) {
        if (sameName(name, kComplexTypePrefix + suffix)) return true;
    }
    return false;
}

// The rows of the containers and of MSysDb in MSysACEs, in the order the
// engine writes them.
std::vector<CatalogRow> containerAceRows(const SidSet& sids) {
    return {
        aceRow(kTablesContainerId, sids.creator, kAcmCreator, true),
        aceRow(kTablesContainerId, sids.admin, kAcmContainerAdmin, false),
        aceRow(kRelationshipsContainerId, sids.creator, kAcmCreator, true),
        aceRow(kRelationshipsContainerId, sids.admin, kAcmContainerAdmin, false),
        aceRow(kDatabasesContainerId, sids.admin, kAcmDatabasesContainer, false),
        aceRow(kMSysDbId, sids.admin, kAcmDatabaseAdmin, false),
        aceRow(kMSysDbId, sids.users, kAcmDatabaseUsers, false),
        aceRow(kTablesContainerId, sids.users, kAcmUsersOnTables, true),
        aceRow(kRelationshipsContainerId, sids.users, kAcmUsersOnRelationships, true),
    };
}

}  // namespace

SidSet sidSetForMask(std::array<uint8_t, 2> mask) {
    return SidSet{masked(kEngineSid, mask), masked(kAdminSid, mask), masked(kUsersSid, mask),
                  masked(kCreatorSid, mask)};
}

SidMaskSample sidMaskSample(JetVersion v) {
    // Masks of the empty databases the engine made for each version, with the
    // creation date their header carried: Jet 4 made through DAO, ACE 12 and
    // ACE 14 the blank databases of Access 2007 and 2010.
    switch (v) {
        case JetVersion::Jet3:
            return SidMaskSample{{0x00, 0x00}, 0};
        case JetVersion::Jet4:
            return SidMaskSample{{0x04, 0xE9}, 42850.48191293982};
        case JetVersion::Ace12:
            return SidMaskSample{{0x50, 0xA5}, 40242.60956182871};
        default:
            return SidMaskSample{{0x40, 0x5A}, 40637.74635340278};
    }
}

SidSet defaultSids(JetVersion v) {
    return sidSetForMask(sidMaskSample(v).mask);
}

std::vector<SystemTable> systemTables(JetVersion v, SortOrder sortOrder) {
    return systemTables(v, sortOrder, defaultSids(v));
}

std::vector<SystemTable> systemTables(JetVersion v, SortOrder sortOrder, const SidSet& sids,
                                      uint16_t jet3CodePage) {
    std::vector<SystemTable> tables = systemTableDefinitions(v, sortOrder, jet3CodePage);
    for (auto& t : tables) {
        if (t.def.name == "MSysACEs") t.rows = containerAceRows(sids);
    }
    return tables;
}

std::vector<CatalogRow> systemObjectRows(JetVersion v, double created) {
    return systemObjectRows(v, created, defaultSids(v));
}

std::vector<CatalogRow> systemObjectRows(JetVersion, double created, const SidSet& sids,
                                         const Blob& msysDbProperties) {
    return {
        objectRow(kTablesContainerId, kRootContainerId, "Tables", ObjectType::Container, created,
                  sids.engine, kEngineObjectFlags, {}),
        objectRow(kDatabasesContainerId, kRootContainerId, "Databases", ObjectType::Container,
                  created, sids.engine, kEngineObjectFlags, {}),
        objectRow(kRelationshipsContainerId, kRootContainerId, "Relationships",
                  ObjectType::Container, created, sids.engine, kEngineObjectFlags, {}),
        objectRow(kMSysDbId, kDatabasesContainerId, "MSysDb", ObjectType::DatabaseRoot, created,
                  sids.admin, kEngineObjectFlags, msysDbProperties),
    };
}

CatalogRow tableObjectRow(JetVersion v, const std::string& name, uint32_t tdefPage, bool system,
                          double created, Blob lvProp) {
    return tableObjectRow(v, name, tdefPage, system, created, std::move(lvProp), defaultSids(v));
}

CatalogRow tableObjectRow(JetVersion v, const std::string& name, uint32_t tdefPage, bool system,
                          double created, Blob lvProp, const SidSet& sids) {
    if (tdefPage == 0 || tdefPage > 0x00FFFFFF) {
        throw Error(
            ErrorCode::InvalidArgument,
            "Table definition page " + std::to_string(tdefPage) + " cannot be an object id.");
    }
    const auto id = static_cast<int32_t>(tdefPage);
    if (!system) {
        return objectRow(id, kTablesContainerId, name, ObjectType::Table, created, sids.admin, 0,
                         lvProp);
    }
    // The complex-column tables are created by the engine without an owner.
    if (isAce(v) && isEngineSystemTable(v, name) &&
        (isComplexColumnsTable(name) || isComplexTypeTable(name))) {
        const int32_t flags =
            isComplexTypeTable(name) ? kComplexTypeTableFlags : kEngineObjectFlags;
        return objectRow(id, kTablesContainerId, name, ObjectType::Table, created, {}, flags,
                         lvProp);
    }
    return objectRow(id, kTablesContainerId, name, ObjectType::Table, created, sids.engine,
                     kEngineObjectFlags, lvProp);
}

CatalogRow userObjectRow(JetVersion v, const std::string& name, int32_t id, ObjectType type,
                         uint32_t flags, double created, Blob lvProp) {
    return objectRow(id, kTablesContainerId, name, type, created, defaultSids(v).admin,
                     static_cast<int32_t>(flags), lvProp);
}

std::vector<CatalogRow> aceRowsForSystemTable(JetVersion v, const std::string& name,
                                              int32_t objectId) {
    return aceRowsForSystemTable(v, name, objectId, defaultSids(v));
}

std::vector<CatalogRow> aceRowsForSystemTable(JetVersion v, const std::string& name,
                                              int32_t objectId, const SidSet& sids) {
    if (!isEngineSystemTable(v, name)) return {};
    // MSysACEs itself is closed to the Users group.
    if (sameName(name, "MSysACEs")) {
        return {aceRow(objectId, sids.admin, kAcmSystemTableAdmin, false)};
    }
    const int64_t admin =
        sameName(name, "MSysRelationships") ? kAcmRelationshipsTable : kAcmSystemTableAdmin;
    return {aceRow(objectId, sids.admin, admin, false),
            aceRow(objectId, sids.users, kAcmReadDefinition, false)};
}

std::vector<CatalogRow> aceRowsForObject(JetVersion v, int32_t objectId, int objectType) {
    return aceRowsForObject(v, objectId, objectType, defaultSids(v));
}

std::vector<CatalogRow> aceRowsForObject(JetVersion, int32_t objectId, int objectType,
                                         const SidSet& sids) {
    int32_t container = 0;
    switch (static_cast<ObjectType>(objectType)) {
        case ObjectType::Table:
        case ObjectType::Query:
        case ObjectType::LinkedTable:
        case ObjectType::LinkedOdbcTable:
            container = kTablesContainerId;
            break;
        case ObjectType::Relationship:
            container = kRelationshipsContainerId;
            break;
        default:
            throw Error(ErrorCode::InvalidArgument,
                        "No access rights are known for objects of type " +
                            std::to_string(objectType) + ".");
    }
    // Inherit the container's inheritable entries; the creator's goes to the
    // owner, Admin, merged with any entry Admin inherits in its own name.
    int64_t adminRights = 0;
    int64_t usersRights = 0;
    for (const CatalogRow& r : containerAceRows(sids)) {
        if (r.values[0].as<int64_t>() != container || !r.values[3].as<bool>()) continue;
        const Blob& sid = r.values[1].as<Blob>();
        const int64_t acm = r.values[2].as<int64_t>();
        if (sid == sids.creator || sid == sids.admin) adminRights |= acm;
        if (sid == sids.users) usersRights |= acm;
    }
    return {aceRow(objectId, sids.admin, adminRights, false),
            aceRow(objectId, sids.users, usersRights, false)};
}

}  // namespace jet
