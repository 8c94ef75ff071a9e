#include "jet/catalog/stored_queries.h"

#include <map>

#include "jet/table/table_scan.h"

namespace jet {
namespace {

std::optional<std::string> textOf(const Value& v) {
    if (v.is<std::string>()) return v.as<std::string>();
    return std::nullopt;
}

int64_t intOf(const Value& v) {
    if (v.is<int64_t>()) return v.as<int64_t>();
    if (v.is<Blob>()) {
        // LvExtra as a binary column holds a little-endian integer.
        const Blob& b = v.as<Blob>();
        int64_t out = 0;
        for (size_t i = 0; i < b.size() && i < 4; ++i) out |= static_cast<int64_t>(b[i]) << (8 * i);
        return out;
    }
    return 0;
}

// Order numbers the rows of one attribute from 1 in four bytes, most
// significant first, so that the index on it sorts them bytewise.
int orderOf(const Value& v) {
    if (!v.is<Blob>()) return 0;
    const Blob& b = v.as<Blob>();
    uint32_t out = 0;
    for (size_t i = 0; i < b.size() && i < 4; ++i) out = (out << 8) | b[i];
    return static_cast<int>(out & 0x7FFFFFFF);
}

}  // namespace

std::map<int32_t, std::vector<QueryRow>> readQueryRows(Database& db) {
    std::map<int32_t, std::vector<QueryRow>> byId;
    const CatalogObject* table = nullptr;
    for (const CatalogObject* t : db.tables(true)) {
        if (sameName(t->name, "MSysQueries")) table = t;
    }
    if (!table) return byId;
    auto def = db.tableAt(table->tdefPage(), table->name);
    auto col = [&](std::string_view n) -> std::optional<size_t> {
        for (size_t i = 0; i < def->columns.size(); ++i) {
            if (sameName(def->columns[i].name, n)) return i;
        }
        return std::nullopt;
    };
    auto attribute = col("Attribute"), expression = col("Expression"), flag = col("Flag"),
         lvExtra = col("LvExtra"), name1 = col("Name1"), name2 = col("Name2"),
         objectId = col("ObjectId"), order = col("Order");
    if (!attribute || !objectId) throwCorrupt("the stored query table lacks its key columns");

    TableScan scan(db, def);
    while (scan.next()) {
        QueryRow r;
        r.attribute = static_cast<int>(intOf(scan.value(*attribute)));
        r.objectId = static_cast<int32_t>(intOf(scan.value(*objectId)));
        if (expression) r.expression = textOf(scan.value(*expression));
        if (flag) r.flag = static_cast<int>(intOf(scan.value(*flag)));
        if (name1) r.name1 = textOf(scan.value(*name1));
        if (name2) r.name2 = textOf(scan.value(*name2));
        if (order) r.order = orderOf(scan.value(*order));
        if (lvExtra) {
            Value v = scan.value(*lvExtra);
            if (!v.isNull()) r.lvExtra = static_cast<int32_t>(intOf(v));
        }
        byId[r.objectId].push_back(std::move(r));
    }
    return byId;
}

namespace {

QueryDefinition definitionOf(const CatalogObject& o,
                             std::map<int32_t, std::vector<QueryRow>>& rows) {
    QueryDefinition q;
    q.name = o.name;
    auto it = rows.find(o.id);
    try {
        q.query =
            storedQueryFromRows(it == rows.end() ? std::vector<QueryRow>{} : std::move(it->second));
    } catch (const Error& e) {
        if (e.code() != ErrorCode::Corrupt) throw;
        q.query = StoredQuery{};
        q.query.kind = queryKindFromObjectFlags(o.flags);
        q.error = e.what();
    }
    return q;
}

}  // namespace

std::vector<QueryDefinition> readStoredQueries(Database& db) {
    auto rows = readQueryRows(db);
    std::vector<QueryDefinition> out;
    for (const CatalogObject* o : db.queryObjects()) out.push_back(definitionOf(*o, rows));
    return out;
}

QueryDefinition readStoredQuery(Database& db, std::string_view name) {
    for (const CatalogObject* o : db.queryObjects()) {
        if (sameName(o->name, name)) {
            auto rows = readQueryRows(db);
            QueryDefinition q = definitionOf(*o, rows);
            if (!q.error.empty()) throw Error(ErrorCode::Corrupt, q.error);
            return q;
        }
    }
    throw Error(ErrorCode::NotFound, missingObjectMessage(name));
}

}  // namespace jet
