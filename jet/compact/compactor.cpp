#include "jet/compact/compactor.h"

#include <map>
#include <optional>
#include <set>

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/format/property_blob.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"
#include "jet/write/collations.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/new_file.h"
#include "jet/write/page_sink.h"

namespace jet {

namespace {

// What a complex column holds, in the words of a refusal.
std::string complexColumnKind(Database& db, const TableDef& table, const ColumnDef& c) {
    try {
        switch (complexColumnInfo(db, table, c).kind) {
            case ComplexKind::Attachment:
                return "an attachment column";
            case ComplexKind::MultiValue:
                return "a multi-value column";
            case ComplexKind::VersionHistory:
                return "the version history of an append-only Memo column";
            case ComplexKind::Unknown:
                break;
        }
    } catch (const Error&) {
        // A column whose tables cannot be read is still refused, by its type.
    }
    return "a complex column";
}

// Why a column cannot live in a file of version `target`, or "" when it can.
std::string conversionProblem(Database& db, const TableDef& table, const ColumnDef& c,
                              JetVersion target) {
    if (c.calculated && target < JetVersion::Ace14) return "a calculated column";
    if (isAce(target)) return "";
    if (c.type == DataType::Complex) return complexColumnKind(db, table, c);
    if (c.type == DataType::BigInt) return "a Large Number (BigInt) column";
    if (c.type == DataType::ExtDateTime) return "an extended Date/Time column";
    if (isJet3(target) && c.type == DataType::Numeric) return "a Decimal column";
    return "";
}

std::string versionName(JetVersion v) {
    return versionText(v);
}

// The engine's own system tables: every new file gets fresh ones, so they
// are never copied. Other system tables belong to the Access application
// (navigation pane, resources, the flat tables of their complex columns)
// and travel with the file.
bool isEngineTable(std::string_view name) {
    for (const char* engine :
         {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "MSysComplexColumns"})
        if (sameName(name, engine)) return true;
    // The fixed templates of complex columns; the version-history ones
    // (MSysComplexTypeVH_...) are made per column and travel like data.
    return foldName(name).rfind("msyscomplextype_", 0) == 0;
}

// The rows of a system table, each as values by column name.
std::vector<std::map<std::string, Value, std::less<>>> readNamedRows(Database& db,
                                                                     std::string_view table) {
    std::vector<std::map<std::string, Value, std::less<>>> rows;
    const CatalogObject* object = db.findObject(table);
    if (!object) return rows;
    auto def = db.tableAt(object->tdefPage(), object->name);
    TableScan scan(db, def);
    while (scan.next()) {
        std::map<std::string, Value, std::less<>> row;
        for (size_t i = 0; i < def->columns.size(); ++i)
            row[foldName(def->columns[i].name)] = scan.value(i);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The tables a compaction carries: every user table, the hidden tables of
// complex-column data into any ACE version (they are the columns' values),
// and the application's other system tables when the format stays the same
// (in another format Access makes its own on first open).
std::vector<const CatalogObject*> tablesToCopy(Database& db, JetVersion target) {
    // Flat tables and version-history templates; the fixed templates are
    // engine tables, made afresh.
    std::set<uint32_t> complexData;
    if (isAce(target) && isAce(db.version())) {
        ComplexTablePages complex = complexTablePages(db);
        complexData = std::move(complex.flat);
        complexData.merge(complex.templates);
    }
    std::vector<const CatalogObject*> out;
    for (const CatalogObject* t : db.tables(true)) {
        if (isEngineTable(t->name)) continue;
        if (t->isSystem() && target != writableVersion(db.version()) &&
            !complexData.contains(t->tdefPage()))
            continue;
        out.push_back(t);
    }
    return out;
}

// Refuses the conversion before anything is written when one column of
// any table cannot be held by the destination version.
void checkConvertible(Database& db, const std::vector<const CatalogObject*>& tables,
                      JetVersion target) {
    for (const CatalogObject* object : tables) {
        auto def = db.tableAt(object->tdefPage(), object->name);
        for (const ColumnDef& c : def->columns) {
            const std::string problem = conversionProblem(db, *def, c, target);
            if (!problem.empty())
                throw Error(ErrorCode::InvalidArgument,
                            "Column '" + c.name + "' of table '" + def->name + "' is " + problem +
                                ", which a version " + versionName(target) +
                                " database cannot hold.");
        }
    }
}

// The source definition in the destination's terms: the same columns and
// indexes, text sizes in the destination's units, text sorted by the
// destination's collation, foreign keys naming the new definition pages.
TableDef adaptDefinition(const TableDef& source, JetVersion from, JetVersion to,
                         SortOrder sortOrder, uint16_t codePage,
                         const std::map<uint32_t, uint32_t>& newPages) {
    TableDef def = source;
    // Auto-numbers restart after the highest value copied, as in Access;
    // the complex-value counter goes on, since flat tables keep their keys.
    def.rowCount = 0;
    def.nextAutoNumber = 0;
    for (ColumnDef& c : def.columns) {
        if (c.type == DataType::Text && isJet3(from) != isJet3(to))
            c.length = isJet3(to) ? static_cast<uint16_t>(c.length / 2)
                                  : static_cast<uint16_t>(c.length * 2);
        if (isTextType(c.type)) {
            c.sortLcid = sortOrder.lcid;
            c.sortVersion = sortOrder.version;
            c.codePage = isJet3(to) ? codePage : 0;
            if (isJet3(to)) c.compressedUnicode = false;
        }
    }
    for (IndexDef& index : def.indexes) {
        if (index.relatedTablePage == 0) continue;
        auto it = newPages.find(index.relatedTablePage);
        index.relatedTablePage = it == newPages.end() ? 0 : it->second;
    }
    return def;
}

Blob convertProperties(const Blob& blob, JetVersion from, JetVersion to, uint16_t fromCodePage,
                       uint16_t toCodePage) {
    if (blob.empty() || isJet3(from) == isJet3(to)) return blob;
    return writePropertyBlob(parsePropertyBlob(blob, isJet3(from), fromCodePage), isJet3(to),
                             toCodePage);
}

// A row in the column order of `def`, from values named by column.
std::vector<Value> rowFor(const TableDef& def,
                          const std::map<std::string, Value, std::less<>>& named) {
    std::vector<Value> row;
    for (const ColumnDef& c : def.columns) {
        auto it = named.find(foldName(c.name));
        row.push_back(it == named.end() ? Value() : it->second);
    }
    return row;
}

// MSysComplexColumns rows of the carried tables, their table ids turned
// into the destination's: the owning and flat tables by their new pages,
// the template table by name among the destination's system tables.
std::vector<std::vector<Value>> complexColumnRows(Database& db, DatabaseBuilder& builder,
                                                  const std::map<uint32_t, uint32_t>& newPages) {
    std::vector<std::vector<Value>> out;
    const TableDef& def = builder.systemTableDef("MSysComplexColumns");
    auto newPageOf = [&](const Value& id) -> std::optional<int64_t> {
        if (!id.is<int64_t>()) return std::nullopt;
        auto it = newPages.find(static_cast<uint32_t>(id.as<int64_t>()) & 0x00FFFFFF);
        if (it == newPages.end()) return std::nullopt;
        return it->second;
    };
    for (auto row : readNamedRows(db, "MSysComplexColumns")) {
        auto owner = newPageOf(row["conceptualtableid"]);
        auto flat = newPageOf(row["flattableid"]);
        if (!owner || !flat) continue;
        row["conceptualtableid"] = Value::integer(*owner);
        row["flattableid"] = Value::integer(*flat);
        const Value type = row["complextypeobjectid"];
        if (auto copied = newPageOf(type)) {
            row["complextypeobjectid"] = Value::integer(*copied);
        } else {
            for (const CatalogObject& o : db.objects()) {
                if (type.is<int64_t>() && o.id == type.as<int64_t>()) {
                    row["complextypeobjectid"] = Value::integer(builder.systemTablePage(o.name));
                    break;
                }
            }
        }
        out.push_back(rowFor(def, row));
    }
    return out;
}

struct Destination {
    JetVersion version;
    uint16_t collation;
    std::string password;
};

// `sourcePassword` is the one the source was opened with: an Office-encrypted
// .accdb keeps its password nowhere in the header, yet a copy without a
// password part must stay protected by it.
Destination destinationOf(const Database& source, const CompactRequest& request,
                          const std::string& sourcePassword) {
    Destination d;
    if (request.versionKey == 0) {
        d.version = writableVersion(source.version());
    } else if (auto v = versionFromKey(request.versionKey)) {
        d.version = *v;
    } else {
        throw Error(ErrorCode::InvalidArgument,
                    "Invalid version key " + std::to_string(request.versionKey) + ".");
    }
    const LocaleSpec locale = parseLocaleText(request.destinationLocale);
    if (locale.lcid && !isKnownCollation(*locale.lcid))
        throw Error(ErrorCode::InvalidArgument,
                    "Invalid collation " + std::to_string(*locale.lcid) + ".");
    // A source whose collation is none of the twenty (made by another
    // program) gets General, the one whose keys the engine builds exactly.
    d.collation = locale.lcid.value_or(source.header().sortOrder.lcid);
    if (!isKnownCollation(d.collation)) d.collation = 1033;
    const bool officeEncrypted = source.encryption().rfind("Office", 0) == 0;
    const std::string kept = officeEncrypted ? sourcePassword : source.header().password;
    d.password = locale.password.value_or(kept);
    return d;
}

}  // namespace

void compactDatabase(FileSystem& fs, const CompactRequest& request,
                     const std::function<void(DatabaseBuilder&)>& addTables) {
    OpenOptions open;
    open.password = parseLocaleText(request.sourceLocale).password.value_or("");
    std::shared_ptr<Database> db =
        Database::open(fs.open(request.source, false), request.source, open);
    const Destination to = destinationOf(*db, request, open.password);
    const JetVersion from = db->version();
    const std::vector<const CatalogObject*> tables = tablesToCopy(*db, to.version);
    checkConvertible(*db, tables, to.version);

    NewDatabaseOptions options;
    options.version = to.version;
    options.codePage = collationCodePage(to.collation);
    options.sortOrder = sortOrderFor(to.version, to.collation);
    options.password = to.password;

    writeFileAtomically(fs, request.destination, [&](File& file) {
        FilePageSink sink(file, pageSizeOf(to.version));
        DatabaseBuilder builder(sink, options);

        std::map<uint32_t, uint32_t> newPages;
        for (const CatalogObject* t : tables) newPages[t->tdefPage()] = builder.reserveTablePage();

        for (const CatalogObject* t : tables) {
            auto source = db->tableAt(t->tdefPage(), t->name);
            TableDef def = adaptDefinition(*source, from, to.version, options.sortOrder,
                                           options.codePage, newPages);
            def.tdefPage = newPages.at(t->tdefPage());
            const PropertyBlob props =
                t->properties.empty()
                    ? PropertyBlob{}
                    : parsePropertyBlob(t->properties, isJet3(from), db->codePage());
            TableBuilder& out =
                builder.beginTable(def, columnRulesFromProperties(*source, props),
                                   convertProperties(t->properties, from, to.version,
                                                     db->codePage(), options.codePage),
                                   t->flags);
            TableScan scan(*db, source);
            while (scan.next()) out.addRow(scan.values());
            builder.endTable();
        }
        if (addTables) addTables(builder);

        for (const CatalogObject* l : db->linkedTables())
            builder.addLinkedTable(l->name, l->type, l->flags, l->database, l->connect,
                                   l->foreignName,
                                   convertProperties(l->properties, from, to.version,
                                                     db->codePage(), options.codePage));

        // Stored queries keep their catalogue flags, properties and rows.
        const auto queryRows = readNamedRows(*db, "MSysQueries");
        const TableDef& queriesDef = builder.systemTableDef("MSysQueries");
        for (const CatalogObject* q : db->queryObjects()) {
            std::vector<std::vector<Value>> rows;
            for (const auto& row : queryRows) {
                auto id = row.find("objectid");
                if (id != row.end() && id->second.is<int64_t>() &&
                    id->second.as<int64_t>() == q->id)
                    rows.push_back(rowFor(queriesDef, row));
            }
            builder.addQuery(q->name, q->flags,
                             convertProperties(q->properties, from, to.version, db->codePage(),
                                               options.codePage),
                             std::move(rows));
        }

        // Relations between tables that came along.
        auto carried = [&](const Value& name) {
            if (!name.is<std::string>()) return false;
            for (const CatalogObject* t : tables)
                if (sameName(t->name, name.as<std::string>())) return true;
            return false;
        };
        const TableDef& relationsDef = builder.systemTableDef("MSysRelationships");
        std::vector<std::vector<Value>> relationRows;
        for (const auto& row : readNamedRows(*db, "MSysRelationships")) {
            auto a = row.find("szobject");
            auto b = row.find("szreferencedobject");
            if (a == row.end() || b == row.end() || !carried(a->second) || !carried(b->second))
                continue;
            relationRows.push_back(rowFor(relationsDef, row));
        }
        builder.addRelationRows(std::move(relationRows));

        if (isAce(to.version))
            builder.addComplexColumnRows(complexColumnRows(*db, builder, newPages));

        builder.finish();
    });
}

}  // namespace jet
