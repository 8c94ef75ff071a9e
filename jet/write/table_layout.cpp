#include "jet/write/table_layout.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/util/names.h"
#include "jet/write/name_rules.h"

namespace jet {
namespace {

constexpr uint8_t kUserTable = 0x4e;

[[noreturn]] void refuse(const std::string& message) {
    throw Error(ErrorCode::InvalidArgument, message);
}

void checkNames(const TableSpec& spec) {
    checkObjectName(spec.name);
    std::vector<std::string> names;
    for (const ColumnSpec& c : spec.columns) names.push_back(c.name);
    checkNewColumnNames(spec.name, names);
    names.clear();
    for (const IndexSpec& x : spec.indexes) {
        if (!x.foreignKey) checkObjectName(x.name);
        names.push_back(x.name);
    }
    checkDistinctIndexNames(spec.name, names);
}

std::vector<ColumnDef> layoutColumns(const TableSpec& spec, JetVersion v, SortOrder textOrder) {
    if (spec.columns.empty()) refuse("No field defined--cannot append TableDef or Index.");
    if (spec.columns.size() > kMaxColumnsPerTable) refuse("Too many fields defined.");
    std::vector<ColumnDef> columns;
    uint16_t nextVar = 0;
    uint16_t nextFixed = 0;
    bool haveAutoLong = false;
    for (const ColumnSpec& s : spec.columns) {
        ColumnDef c = columnDefFor(s, v, textOrder);
        if (c.isAutoLong()) {
            if (haveAutoLong) {
                refuse("Resultant table not allowed to have more than one AutoNumber field.");
            }
            haveAutoLong = true;
        }
        c.number = static_cast<uint16_t>(columns.size());
        c.varIndex = nextVar;
        if (!c.isFixed()) {
            ++nextVar;
        } else if (c.type != DataType::Boolean) {
            c.fixedOffset = nextFixed;
            nextFixed = static_cast<uint16_t>(nextFixed + c.length);
        }
        columns.push_back(std::move(c));
    }
    return columns;
}

uint8_t realIndexFlags(const IndexSpec& x, JetVersion v) {
    uint8_t flags = isJet3(v) ? 0 : kIndexJet4Marker;
    if (x.primary) return flags | kIndexUnique | kIndexRequired;
    if (x.unique) flags |= kIndexUnique;
    if (x.ignoreNulls) flags |= kIndexIgnoreNulls;
    if (x.required) flags |= kIndexRequired;
    return flags;
}

std::vector<IndexColumn> indexColumns(const IndexSpec& x, const TableDef& t, JetVersion v) {
    if (x.columns.empty()) refuse("No field defined--cannot append TableDef or Index.");
    if (x.columns.size() > kMaxColumnsPerIndex)
        refuse("Can't have more than 10 fields in an index.");
    std::vector<IndexColumn> out;
    for (const auto& [name, ascending] : x.columns) {
        const ColumnDef* c = t.findColumn(name);
        if (c == nullptr) {
            refuse("Invalid field definition '" + name +
                   "' in definition of index or relationship.");
        }
        bool unindexable =
            c->type == DataType::LongBinary || (c->type == DataType::Memo && !isAce(v));
        bool repeated = std::any_of(out.begin(), out.end(), [c](const IndexColumn& ic) {
            return ic.columnNumber == c->number;
        });
        if (unindexable || repeated) refuse("Invalid index definition.");
        out.push_back(IndexColumn{c->number, ascending});
    }
    return out;
}

bool sameColumns(const std::vector<IndexColumn>& a, const std::vector<IndexColumn>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const IndexColumn& x, const IndexColumn& y) {
                          return x.columnNumber == y.columnNumber && x.ascending == y.ascending;
                      });
}

void layoutIndexes(const TableSpec& spec, JetVersion v, TableDef& t) {
    if (spec.indexes.size() > kMaxIndexesPerTable) {
        refuse("The operation failed. There are too many indexes on table '" + spec.name +
               "'. Delete some of the indexes on the table and try the operation again.");
    }
    bool havePrimary = false;
    for (const IndexSpec& x : spec.indexes) {
        if (x.primary) {
            if (havePrimary) refuse("Primary key already exists.");
            havePrimary = true;
        }
        std::vector<IndexColumn> columns = indexColumns(x, t, v);
        uint8_t flags = realIndexFlags(x, v);
        const std::optional<size_t> shared = sharedRealIndex(t, columns, flags, x.foreignKey);
        IndexDef def;
        def.name = x.name;
        def.number = static_cast<int32_t>(t.indexes.size());
        def.kind = x.primary ? 1 : (x.foreignKey ? 2 : 0);
        if (shared) {
            def.realIndex = static_cast<int32_t>(*shared);
        } else {
            def.realIndex = static_cast<int32_t>(t.realIndexes.size());
            RealIndexDef real;
            real.columns = std::move(columns);
            real.flags = flags;
            t.realIndexes.push_back(std::move(real));
        }
        t.indexes.push_back(std::move(def));
    }
    std::stable_sort(t.indexes.begin(), t.indexes.end(), [](const IndexDef& a, const IndexDef& b) {
        return foldName(a.name) < foldName(b.name);
    });
}

}  // namespace

std::optional<size_t> sharedRealIndex(const TableDef& t, const std::vector<IndexColumn>& columns,
                                      uint8_t flags, bool foreignKey) {
    for (size_t i = 0; i < t.realIndexes.size(); ++i)
        if (sameColumns(t.realIndexes[i].columns, columns) && t.realIndexes[i].flags == flags)
            return i;
    if (foreignKey)
        for (size_t i = 0; i < t.realIndexes.size(); ++i)
            if (sameColumns(t.realIndexes[i].columns, columns)) return i;
    return std::nullopt;
}

TableDef layoutTable(const TableSpec& spec, JetVersion v, SortOrder textOrder) {
    checkNames(spec);
    TableDef t;
    t.name = spec.name;
    t.tableType = kUserTable;
    t.columns = layoutColumns(spec, v, textOrder);
    t.maxColumns = static_cast<uint16_t>(t.columns.size());
    t.varColumnCount = static_cast<uint16_t>(std::count_if(
        t.columns.begin(), t.columns.end(), [](const ColumnDef& c) { return !c.isFixed(); }));
    layoutIndexes(spec, v, t);
    return t;
}

}  // namespace jet
