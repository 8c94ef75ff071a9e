#include "jet/catalog/database.h"

#include <algorithm>

#include "jet/crypt/jet_rc4_cipher.h"
#include "jet/crypt/office_crypt.h"
#include "jet/file/journal.h"
#include "jet/format/calculated_value.h"
#include "jet/format/page_types.h"
#include "jet/format/property_blob.h"
#include "jet/table/table_scan.h"

namespace jet {
namespace {

constexpr uint32_t kCatalogPage = 2;

std::optional<std::string> optionalText(const Value& v) {
    if (v.is<std::string>()) return v.as<std::string>();
    return std::nullopt;
}

int64_t integerOr(const Value& v, int64_t fallback) {
    return v.is<int64_t>() ? v.as<int64_t>() : fallback;
}

// Column lookup that tolerates catalogues missing optional columns.
struct CatalogColumns {
    explicit CatalogColumns(const TableDef& def) : def_(def) {}
    std::optional<size_t> find(std::string_view name) const {
        for (size_t i = 0; i < def_.columns.size(); ++i) {
            if (sameName(def_.columns[i].name, name)) return i;
        }
        return std::nullopt;
    }
    size_t require(std::string_view name) const {
        auto i = find(name);
        if (!i) throwCorrupt("the system catalogue has no column '" + std::string(name) + "'");
        return *i;
    }
    const TableDef& def_;
};

}  // namespace

std::string missingObjectMessage(std::string_view name) {
    return "The Microsoft Access database engine cannot find the input table or query '" +
           std::string(name) + "'. Make sure it exists and that its name is spelled correctly.";
}

std::shared_ptr<Database> Database::open(const std::string& path, const OpenOptions& options) {
    // A journal left by an interrupted change is undone before anything is read.
    std::shared_ptr<FileSystem> fs = posixFileSystem();
    recoverDatabase(*fs, path);
    auto db = open(fs->open(path, options.writable), path, options);
    if (options.writable) db->pages_->enableWriting(fs, journalPathFor(path));
    return db;
}

std::shared_ptr<Database> Database::open(std::unique_ptr<File> file, const std::string& path,
                                         const OpenOptions& options) {
    std::shared_ptr<Database> db(new Database());
    db->path_ = path;

    std::vector<uint8_t> first(4096);
    size_t got = file->read(0, first);
    first.resize(got);
    db->header_ = parseHeader(first, path);
    const DatabaseHeader& h = db->header_;
    if (file->size() < 3ull * h.pageSize) {
        throwCorrupt("the file '" + path + "' is too short to hold a catalogue");
    }
    db->pages_ = std::make_unique<PageStore>(std::move(file), h.pageSize);

    if (isAce(h.version) && hasOfficeEncryption(first, h.version)) {
        auto cipher = makeOfficeCipher(first, h.version, options.password);
        db->encryption_ = "Office";
        db->pages_->setCipher(std::move(cipher));
    } else {
        if (!h.password.empty() && h.password != options.password) {
            throw Error(ErrorCode::BadPassword, "Not a valid password.");
        }
        if (h.encodingKey != 0 && !isAce(h.version)) {
            db->pages_->setCipher(std::make_unique<JetRc4Cipher>(h.encodingKey));
            db->encryption_ = "Jet RC4";
        }
    }

    PageRef catalog = db->pages_->page(kCatalogPage);
    if ((*catalog)[0] != kPageTableDef) {
        throwCorrupt("page 2 of '" + path + "' does not hold the system catalogue");
    }
    db->loadCatalog();
    return db;
}

void Database::reloadCatalog() {
    objects_.clear();
    tableDefs_.clear();
    tablesContainerId_ = -1;
    loadCatalog();
}

void Database::loadCatalog() {
    auto def =
        std::make_shared<TableDef>(readTableDef(*pages_, version(), kCatalogPage, codePage()));
    def->name = "MSysObjects";
    tableDefs_[kCatalogPage] = def;
    CatalogColumns cols(*def);
    const size_t id = cols.require("Id"), parent = cols.require("ParentId"),
                 name = cols.require("Name"), type = cols.require("Type"),
                 flags = cols.require("Flags");
    const auto database = cols.find("Database"), connect = cols.find("Connect"),
               foreign = cols.find("ForeignName"), props = cols.find("LvProp"),
               created = cols.find("DateCreate"), updated = cols.find("DateUpdate");

    TableScan scan(*this, def);
    while (scan.next()) {
        CatalogObject o;
        o.id = static_cast<int32_t>(integerOr(scan.value(id), 0));
        o.parentId = static_cast<int32_t>(integerOr(scan.value(parent), 0));
        o.name = optionalText(scan.value(name)).value_or("");
        o.type = static_cast<int16_t>(integerOr(scan.value(type), 0));
        o.flags = static_cast<uint32_t>(integerOr(scan.value(flags), 0));
        if (database) o.database = optionalText(scan.value(*database));
        if (connect) o.connect = optionalText(scan.value(*connect));
        if (foreign) o.foreignName = optionalText(scan.value(*foreign));
        if (props) {
            Value v = scan.value(*props);
            if (v.is<Blob>()) o.properties = v.as<Blob>();
        }
        if (created) {
            Value v = scan.value(*created);
            if (v.is<DateTimeValue>()) o.created = v.as<DateTimeValue>().days;
        }
        if (updated) {
            Value v = scan.value(*updated);
            if (v.is<DateTimeValue>()) o.updated = v.as<DateTimeValue>().days;
        }
        if (o.type == static_cast<int16_t>(ObjectType::Container) && o.name == "Tables") {
            tablesContainerId_ = o.id;
        }
        objects_.push_back(std::move(o));
    }
}

std::vector<const CatalogObject*> Database::tables(bool includeSystem) const {
    std::vector<const CatalogObject*> out;
    for (const auto& o : objects_) {
        if (o.type != static_cast<int16_t>(ObjectType::Table)) continue;
        if (tablesContainerId_ >= 0 && o.parentId != tablesContainerId_) continue;
        if (o.isSystem() && !includeSystem) continue;
        out.push_back(&o);
    }
    return out;
}

std::vector<const CatalogObject*> Database::linkedTables() const {
    std::vector<const CatalogObject*> out;
    for (const auto& o : objects_) {
        if (o.type == static_cast<int16_t>(ObjectType::LinkedTable) ||
            o.type == static_cast<int16_t>(ObjectType::LinkedOdbcTable)) {
            out.push_back(&o);
        }
    }
    return out;
}

std::vector<const CatalogObject*> Database::queryObjects() const {
    std::vector<const CatalogObject*> out;
    for (const auto& o : objects_) {
        if (o.type == static_cast<int16_t>(ObjectType::Query)) out.push_back(&o);
    }
    return out;
}

const CatalogObject* Database::findObject(std::string_view name) const {
    for (const auto& o : objects_) {
        if (o.type != static_cast<int16_t>(ObjectType::Table) &&
            o.type != static_cast<int16_t>(ObjectType::Query) &&
            o.type != static_cast<int16_t>(ObjectType::LinkedTable) &&
            o.type != static_cast<int16_t>(ObjectType::LinkedOdbcTable)) {
            continue;
        }
        if (sameName(o.name, name)) return &o;
    }
    return nullptr;
}

std::shared_ptr<const TableDef> Database::table(std::string_view name) {
    for (const auto& o : objects_) {
        if (o.type == static_cast<int16_t>(ObjectType::Table) && sameName(o.name, name)) {
            return tableAt(o.tdefPage(), o.name);
        }
    }
    throw Error(ErrorCode::NotFound, missingObjectMessage(name));
}

std::shared_ptr<const TableDef> Database::tableAt(uint32_t tdefPage, const std::string& name) {
    auto it = tableDefs_.find(tdefPage);
    if (it != tableDefs_.end()) return it->second;
    auto def = std::make_shared<TableDef>(readTableDef(*pages_, version(), tdefPage, codePage()));
    def->name = name;
    // A calculated column's stored type is not its result type; the
    // ResultType property in the table's property blob is.
    bool hasCalculated = std::any_of(def->columns.begin(), def->columns.end(),
                                     [](const ColumnDef& c) { return c.calculated; });
    if (hasCalculated) {
        for (const auto& o : objects_) {
            if (o.type == static_cast<int16_t>(ObjectType::Table) && o.tdefPage() == tdefPage) {
                applyCalculatedResultTypes(
                    *def, parsePropertyBlob(o.properties, isJet3(version()), codePage()));
                break;
            }
        }
    }
    tableDefs_[tdefPage] = def;
    return def;
}

std::vector<Relation> Database::relations() {
    const CatalogObject* rel = nullptr;
    for (const auto& o : objects_) {
        if (o.type == static_cast<int16_t>(ObjectType::Table) &&
            sameName(o.name, "MSysRelationships")) {
            rel = &o;
        }
    }
    std::vector<Relation> out;
    if (!rel) return out;
    auto def = tableAt(rel->tdefPage(), rel->name);
    CatalogColumns cols(*def);
    const size_t grbit = cols.require("grbit"), icolumn = cols.require("icolumn"),
                 column = cols.require("szColumn"), object = cols.require("szObject"),
                 refColumn = cols.require("szReferencedColumn"),
                 refObject = cols.require("szReferencedObject"),
                 relName = cols.require("szRelationship");

    struct Part {
        int64_t order;
        RelationField field;
    };
    std::vector<std::vector<Part>> parts;
    // Relation name -> its place in `out`: a damaged table with a great many
    // distinct names must not make grouping quadratic.
    std::map<std::string, size_t> indexByName;
    TableScan scan(*this, def);
    while (scan.next()) {
        std::string n = optionalText(scan.value(relName)).value_or("");
        auto [it, added] = indexByName.try_emplace(n, out.size());
        if (added) {
            Relation r;
            r.name = n;
            r.table = optionalText(scan.value(refObject)).value_or("");
            r.foreignTable = optionalText(scan.value(object)).value_or("");
            r.attributes = static_cast<uint32_t>(integerOr(scan.value(grbit), 0));
            out.push_back(std::move(r));
            parts.emplace_back();
        }
        parts[it->second].push_back(
            Part{integerOr(scan.value(icolumn), 0),
                 RelationField{optionalText(scan.value(refColumn)).value_or(""),
                               optionalText(scan.value(column)).value_or("")}});
    }
    for (size_t i = 0; i < out.size(); ++i) {
        std::stable_sort(parts[i].begin(), parts[i].end(),
                         [](const Part& a, const Part& b) { return a.order < b.order; });
        for (auto& p : parts[i]) out[i].fields.push_back(std::move(p.field));
    }
    return out;
}

}  // namespace jet
