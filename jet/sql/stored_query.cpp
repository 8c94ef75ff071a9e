#include "jet/sql/stored_query.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "jet/error.h"
#include "jet/sql/stored_query_format.h"
#include "jet/sql/stored_query_from.h"

namespace jet {

namespace query_format {

void throwQueryCorrupt(int32_t objectId, const std::string& what) {
    throwCorrupt("stored query (object id " + std::to_string(objectId) + "): " + what);
}

}  // namespace query_format

namespace {

using namespace query_format;

constexpr std::string_view kNewline = "\r\n";

// The rows of attributes 12 to 14 tie a query to the companion that holds
// its flattened form; they are known but add nothing to the SQL text.
bool isKnownAttribute(int attribute) {
    return (attribute >= kStartAttribute && attribute <= kComplexReferenceAttribute) ||
           attribute == kEndAttribute;
}

// A row of another attribute past ORDER BY that holds only a flag names
// nothing the SQL text shows and is passed over. A row of an unknown
// attribute that holds a name or an expression may change the query's
// meaning: refused.
bool isIgnorableAttribute(const QueryRow& row) {
    return row.attribute > kOrderByAttribute && row.attribute != kEndAttribute && !row.expression &&
           !row.name1 && !row.name2;
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += separator;
        out += items[i];
    }
    return out;
}

// The rows of one query, grouped by attribute, with the checks every kind needs.
class QueryRows {
public:
    explicit QueryRows(std::vector<QueryRow> rows) : rows_(std::move(rows)) {
        if (rows_.empty()) throwCorrupt("a stored query has no rows in MSysQueries");
        objectId_ = rows_.front().objectId;
        for (const QueryRow& row : rows_) {
            if (row.objectId != objectId_) {
                fail("its rows mix object ids " + std::to_string(objectId_) + " and " +
                     std::to_string(row.objectId));
            }
            if (!isKnownAttribute(row.attribute) && !isIgnorableAttribute(row)) {
                fail("unknown attribute code " + std::to_string(row.attribute));
            }
        }
        std::erase_if(rows_, [](const QueryRow& row) { return isIgnorableAttribute(row); });
        std::stable_sort(rows_.begin(), rows_.end(), [](const QueryRow& a, const QueryRow& b) {
            return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
        });
    }

    int32_t objectId() const { return objectId_; }

    [[noreturn]] void fail(const std::string& what) const { throwQueryCorrupt(objectId_, what); }

    std::vector<const QueryRow*> all(int attribute) const {
        std::vector<const QueryRow*> out;
        for (const QueryRow& row : rows_) {
            if (row.attribute == attribute) out.push_back(&row);
        }
        return out;
    }

    // The single row of an attribute Access writes at most once; null if absent.
    const QueryRow* single(int attribute, std::string_view what) const {
        const auto rows = all(attribute);
        if (rows.size() > 1) {
            fail(std::to_string(rows.size()) + " " + std::string(what) +
                 " rows, at most one allowed");
        }
        return rows.empty() ? nullptr : rows.front();
    }

    const std::string& expressionOf(const QueryRow& row, std::string_view what) const {
        if (!row.expression) fail("a " + std::string(what) + " row has no expression");
        return *row.expression;
    }

    int selectFlags() const {
        const QueryRow* row = single(kFlagsAttribute, "flags");
        return row ? row->flag : 0;
    }

    bool hasFlag(int bit) const { return (selectFlags() & bit) != 0; }

private:
    std::vector<QueryRow> rows_;
    int32_t objectId_ = 0;
};

QueryKind kindFromTypeCode(int code) {
    switch (code) {
        case kSelectType:
            return QueryKind::Select;
        case kMakeTableType:
            return QueryKind::MakeTable;
        case kAppendType:
            return QueryKind::Append;
        case kUpdateType:
            return QueryKind::Update;
        case kDeleteType:
            return QueryKind::Delete;
        case kCrosstabType:
            return QueryKind::Crosstab;
        case kDataDefinitionType:
            return QueryKind::DataDefinition;
        case kPassThroughType:
            return QueryKind::PassThrough;
        case kUnionType:
            return QueryKind::Union;
        default:
            return QueryKind::Unknown;
    }
}

// Parameter types by the data type code in the parameter row's Flag, named
// as in the PARAMETERS clause.
const char* parameterTypeName(int code) {
    switch (code) {
        case 0:
            return "Value";
        case 1:
            return "Bit";
        case 2:
            return "Byte";
        case 3:
            return "Short";
        case 4:
            return "Long";
        case 5:
            return "Currency";
        case 6:
            return "IEEESingle";
        case 7:
            return "IEEEDouble";
        case 8:
            return "DateTime";
        case 9:
            return "Binary";
        case 10:
            return "Text";
        case 11:
            return "LongBinary";
        case 12:
            return "Memo";
        case 15:
            return "Guid";
        default:
            return nullptr;
    }
}

std::vector<std::pair<std::string, std::string>> readParameters(const QueryRows& q) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const QueryRow* row : q.all(kParameterAttribute)) {
        if (!row->name1 || row->name1->empty()) q.fail("a parameter row has no name");
        const char* typeName = parameterTypeName(row->flag);
        if (!typeName) {
            q.fail("parameter " + *row->name1 + " has unknown type code " +
                   std::to_string(row->flag));
        }
        std::string type = typeName;
        if (row->flag == 10 && row->lvExtra && *row->lvExtra > 0) {
            type += " ( " + std::to_string(*row->lvExtra) + " )";
        }
        out.emplace_back(*row->name1, std::move(type));
    }
    return out;
}

// " IN 'path' [type]" for a source or target in another database; empty when
// neither part is stored. The path is always written, even when empty, as
// Access needs it before the type.
std::string remoteDatabase(const std::optional<std::string>& path,
                           const std::optional<std::string>& type) {
    if (!path && !type) return {};
    std::string out = " IN '" + path.value_or(std::string()) + "'";
    if (type) out += " [" + *type + "]";
    return out;
}

// Builds the text of the kinds that share the SELECT shape (select, make-table,
// append from a select, delete, crosstab).
class SelectWriter {
public:
    explicit SelectWriter(const QueryRows& q) : q_(q) {}

    // "DISTINCT ", "DISTINCTROW ", "TOP 5 PERCENT ", ... with a trailing space, or "".
    std::string predicate() const {
        std::string out;
        if (q_.hasFlag(kDistinct)) {
            out += "DISTINCT ";
        } else if (q_.hasFlag(kDistinctRow)) {
            out += "DISTINCTROW ";
        }
        if (q_.hasFlag(kTop)) {
            const QueryRow* flags = q_.single(kFlagsAttribute, "flags");
            if (!flags->name1 || flags->name1->empty()) q_.fail("TOP is set without a value");
            out += "TOP " + *flags->name1 + (q_.hasFlag(kPercent) ? " PERCENT " : " ");
        }
        return out;
    }

    // The output list: each expression with its alias, then "*" when all
    // fields are output. Throws when the list would be empty, unless
    // `mayBeEmpty` (a DELETE saved without output columns deletes whole rows).
    std::string columns(const std::vector<const QueryRow*>& rows, bool mayBeEmpty = false) const {
        std::vector<std::string> items;
        for (const QueryRow* row : rows) {
            std::string item = q_.expressionOf(*row, "column");
            if (row->name1) item += " AS " + quoteName(*row->name1);
            items.push_back(std::move(item));
        }
        if (q_.hasFlag(kOutputAllFields)) items.emplace_back("*");
        if (items.empty() && !mayBeEmpty) q_.fail("the query has no output columns");
        return joined(items, ", ");
    }

    // FROM, WHERE, GROUP BY, HAVING and ORDER BY, each on its own line.
    std::string clauses(const std::vector<const QueryRow*>& groupBy) const {
        std::string out;
        const std::string from =
            fromSources(q_.objectId(), q_.all(kTableAttribute), q_.all(kJoinAttribute));
        if (!from.empty()) {
            out += std::string(kNewline) + "FROM " + from;
            if (const QueryRow* remote = q_.single(kRemoteDatabaseAttribute, "remote database")) {
                out += remoteDatabase(remote->name1, remote->expression);
            }
        }
        if (const QueryRow* where = q_.single(kWhereAttribute, "WHERE")) {
            out += std::string(kNewline) + "WHERE " + q_.expressionOf(*where, "WHERE");
        }
        std::vector<std::string> groups;
        for (const QueryRow* row : groupBy) groups.push_back(q_.expressionOf(*row, "GROUP BY"));
        if (!groups.empty()) out += std::string(kNewline) + "GROUP BY " + joined(groups, ", ");
        if (const QueryRow* having = q_.single(kHavingAttribute, "HAVING")) {
            out += std::string(kNewline) + "HAVING " + q_.expressionOf(*having, "HAVING");
        }
        out += orderBy(q_);
        return out;
    }

    static std::string orderBy(const QueryRows& q) {
        std::vector<std::string> items;
        for (const QueryRow* row : q.all(kOrderByAttribute)) {
            std::string item = q.expressionOf(*row, "ORDER BY");
            if (row->name1 && (*row->name1 == kDescending || *row->name1 == "d")) item += " DESC";
            items.push_back(std::move(item));
        }
        return items.empty() ? std::string()
                             : std::string(kNewline) + "ORDER BY " + joined(items, ", ");
    }

private:
    const QueryRows& q_;
};

std::vector<const QueryRow*> withFlag(std::vector<const QueryRow*> rows, int bit, bool set) {
    std::erase_if(rows, [&](const QueryRow* row) { return ((row->flag & bit) != 0) != set; });
    return rows;
}

const QueryRow& typeRow(const QueryRows& q) {
    const QueryRow* row = q.single(kTypeAttribute, "type");
    if (!row) q.fail("the query has no type row");
    return *row;
}

std::string targetName(const QueryRows& q) {
    const QueryRow& type = typeRow(q);
    if (!type.name1 || type.name1->empty()) q.fail("the query names no target table");
    return quoteQualifiedName(*type.name1) + remoteDatabase(type.name2, type.expression);
}

std::string selectText(const QueryRows& q) {
    SelectWriter w(q);
    return "SELECT " + w.predicate() + w.columns(q.all(kColumnAttribute)) +
           w.clauses(q.all(kGroupByAttribute));
}

std::string makeTableText(const QueryRows& q) {
    SelectWriter w(q);
    return "SELECT " + w.predicate() + w.columns(q.all(kColumnAttribute)) + " INTO " +
           targetName(q) + w.clauses(q.all(kGroupByAttribute));
}

std::string deleteText(const QueryRows& q) {
    SelectWriter w(q);
    std::string head = "DELETE " + w.predicate() + w.columns(q.all(kColumnAttribute), true);
    while (head.back() == ' ') head.pop_back();
    return head + w.clauses(q.all(kGroupByAttribute));
}

std::string appendText(const QueryRows& q) {
    const auto columnRows = q.all(kColumnAttribute);
    const QueryRow& type = typeRow(q);
    if (!type.name1 || type.name1->empty()) q.fail("the query names no target table");
    std::string out = "INSERT INTO " + quoteQualifiedName(*type.name1);
    std::vector<std::string> targets;
    for (const QueryRow* row : columnRows) {
        if (row->name2) targets.push_back(quoteQualifiedName(*row->name2));
    }
    if (!targets.empty()) out += " (" + joined(targets, ", ") + ")";
    out += remoteDatabase(type.name2, type.expression);
    out += kNewline;
    const auto values = withFlag(columnRows, kAppendValue, true);
    if (!values.empty()) {
        std::vector<std::string> items;
        for (const QueryRow* row : values) items.push_back(q.expressionOf(*row, "VALUES"));
        return out + "VALUES (" + joined(items, ", ") + ")";
    }
    SelectWriter w(q);
    return out + "SELECT " + w.predicate() + w.columns(withFlag(columnRows, kAppendValue, false)) +
           w.clauses(q.all(kGroupByAttribute));
}

std::string updateText(const QueryRows& q) {
    const std::string tables =
        fromSources(q.objectId(), q.all(kTableAttribute), q.all(kJoinAttribute));
    if (tables.empty()) q.fail("the update query names no table");
    std::string out = "UPDATE ";
    if (q.hasFlag(kDistinctRow)) out += "DISTINCTROW ";
    out += tables;
    if (const QueryRow* remote = q.single(kRemoteDatabaseAttribute, "remote database")) {
        out += remoteDatabase(remote->name1, remote->expression);
    }
    std::vector<std::string> assignments;
    for (const QueryRow* row : q.all(kColumnAttribute)) {
        if (!row->name2) q.fail("an update column row names no target column");
        assignments.push_back(quoteQualifiedName(*row->name2) + " = " +
                              q.expressionOf(*row, "update column"));
    }
    if (assignments.empty()) q.fail("the update query sets no column");
    out += std::string(kNewline) + "SET " + joined(assignments, ", ");
    if (const QueryRow* where = q.single(kWhereAttribute, "WHERE")) {
        out += std::string(kNewline) + "WHERE " + q.expressionOf(*where, "WHERE");
    }
    return out;
}

std::string crosstabText(const QueryRows& q) {
    const auto columnRows = q.all(kColumnAttribute);
    const auto pivots = withFlag(columnRows, kCrosstabPivot, true);
    auto values = withFlag(columnRows, kCrosstabPivot | kCrosstabRowHeading, false);
    if (values.size() != 1) {
        q.fail("a crosstab query needs one value column, found " + std::to_string(values.size()));
    }
    if (pivots.size() != 1) {
        q.fail("a crosstab query needs one PIVOT column, found " + std::to_string(pivots.size()));
    }
    std::string transform = q.expressionOf(*values.front(), "TRANSFORM");
    if (values.front()->name1) transform += " AS " + quoteName(*values.front()->name1);

    SelectWriter w(q);
    return "TRANSFORM " + transform + std::string(kNewline) + "SELECT " + w.predicate() +
           w.columns(withFlag(columnRows, kCrosstabRowHeading, true)) +
           w.clauses(withFlag(q.all(kGroupByAttribute), kCrosstabRowHeading, true)) +
           std::string(kNewline) + "PIVOT " + q.expressionOf(*pivots.front(), "PIVOT");
}

// A union half as the user typed it, without the line breaks Access leaves
// around it.
std::string unionPart(const QueryRows& q, std::string_view id) {
    for (const QueryRow* row : q.all(kTableAttribute)) {
        if (row->name2 && *row->name2 == id) {
            const std::string& text = q.expressionOf(*row, "union part");
            const auto first = text.find_first_not_of(" \t\r\n");
            if (first == std::string::npos) q.fail("union part " + std::string(id) + " is empty");
            const auto last = text.find_last_not_of(" \t\r\n");
            return text.substr(first, last - first + 1);
        }
    }
    q.fail("the union query has no part " + std::string(id));
}

std::string unionText(const QueryRows& q) {
    return unionPart(q, kUnionFirstPart) + std::string(kNewline) + "UNION " +
           (q.hasFlag(kDistinct) ? "" : "ALL ") + unionPart(q, kUnionSecondPart) +
           SelectWriter::orderBy(q);
}

// PARAMETERS line, statement, owner-access line and the closing ';'.
std::string standardStatement(const QueryRows& q,
                              const std::vector<std::pair<std::string, std::string>>& parameters,
                              const std::string& body) {
    std::string out;
    if (!parameters.empty()) {
        std::vector<std::string> items;
        for (const auto& [name, type] : parameters) items.push_back(name + " " + type);
        out += "PARAMETERS " + joined(items, ", ") + ";" + std::string(kNewline);
    }
    out += body;
    if (q.hasFlag(kOwnerAccess)) out += std::string(kNewline) + "WITH OWNERACCESS OPTION";
    out += ';';
    return out;
}

}  // namespace

std::string queryKindName(QueryKind kind) {
    switch (kind) {
        case QueryKind::Select:
            return "Select";
        case QueryKind::Crosstab:
            return "Crosstab";
        case QueryKind::Delete:
            return "Delete";
        case QueryKind::Update:
            return "Update";
        case QueryKind::Append:
            return "Append";
        case QueryKind::MakeTable:
            return "MakeTable";
        case QueryKind::Union:
            return "Union";
        case QueryKind::PassThrough:
            return "PassThrough";
        case QueryKind::DataDefinition:
            return "DataDefinition";
        case QueryKind::Unknown:
            return "Unknown";
    }
    return "Unknown";
}

QueryKind queryKindFromObjectFlags(int32_t objectFlags) {
    switch (objectFlags & kObjectKindMask) {
        case kSelectObjectKind:
            return QueryKind::Select;
        case kCrosstabObjectKind:
            return QueryKind::Crosstab;
        case kDeleteObjectKind:
            return QueryKind::Delete;
        case kUpdateObjectKind:
            return QueryKind::Update;
        case kAppendObjectKind:
            return QueryKind::Append;
        case kMakeTableObjectKind:
            return QueryKind::MakeTable;
        case kDataDefinitionObjectKind:
            return QueryKind::DataDefinition;
        case kPassThroughObjectKind:
            return QueryKind::PassThrough;
        case kUnionObjectKind:
            return QueryKind::Union;
        default:
            return QueryKind::Unknown;
    }
}

StoredQuery storedQueryFromRows(std::vector<QueryRow> rows) {
    const QueryRows q(std::move(rows));
    StoredQuery result;
    // Access leaves out the type row of some plain select queries (those it
    // makes for the row source of a form control, for one); such rows read as
    // a select query, which still fails below if they hold no output.
    const QueryRow* type = q.single(kTypeAttribute, "type");
    if (!type && q.all(kColumnAttribute).empty() && !q.hasFlag(kOutputAllFields)) {
        q.fail("the query has no type row and no output columns");
    }
    result.kind = type ? kindFromTypeCode(type->flag) : QueryKind::Select;

    switch (result.kind) {
        case QueryKind::PassThrough:
            result.connectString = type->name1;
            result.sql = type->expression.value_or(std::string());
            return result;
        case QueryKind::DataDefinition:
            result.sql = type->expression.value_or(std::string());
            return result;
        case QueryKind::Unknown:
            return result;
        default:
            break;
    }

    result.parameters = readParameters(q);
    std::string body;
    switch (result.kind) {
        case QueryKind::Select:
            body = selectText(q);
            break;
        case QueryKind::MakeTable:
            body = makeTableText(q);
            break;
        case QueryKind::Append:
            body = appendText(q);
            break;
        case QueryKind::Update:
            body = updateText(q);
            break;
        case QueryKind::Delete:
            body = deleteText(q);
            break;
        case QueryKind::Crosstab:
            body = crosstabText(q);
            break;
        case QueryKind::Union:
            body = unionText(q);
            break;
        default:
            break;
    }
    result.sql = standardStatement(q, result.parameters, body);
    return result;
}

}  // namespace jet
