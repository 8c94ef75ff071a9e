#include "support/structure_diff.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "jet/format/property_blob.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"
#include "jet/value_text.h"

namespace testing_support {

namespace {

using jet::Value;

// MSysObjects columns by position.
enum ObjectColumn : size_t {
    kId = 0,
    kParentId = 1,
    kName = 2,
    kType = 3,
    kOwner = 6,
    kFlags = 7,
    kLvProp = 14,
    kObjectColumnCount = 17,
};
// The dates (DateCreate, DateUpdate) are the only columns left out.
bool isDateColumn(size_t i) {
    return i == 4 || i == 5;
}
const char* const kObjectColumnNames[kObjectColumnCount] = {
    "Id",          "ParentId", "Name",     "Type",     "DateCreate",  "DateUpdate",
    "Owner",       "Flags",    "Database", "Connect",  "ForeignName", "RmtInfoShort",
    "RmtInfoLong", "Lv",       "LvProp",   "LvModule", "LvExtra"};

template <typename T>
std::string str(const T& v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

bool globMatch(std::string_view pattern, std::string_view text) {
    if (pattern.empty()) return text.empty();
    if (pattern.front() == '*') {
        for (size_t skip = 0; skip <= text.size(); ++skip) {
            if (globMatch(pattern.substr(1), text.substr(skip))) return true;
        }
        return false;
    }
    return !text.empty() && pattern.front() == text.front() &&
           globMatch(pattern.substr(1), text.substr(1));
}

int64_t intOf(const Value& v) {
    return v.is<int64_t>() ? v.as<int64_t>() : 0;
}
std::string textOf(const Value& v) {
    return v.is<std::string>() ? v.as<std::string>() : std::string();
}

void compareField(std::vector<std::string>& out, const std::string& where, const char* field,
                  const std::string& expected, const std::string& actual) {
    if (expected != actual) {
        out.push_back(where + ": " + field + " expected " + expected + ", actual " + actual);
    }
}

std::string describeColumns(const std::vector<jet::IndexColumn>& columns,
                            const jet::TableDef& def) {
    std::string s;
    for (const auto& c : columns) {
        if (!s.empty()) s += ",";
        s += c.ascending ? "+" : "-";
        const jet::ColumnDef* col = def.columnByNumber(c.columnNumber);
        s += col ? col->name : "#" + str(c.columnNumber);
    }
    return s;
}

std::string describeRealIndex(const jet::RealIndexDef& r, const jet::TableDef& def) {
    return "(" + describeColumns(r.columns, def) + ") flags " + str(static_cast<int>(r.flags));
}

void compareColumn(std::vector<std::string>& out, const std::string& where, const jet::ColumnDef& e,
                   const jet::ColumnDef& a) {
    auto field = [&](const char* name, auto ev, auto av) {
        compareField(out, where, name, str(+ev), str(+av));
    };
    field("number", e.number, a.number);
    field("type", static_cast<int>(e.type), static_cast<int>(a.type));
    field("varIndex", e.varIndex, a.varIndex);
    if (e.isFixed() && a.isFixed()) field("fixedOffset", e.fixedOffset, a.fixedOffset);
    field("length", e.length, a.length);
    field("flags", static_cast<int>(e.flags), static_cast<int>(a.flags));
    field("compressedUnicode", e.compressedUnicode, a.compressedUnicode);
    field("precision", static_cast<int>(e.precision), static_cast<int>(a.precision));
    field("scale", static_cast<int>(e.scale), static_cast<int>(a.scale));
    field("sortLcid", e.sortLcid, a.sortLcid);
    field("sortVersion", static_cast<int>(e.sortVersion), static_cast<int>(a.sortVersion));
    field("codePage", e.codePage, a.codePage);
    field("complexId", e.complexId, a.complexId);
    field("calculated", e.calculated, a.calculated);
    field("numberCopy", e.numberCopy.value_or(e.number), a.numberCopy.value_or(a.number));
    field("otherExtFlags", static_cast<int>(e.otherExtFlags), static_cast<int>(a.otherExtFlags));
}

// The stored order of the column entries; none given means by number.
std::string definitionOrder(const jet::TableDef& def) {
    std::vector<uint16_t> order = def.definitionOrder;
    if (order.empty()) {
        for (const auto& c : def.columns) order.push_back(c.number);
    }
    std::string s;
    for (uint16_t n : order) {
        const jet::ColumnDef* c = def.columnByNumber(n);
        s += (c ? c->name : "#" + str(n)) + ",";
    }
    return s;
}

// Lines for the names present on one side only.
template <typename Map>
void compareKeys(std::vector<std::string>& out, const std::string& what, const Map& expected,
                 const Map& actual) {
    for (const auto& [key, value] : expected) {
        if (!actual.count(key)) out.push_back(what + " " + key + ": missing");
    }
    for (const auto& [key, value] : actual) {
        if (!expected.count(key)) out.push_back(what + " " + key + ": unexpected");
    }
}

// "Container/Name" for each object id of an MSysObjects row set.
std::map<int64_t, std::string> objectPaths(const std::vector<Row>& objects) {
    std::map<int64_t, std::string> names;
    for (const Row& r : objects) {
        if (r.size() > kName) names[intOf(r[kId])] = textOf(r[kName]);
    }
    std::map<int64_t, std::string> paths;
    for (const Row& r : objects) {
        if (r.size() <= kName) continue;
        auto parent = names.find(intOf(r[kParentId]));
        paths[intOf(r[kId])] =
            (parent == names.end() ? std::string() : parent->second) + "/" + textOf(r[kName]);
    }
    return paths;
}

std::string describeProperty(const jet::Property& p) {
    return describeValue(p.value) + " (type " + str(static_cast<int>(p.type)) +
           (p.ddl ? ", ddl" : "") + ")";
}

void comparePropertyBlobs(std::vector<std::string>& out, const std::string& where,
                          const Value& expected, const Value& actual, bool jet3) {
    jet::PropertyBlob e, a;
    try {
        if (expected.is<jet::Blob>()) e = jet::parsePropertyBlob(expected.as<jet::Blob>(), jet3);
        if (actual.is<jet::Blob>()) a = jet::parsePropertyBlob(actual.as<jet::Blob>(), jet3);
    } catch (const std::exception& ex) {
        out.push_back(where + ": LvProp unreadable: " + ex.what());
        return;
    }
    if (e == a) return;
    auto mapsOf = [](const jet::PropertyBlob& b) {
        std::map<std::string, const jet::PropertyMap*> m;
        for (const auto& map : b.maps)
            m[map.objectName.empty() ? "(object)" : map.objectName] = &map;
        return m;
    };
    auto em = mapsOf(e), am = mapsOf(a);
    compareKeys(out, where + ": LvProp map", em, am);
    for (const auto& [name, emap] : em) {
        auto it = am.find(name);
        if (it == am.end()) continue;
        std::map<std::string, const jet::Property*> ep, ap;
        for (const auto& p : emap->properties) ep[p.name] = &p;
        for (const auto& p : it->second->properties) ap[p.name] = &p;
        compareKeys(out, where + ": LvProp " + name + " property", ep, ap);
        for (const auto& [pname, eprop] : ep) {
            auto at = ap.find(pname);
            if (at != ap.end() && !(*eprop == *at->second)) {
                out.push_back(where + ": LvProp " + name + "." + pname + " expected " +
                              describeProperty(*eprop) + ", actual " +
                              describeProperty(*at->second));
            }
        }
    }
}

std::string describeRow(const Row& r) {
    std::string s;
    for (const auto& v : r) {
        if (!s.empty()) s += " | ";
        s += describeValue(v);
    }
    return s;
}

// Multiset difference of two line lists, as "missing"/"unexpected" lines.
void compareMultisets(std::vector<std::string>& out, const std::string& what,
                      std::vector<std::string> expected, std::vector<std::string> actual) {
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                        std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    for (const auto& m : missing) out.push_back(what + " missing: " + m);
    for (const auto& x : extra) out.push_back(what + " unexpected: " + x);
}

}  // namespace

std::string describeValue(const Value& v) {
    if (v.is<std::string>()) return "\"" + v.as<std::string>() + "\"";
    return jet::valueText(
        v, {.null = "null", .falseText = "false", .trueText = "true", .binaryPrefix = "0x"});
}

bool isIgnoredObject(const CatalogueDiffOptions& options, const std::string& name) {
    const std::string folded = jet::foldName(name);
    for (const auto& pattern : options.ignoredObjects) {
        if (globMatch(jet::foldName(pattern), folded)) return true;
    }
    return false;
}

std::vector<std::string> compareTableDefs(const jet::TableDef& e, const jet::TableDef& a) {
    std::vector<std::string> out;
    const std::string where = "table " + e.name;
    compareField(out, where, "name", e.name, a.name);
    compareField(out, where, "tableType", str(+e.tableType), str(+a.tableType));
    compareField(out, where, "maxColumns", str(e.maxColumns), str(a.maxColumns));
    compareField(out, where, "varColumnCount", str(e.varColumnCount), str(a.varColumnCount));

    std::map<std::string, const jet::ColumnDef*> ec, ac;
    for (const auto& c : e.columns) ec[c.name] = &c;
    for (const auto& c : a.columns) ac[c.name] = &c;
    compareKeys(out, where + " column", ec, ac);
    for (const auto& [name, col] : ec) {
        auto it = ac.find(name);
        if (it != ac.end()) compareColumn(out, where + " column " + name, *col, *it->second);
    }
    // Columns in the same field order on both sides.
    std::string eOrder, aOrder;
    for (const auto& c : e.columns) eOrder += c.name + ",";
    for (const auto& c : a.columns) aOrder += c.name + ",";
    compareField(out, where, "column order", eOrder, aOrder);
    compareField(out, where, "definition order", definitionOrder(e), definitionOrder(a));

    compareField(out, where, "real index count", str(e.realIndexes.size()),
                 str(a.realIndexes.size()));
    for (size_t i = 0; i < std::min(e.realIndexes.size(), a.realIndexes.size()); ++i) {
        compareField(out, where, ("real index " + str(i)).c_str(),
                     describeRealIndex(e.realIndexes[i], e),
                     describeRealIndex(a.realIndexes[i], a));
    }

    std::map<std::string, const jet::IndexDef*> ei, ai;
    for (const auto& x : e.indexes) ei[x.name] = &x;
    for (const auto& x : a.indexes) ai[x.name] = &x;
    compareKeys(out, where + " index", ei, ai);
    for (const auto& [name, ex] : ei) {
        auto it = ai.find(name);
        if (it == ai.end()) continue;
        const jet::IndexDef& ax = *it->second;
        const std::string w = where + " index " + name;
        compareField(out, w, "number", str(ex->number), str(ax.number));
        compareField(out, w, "kind", str(+ex->kind), str(+ax.kind));
        auto realOf = [](const jet::TableDef& def, const jet::IndexDef& x) -> std::string {
            if (x.realIndex < 0 || static_cast<size_t>(x.realIndex) >= def.realIndexes.size()) {
                return "real index #" + str(x.realIndex) + " (absent)";
            }
            return describeRealIndex(def.realIndexes[x.realIndex], def);
        };
        compareField(out, w, "real index", realOf(e, *ex), realOf(a, ax));
        compareField(out, w, "relatedIndex", str(ex->relatedIndex), str(ax.relatedIndex));
        compareField(out, w, "relatedTableKind", str(+ex->relatedTableKind),
                     str(+ax.relatedTableKind));
        compareField(out, w, "cascadeUpdates", str(ex->cascadeUpdates), str(ax.cascadeUpdates));
        compareField(out, w, "cascadeDeletes", str(ex->cascadeDeletes), str(ax.cascadeDeletes));
    }
    std::string eIndexOrder, aIndexOrder;
    for (const auto& x : e.indexes) eIndexOrder += x.name + ",";
    for (const auto& x : a.indexes) aIndexOrder += x.name + ",";
    compareField(out, where, "index order", eIndexOrder, aIndexOrder);
    return out;
}

std::vector<std::string> compareObjectRows(const std::vector<Row>& expected,
                                           const std::vector<Row>& actual,
                                           const CatalogueDiffOptions& options) {
    std::vector<std::string> out;
    auto index = [&](const std::vector<Row>& rows, const char* side) {
        const auto paths = objectPaths(rows);
        // Keyed by the folded path, which the lines do not show.
        std::map<std::string, std::pair<std::string, const Row*>> byPath;
        for (const Row& r : rows) {
            if (r.size() != kObjectColumnCount) {
                out.push_back(std::string(side) + " MSysObjects row has " + str(r.size()) +
                              " values: " + describeRow(r));
                continue;
            }
            if (isIgnoredObject(options, textOf(r[kName]))) continue;
            const std::string path = paths.at(intOf(r[kId]));
            if (!byPath.emplace(jet::foldName(path), std::make_pair(path, &r)).second) {
                out.push_back(std::string(side) + " object " + path + " appears twice");
            }
        }
        return std::make_pair(byPath, paths);
    };
    auto [e, ePaths] = index(expected, "expected");
    auto [a, aPaths] = index(actual, "actual");
    for (const auto& [key, entry] : e) {
        if (!a.count(key)) out.push_back("object " + entry.first + ": missing");
    }
    for (const auto& [key, entry] : a) {
        if (!e.count(key)) out.push_back("object " + entry.first + ": unexpected");
    }
    for (const auto& [key, entry] : e) {
        auto it = a.find(key);
        if (it == a.end()) continue;
        const Row* er = entry.second;
        const Row& ar = *it->second.second;
        const std::string where = "object " + entry.first;
        for (size_t i = 0; i < kObjectColumnCount; ++i) {
            if (isDateColumn(i) || i == kName) continue;
            if (i == kId && options.ignoreIds) continue;
            if (i == kLvProp) {
                comparePropertyBlobs(out, where, (*er)[i], ar[i], options.jet3);
            } else if (i == kParentId) {
                auto name = [](const std::map<int64_t, std::string>& paths, const Value& id) {
                    auto p = paths.find(intOf(id));
                    return p == paths.end() ? "#" + describeValue(id) : p->second;
                };
                compareField(out, where, "ParentId", name(ePaths, (*er)[i]), name(aPaths, ar[i]));
            } else {
                compareField(out, where, kObjectColumnNames[i], describeValue((*er)[i]),
                             describeValue(ar[i]));
            }
        }
    }
    return out;
}

std::vector<std::string> compareAceRows(const std::vector<Row>& expectedAces,
                                        const std::vector<Row>& expectedObjects,
                                        const std::vector<Row>& actualAces,
                                        const std::vector<Row>& actualObjects,
                                        const CatalogueDiffOptions& options) {
    auto lines = [&](const std::vector<Row>& aces, const std::vector<Row>& objects) {
        const auto paths = objectPaths(objects);
        std::vector<std::string> result;
        for (const Row& r : aces) {
            if (r.size() != 4) {
                result.push_back("malformed row " + describeRow(r));
                continue;
            }
            auto p = paths.find(intOf(r[0]));
            const std::string object = p == paths.end() ? "#" + describeValue(r[0]) : p->second;
            const std::string name = object.substr(object.find('/') + 1);
            if (p != paths.end() && isIgnoredObject(options, name)) continue;
            const bool longSid = r[1].is<jet::Blob>() && r[1].as<jet::Blob>().size() > 2;
            if (longSid && options.ignoreLongSids) continue;
            result.push_back(object + " sid " + describeValue(r[1]) + " acm " +
                             describeValue(r[2]) + " inheritable " + describeValue(r[3]));
        }
        return result;
    };
    std::vector<std::string> out;
    compareMultisets(out, "MSysACEs", lines(expectedAces, expectedObjects),
                     lines(actualAces, actualObjects));
    return out;
}

std::vector<std::string> compareRowSets(const std::string& table, const std::vector<Row>& expected,
                                        const std::vector<Row>& actual) {
    auto lines = [](const std::vector<Row>& rows) {
        std::vector<std::string> result;
        for (const Row& r : rows) result.push_back(describeRow(r));
        return result;
    };
    std::vector<std::string> out;
    compareMultisets(out, table + " row", lines(expected), lines(actual));
    return out;
}

std::vector<Row> readAllRows(jet::Database& db, const std::string& table) {
    jet::TableScan scan(db, db.table(table));
    std::vector<Row> rows;
    while (scan.next()) rows.push_back(scan.values());
    return rows;
}

namespace {

// The rows of a system table, less MSysComplexColumns rows that describe a
// column of an ignored table (the application's tables have complex
// columns of their own).
std::vector<Row> rowsOfKeptObjects(jet::Database& db, const std::string& table,
                                   const CatalogueDiffOptions& options) {
    std::vector<Row> rows = readAllRows(db, table);
    if (!jet::sameName(table, "MSysComplexColumns")) return rows;
    auto def = db.table(table);
    const jet::ColumnDef* owner = def->findColumn("ConceptualTableID");
    if (!owner) return rows;
    size_t ownerIndex = 0;
    while (&def->columns[ownerIndex] != owner) ++ownerIndex;
    std::erase_if(rows, [&](const Row& r) {
        if (!r[ownerIndex].is<int64_t>()) return false;
        for (const auto& o : db.objects())
            if (o.id == r[ownerIndex].as<int64_t>()) return isIgnoredObject(options, o.name);
        return false;
    });
    return rows;
}

}  // namespace

std::vector<std::string> compareCatalogues(jet::Database& expected, jet::Database& actual,
                                           const CatalogueDiffOptions& options) {
    std::vector<std::string> out;
    auto tableNames = [&](jet::Database& db) {
        std::map<std::string, std::string> names;  // folded -> as stored
        for (const auto* t : db.tables(true)) {
            if (!isIgnoredObject(options, t->name)) names[jet::foldName(t->name)] = t->name;
        }
        return names;
    };
    const auto e = tableNames(expected), a = tableNames(actual);
    compareKeys(out, "table", e, a);
    for (const auto& [key, name] : e) {
        auto it = a.find(key);
        if (it == a.end()) continue;
        auto diffs = compareTableDefs(*expected.table(name), *actual.table(it->second));
        out.insert(out.end(), diffs.begin(), diffs.end());
    }

    const auto eObjects = readAllRows(expected, "MSysObjects");
    const auto aObjects = readAllRows(actual, "MSysObjects");
    auto diffs = compareObjectRows(eObjects, aObjects, options);
    out.insert(out.end(), diffs.begin(), diffs.end());
    diffs = compareAceRows(readAllRows(expected, "MSysACEs"), eObjects,
                           readAllRows(actual, "MSysACEs"), aObjects, options);
    out.insert(out.end(), diffs.begin(), diffs.end());

    // The rows of the other system tables; user tables hold user data, which
    // is not part of a catalogue.
    for (const auto* t : expected.tables(true)) {
        if (!t->isSystem() || isIgnoredObject(options, t->name)) continue;
        if (jet::sameName(t->name, "MSysObjects") || jet::sameName(t->name, "MSysACEs")) continue;
        if (!a.count(jet::foldName(t->name))) continue;
        diffs = compareRowSets(t->name, rowsOfKeptObjects(expected, t->name, options),
                               rowsOfKeptObjects(actual, t->name, options));
        out.insert(out.end(), diffs.begin(), diffs.end());
    }
    return out;
}

const std::vector<std::string>& accessApplicationObjects() {
    static const std::vector<std::string> objects = {"Forms",
                                                     "Reports",
                                                     "Modules",
                                                     "Scripts",
                                                     "DataAccessPages",
                                                     "SysRel",
                                                     "AccessLayout",
                                                     "SummaryInfo",
                                                     "UserDefined",
                                                     "MSysAccessObjects",
                                                     "MSysAccessStorage",
                                                     "MSysNavPane*",
                                                     "MSysResources",
                                                     "f_*_Data",
                                                     "MSysModules",
                                                     "MSysModules2"};
    return objects;
}

CatalogueDiffOptions accessMadeOptions(bool jet3) {
    CatalogueDiffOptions o;
    o.ignoredObjects = accessApplicationObjects();
    // Access adds rights for the Windows account it ran under (a long SID).
    o.ignoreLongSids = true;
    o.jet3 = jet3;
    return o;
}

std::vector<std::string> accessMadeDifferences(const std::string& adminSid) {
    return {"object Databases/MSysDb: LvProp map (object): unexpected",
            "MSysACEs missing: /Tables sid " + adminSid + " acm 393217 inheritable false",
            "MSysACEs unexpected: /Tables sid " + adminSid + " acm 1048319 inheritable true"};
}

}  // namespace testing_support
