#include "jet/sql/stored_query_rows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "jet/error.h"
#include "jet/sql/parser/parser.h"
#include "jet/sql/stored_query_format.h"
#include "jet/sql/stored_query_text.h"
#include "jet/util/names.h"

namespace jet {
namespace {

using namespace query_format;
using query_text::isWrappedInParentheses;
using query_text::trimmed;
using query_text::widenToParentheses;

using Text = std::optional<std::string>;

// Parameter type codes are the data type codes of the columns; Value (any
// type) is 0. Decimal and the later ACE types have no code a reader knows.
std::optional<int> parameterTypeCode(const sql::ParameterDecl& p) {
    if (!p.type) return 0;
    switch (*p.type) {
        case DataType::Boolean:
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::Currency:
        case DataType::Single:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::Binary:
        case DataType::Text:
        case DataType::LongBinary:
        case DataType::Memo:
        case DataType::Guid:
            return static_cast<int>(*p.type);
        default:
            return std::nullopt;
    }
}

std::string topText(double count) {
    char buffer[32];
    const auto r = (count == std::floor(count) && count < 1e15)
                       ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<int64_t>(count))
                       : std::to_chars(buffer, buffer + sizeof buffer, count);
    return std::string(buffer, r.ptr);
}

Text textOrNull(const std::string& s) {
    return s.empty() ? Text() : Text(s);
}

[[noreturn]] void unsupported(const std::string& what) {
    throw Error(ErrorCode::Unsupported, what);
}

// Collects the rows of one query; every text comes from the statement's
// own text, cut at the ranges the parser recorded.
class RowBuilder {
public:
    explicit RowBuilder(std::string_view sql) : sql_(sql) {}

    std::string text(sql::SourceRange range) const {
        if (range.offset > sql_.size()) return {};
        return std::string(sql_.substr(range.offset, range.length));
    }
    std::string text(const sql::Expr& e) const { return text(e.range); }

    void add(int attribute, Text name1, Text name2, Text expression, int flag = 0,
             std::optional<int32_t> lvExtra = std::nullopt) {
        QueryRow row;
        row.attribute = attribute;
        row.name1 = std::move(name1);
        row.name2 = std::move(name2);
        row.expression = std::move(expression);
        row.flag = flag;
        row.lvExtra = lvExtra;
        rows_.push_back(std::move(row));
    }

    void type(int code, Text target = {}, const std::optional<sql::ExternalDatabase>& db = {}) {
        add(kTypeAttribute, std::move(target), db ? textOrNull(db->path) : Text(),
            db ? textOrNull(db->connect) : Text(), code);
    }

    void parameters(const std::vector<sql::ParameterDecl>& decls) {
        for (const sql::ParameterDecl& p : decls) {
            const std::optional<int> code = parameterTypeCode(p);
            if (!code) {
                unsupported("the parameter '" + p.name + "' of type " + p.typeWord +
                            " cannot be saved in a query");
            }
            std::optional<int32_t> size;
            if (p.size && *code == static_cast<int>(DataType::Text)) size = *p.size;
            add(kParameterAttribute, p.name, {}, {}, *code, size);
        }
    }

    // The flags row; `always` for the kinds Access writes it for even when
    // no bit is set.
    void flags(int bits, Text top, bool always) {
        if (bits != 0 || always) add(kFlagsAttribute, std::move(top), {}, {}, bits);
    }

    // Flags of a SELECT: predicate, TOP, a bare '*' among the columns, and
    // the owner-access option of the statement.
    static int selectFlags(const sql::SelectCore& core, bool ownerAccess) {
        int bits = ownerAccess ? kOwnerAccess : 0;
        if (core.predicate == sql::SelectPredicate::Distinct) bits |= kDistinct;
        if (core.predicate == sql::SelectPredicate::DistinctRow) bits |= kDistinctRow;
        if (core.top) bits |= kTop | (core.top->percent ? kPercent : 0);
        for (const sql::SelectItem& item : core.items) {
            if (isBareStar(*item.expr)) bits |= kOutputAllFields;
        }
        return bits;
    }

    static Text selectTop(const sql::SelectCore& core) {
        return core.top ? Text(topText(core.top->count)) : Text();
    }

    static bool isBareStar(const sql::Expr& e) {
        return e.kind == sql::ExprKind::Star && e.names.empty();
    }

    // The output columns of a SELECT; a bare '*' is a flag, not a row.
    void columns(const std::vector<sql::SelectItem>& items, int flag = 0) {
        for (const sql::SelectItem& item : items) {
            if (isBareStar(*item.expr)) continue;
            add(kColumnAttribute, textOrNull(item.alias), {}, text(*item.expr), flag);
        }
    }

    void sources(const std::vector<sql::TableRefPtr>& from) {
        std::vector<const sql::TableRef*> refs;
        for (const sql::TableRefPtr& ref : from) refs.push_back(ref.get());
        sources(refs);
    }

    void sources(const std::vector<const sql::TableRef*>& from) {
        const sql::ExternalDatabase* remote = nullptr;
        for (const sql::TableRef* ref : from) tables(*ref, remote);
        if (remote) {
            add(kRemoteDatabaseAttribute, textOrNull(remote->path), {},
                textOrNull(remote->connect));
        }
        for (const sql::TableRef* ref : from) joins(*ref);
    }

    void where(const sql::ExprPtr& condition) {
        if (condition) add(kWhereAttribute, {}, {}, text(*condition));
    }

    void groupBy(const std::vector<sql::ExprPtr>& keys, int flag = 0) {
        for (const sql::ExprPtr& key : keys) add(kGroupByAttribute, {}, {}, text(*key), flag);
    }

    void having(const sql::ExprPtr& condition) {
        if (condition) add(kHavingAttribute, {}, {}, text(*condition));
    }

    void orderBy(const std::vector<sql::OrderItem>& items) {
        for (const sql::OrderItem& item : items) {
            add(kOrderByAttribute, item.descending ? Text(kDescending) : Text(), {},
                text(*item.expr));
        }
    }

    // FROM, WHERE, GROUP BY and HAVING of one SELECT.
    void clauses(const sql::SelectCore& core) {
        sources(core.from);
        where(core.where);
        groupBy(core.groupBy);
        having(core.having);
    }

    // The rows between the start and end rows, in attribute order, each
    // attribute's rows numbered from 1 in the order they were added.
    std::vector<QueryRow> finish() {
        add(kStartAttribute, {}, {}, {});
        add(kEndAttribute, {}, {}, {});
        std::stable_sort(rows_.begin(), rows_.end(), [](const QueryRow& a, const QueryRow& b) {
            return a.attribute < b.attribute;
        });
        for (size_t i = 0; i < rows_.size(); ++i) {
            const bool sameAttribute = i > 0 && rows_[i - 1].attribute == rows_[i].attribute;
            rows_[i].order = sameAttribute ? rows_[i - 1].order + 1 : 1;
        }
        return std::move(rows_);
    }

private:
    // The name a join row uses for a table: its alias, else its name.
    static std::string keyOf(const sql::TableRef& ref) {
        return ref.alias.empty() ? ref.name : ref.alias;
    }

    static void leaves(const sql::TableRef& ref, std::vector<const sql::TableRef*>& out) {
        if (ref.kind == sql::TableRef::Kind::Join) {
            leaves(*ref.left, out);
            leaves(*ref.right, out);
        } else {
            out.push_back(&ref);
        }
    }

    // One table row per table or subquery, left to right.
    void tables(const sql::TableRef& ref, const sql::ExternalDatabase*& remote) {
        std::vector<const sql::TableRef*> all;
        leaves(ref, all);
        for (const sql::TableRef* leaf : all) {
            if (leaf->kind == sql::TableRef::Kind::Subquery) {
                add(kTableAttribute, {}, textOrNull(leaf->alias), subqueryText(*leaf));
                continue;
            }
            add(kTableAttribute, leaf->name, textOrNull(leaf->alias), {});
            if (leaf->database && !remote) remote = &*leaf->database;
        }
    }

    // The text inside the parentheses of a subquery in FROM, as written,
    // a ';' before the closing parenthesis included; for Access 97's
    // [SELECT ...]. form, the text inside the brackets.
    std::string subqueryText(const sql::TableRef& ref) const {
        const size_t open = ref.range.offset;
        if (open < sql_.size() && sql_[open] == '[') {
            const size_t close = sql_.find(']', open);
            return std::string(sql_.substr(open + 1, close - open - 1));
        }
        size_t close = ref.subquery->range.end();
        while (close < sql_.size() && sql_[close] != ')') ++close;
        return std::string(sql_.substr(open + 1, close - open - 1));
    }

    // Join rows, inner joins first, so that replaying them in stored order
    // nests the joins as written (stored_query_from.h).
    void joins(const sql::TableRef& ref) {
        if (ref.kind != sql::TableRef::Kind::Join) return;
        joins(*ref.left);
        joins(*ref.right);
        int type = kInnerJoin;
        if (ref.joinType == sql::JoinType::Left) type = kLeftJoin;
        if (ref.joinType == sql::JoinType::Right) type = kRightJoin;
        // "ON (a) AND (b)" is one row per condition, as Access stores the
        // fields of a join, each naming the tables it uses; they read back
        // newest first.
        const std::vector<Conjunct> conditions = conjuncts(*ref.condition);
        for (auto it = conditions.rbegin(); it != conditions.rend(); ++it) {
            add(kJoinAttribute, joinSideName(*ref.left, *it->expr),
                joinSideName(*ref.right, *it->expr), it->text, type);
        }
    }

    // The table a join row names for one side: the first table of that side
    // the condition refers to, else the side's first table.
    std::string joinSideName(const sql::TableRef& side, const sql::Expr& condition) const {
        std::vector<const sql::TableRef*> all;
        leaves(side, all);
        std::vector<std::string> keys;
        for (const sql::TableRef* leaf : all) {
            if (!keyOf(*leaf).empty()) keys.push_back(keyOf(*leaf));
        }
        if (keys.empty()) {
            unsupported("a join side without a name (a subquery needs an alias) cannot be saved");
        }
        if (std::optional<std::string> used = firstQualifierIn(condition, keys)) return *used;
        return keys.front();
    }

    static std::optional<std::string> firstQualifierIn(const sql::Expr& e,
                                                       const std::vector<std::string>& keys) {
        if (e.kind == sql::ExprKind::Column) {
            const std::string qualifier = e.qualifier();
            for (const std::string& key : keys) {
                if (!qualifier.empty() && sameName(qualifier, key)) return key;
            }
        }
        for (const sql::ExprPtr& operand : e.operands) {
            if (auto found = firstQualifierIn(*operand, keys)) return found;
        }
        return std::nullopt;
    }

    struct Conjunct {
        const sql::Expr* expr;
        std::string text;
    };

    // The conditions of "(a) AND (b) AND ...", each without its parentheses;
    // any other condition is one.
    std::vector<Conjunct> conjuncts(const sql::Expr& condition) const {
        std::vector<const sql::Expr*> parts;
        const sql::Expr* e = &condition;
        while (e->kind == sql::ExprKind::Binary && e->binaryOp == sql::BinaryOp::And &&
               !isWrappedInParentheses(text(*e))) {
            parts.push_back(e->operands[1].get());
            e = e->operands[0].get();
        }
        parts.push_back(e);
        const std::vector<Conjunct> whole{{&condition, text(condition)}};
        if (parts.size() < 2) return whole;
        std::vector<Conjunct> out;
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            const std::string part = text(**it);
            if (!isWrappedInParentheses(part)) return whole;
            out.push_back({*it, part.substr(1, part.size() - 2)});
        }
        return out;
    }

    std::string_view sql_;
    std::vector<QueryRow> rows_;
};

const sql::SelectCore& onlyPart(const sql::Query& q, const char* where) {
    if (q.parts.size() != 1)
        unsupported(std::string("a UNION inside ") + where + " cannot be saved");
    return q.parts.front();
}

QueryRowSet selectRows(RowBuilder& b, const sql::Statement& s, const sql::Query& q) {
    const sql::SelectCore& core = q.parts.front();
    const bool makeTable = core.into.has_value();
    b.type(makeTable ? kMakeTableType : kSelectType, makeTable ? Text(core.into->table) : Text(),
           makeTable ? core.into->database : std::nullopt);
    b.flags(RowBuilder::selectFlags(core, s.ownerAccess), RowBuilder::selectTop(core), true);
    b.columns(core.items);
    b.clauses(core);
    b.orderBy(q.orderBy);
    return {makeTable ? QueryKind::MakeTable : QueryKind::Select, b.finish()};
}

// The halves of a union: everything before the last UNION, and the last
// part; the reader puts the UNION keyword back between them.
QueryRowSet unionRows(RowBuilder& b, std::string_view sql, const sql::Statement& s,
                      const sql::Query& q) {
    for (const sql::SelectCore& part : q.parts) {
        if (part.into) unsupported("a UNION with SELECT ... INTO cannot be saved");
    }
    const size_t n = q.parts.size();
    const sql::SourceRange first = widenToParentheses(sql, q.parts.front().range);
    const sql::SourceRange lastOfFirst = widenToParentheses(sql, q.parts[n - 2].range);
    const sql::SourceRange second = widenToParentheses(sql, q.parts.back().range);
    b.type(kUnionType);
    int bits = kOutputAllFields | (s.ownerAccess ? kOwnerAccess : 0);
    if (!q.unionAll.back()) bits |= kDistinct;
    b.flags(bits, {}, true);
    b.add(kTableAttribute, {}, kUnionFirstPart,
          trimmed(sql.substr(first.offset, lastOfFirst.end() - first.offset)));
    b.add(kTableAttribute, {}, kUnionSecondPart, trimmed(sql.substr(second.offset, second.length)));
    b.orderBy(q.orderBy);
    return {QueryKind::Union, b.finish()};
}

QueryRowSet crosstabRows(RowBuilder& b, std::string_view sql, const sql::Statement& s,
                         const sql::CrosstabQuery& c) {
    const sql::SelectCore& core = onlyPart(c.select, "TRANSFORM");
    if (core.into) unsupported("a crosstab query cannot make a table");
    b.type(kCrosstabType);
    b.flags(RowBuilder::selectFlags(core, s.ownerAccess), RowBuilder::selectTop(core), false);
    b.add(kColumnAttribute, textOrNull(c.value.alias), {}, b.text(*c.value.expr), 0);
    b.columns(core.items, kCrosstabRowHeading);
    // Fixed column headings stay with the pivot text: PIVOT x IN (a, b).
    sql::SourceRange pivot = c.pivot->range;
    if (!c.pivotValues.empty()) {
        size_t close = c.pivotValues.back()->range.end();
        while (close < sql.size() && sql[close] != ')') ++close;
        pivot.length = std::min(close + 1, sql.size()) - pivot.offset;
    }
    b.add(kColumnAttribute, {}, {}, b.text(pivot), kCrosstabPivot);
    b.sources(core.from);
    b.where(core.where);
    b.groupBy(core.groupBy, kCrosstabRowHeading);
    b.add(kGroupByAttribute, {}, {}, b.text(*c.pivot), kCrosstabPivot);
    b.having(core.having);
    b.orderBy(c.select.orderBy);
    return {QueryKind::Crosstab, b.finish()};
}

constexpr const char* kValueCountMessage =
    "Number of query values and destination fields aren't the same.";

QueryRowSet appendRows(RowBuilder& b, const sql::Statement& s, const sql::InsertStatement& ins) {
    b.type(kAppendType, ins.table, ins.database);
    auto target = [&](size_t i) {
        return ins.columns.empty() ? Text() : Text(b.text(*ins.columns[i]));
    };
    if (!ins.select) {
        if (!ins.columns.empty() && ins.columns.size() != ins.values.size())
            throw Error(ErrorCode::InvalidArgument, kValueCountMessage);
        b.flags(s.ownerAccess ? kOwnerAccess : 0, {}, false);
        for (size_t i = 0; i < ins.values.size(); ++i) {
            b.add(kColumnAttribute, {}, target(i), b.text(*ins.values[i]), kAppendValue);
        }
        return {QueryKind::Append, b.finish()};
    }
    const sql::SelectCore& core = onlyPart(*ins.select, "INSERT INTO");
    if (core.into) unsupported("an append query cannot also make a table");
    const int bits = RowBuilder::selectFlags(core, s.ownerAccess);
    if (!ins.columns.empty() &&
        ((bits & kOutputAllFields) != 0 || core.items.size() != ins.columns.size()))
        throw Error(ErrorCode::InvalidArgument, kValueCountMessage);
    b.flags(bits, RowBuilder::selectTop(core), false);
    size_t i = 0;
    for (const sql::SelectItem& item : core.items) {
        if (RowBuilder::isBareStar(*item.expr)) continue;
        b.add(kColumnAttribute, textOrNull(item.alias), target(i++), b.text(*item.expr), 0);
    }
    b.clauses(core);
    b.orderBy(ins.select->orderBy);
    return {QueryKind::Append, b.finish()};
}

QueryRowSet updateRows(RowBuilder& b, const sql::Statement& s, const sql::UpdateStatement& u) {
    b.type(kUpdateType);
    int bits = s.ownerAccess ? kOwnerAccess : 0;
    if (u.predicate == sql::SelectPredicate::DistinctRow) bits |= kDistinctRow;
    b.flags(bits, {}, true);
    for (const sql::Assignment& a : u.assignments) {
        b.add(kColumnAttribute, {}, b.text(*a.column), b.text(*a.value), 0);
    }
    b.sources({u.target.get()});
    b.where(u.where);
    return {QueryKind::Update, b.finish()};
}

QueryRowSet deleteRows(RowBuilder& b, const sql::Statement& s, const sql::DeleteStatement& d) {
    b.type(kDeleteType);
    int bits = s.ownerAccess ? kOwnerAccess : 0;
    if (d.predicate == sql::SelectPredicate::DistinctRow) bits |= kDistinctRow;
    for (const sql::ExprPtr& t : d.targets) {
        if (RowBuilder::isBareStar(*t)) bits |= kOutputAllFields;
    }
    b.flags(bits, {}, true);
    for (const sql::ExprPtr& t : d.targets) {
        if (!RowBuilder::isBareStar(*t)) b.add(kColumnAttribute, {}, {}, b.text(*t), 0);
    }
    b.sources(d.from);
    b.where(d.where);
    return {QueryKind::Delete, b.finish()};
}

// Access keeps the statement of a data-definition or pass-through query as
// typed, ending in a NUL; a text that already ends in one keeps just it.
std::string withTrailingNul(std::string_view sql) {
    std::string out(sql);
    if (out.empty() || out.back() != '\0') out.push_back('\0');
    return out;
}

}  // namespace

QueryRowSet storedQueryRows(std::string_view sql) {
    const sql::Statement s = sql::parseStatement(sql);
    RowBuilder b(sql);
    switch (s.kind()) {
        case sql::StatementKind::CreateTable:
        case sql::StatementKind::AlterTable:
        case sql::StatementKind::DropTable:
        case sql::StatementKind::CreateIndex:
        case sql::StatementKind::DropIndex:
            b.add(kTypeAttribute, {}, {}, withTrailingNul(sql), kDataDefinitionType);
            return {QueryKind::DataDefinition, b.finish()};
        default:
            break;
    }
    b.parameters(s.parameters);
    switch (s.kind()) {
        case sql::StatementKind::Select: {
            const sql::Query& q = std::get<sql::Query>(s.body);
            return q.parts.size() > 1 ? unionRows(b, sql, s, q) : selectRows(b, s, q);
        }
        case sql::StatementKind::Crosstab:
            return crosstabRows(b, sql, s, std::get<sql::CrosstabQuery>(s.body));
        case sql::StatementKind::Insert:
            return appendRows(b, s, std::get<sql::InsertStatement>(s.body));
        case sql::StatementKind::Update:
            return updateRows(b, s, std::get<sql::UpdateStatement>(s.body));
        case sql::StatementKind::Delete:
            return deleteRows(b, s, std::get<sql::DeleteStatement>(s.body));
        default:
            unsupported("this statement cannot be saved as a query");
    }
}

QueryRowSet passThroughQueryRows(std::string_view connect, std::string_view sql) {
    RowBuilder b(sql);
    b.add(kTypeAttribute, std::string(connect), {}, withTrailingNul(sql), kPassThroughType);
    return {QueryKind::PassThrough, b.finish()};
}

int32_t objectFlagsForKind(QueryKind kind) {
    switch (kind) {
        case QueryKind::Crosstab:
            return kCrosstabObjectKind;
        case QueryKind::Delete:
            return kDeleteObjectKind;
        case QueryKind::Update:
            return kUpdateObjectKind;
        case QueryKind::Append:
            return kAppendObjectKind;
        case QueryKind::MakeTable:
            return kMakeTableObjectKind;
        case QueryKind::DataDefinition:
            return kDataDefinitionObjectKind;
        case QueryKind::PassThrough:
            return kPassThroughObjectKind;
        case QueryKind::Union:
            return kUnionObjectKind;
        default:
            return kSelectObjectKind;
    }
}

bool queryRowHasFlag(int attribute) {
    switch (attribute) {
        case kTableAttribute:
        case kWhereAttribute:
        case kHavingAttribute:
        case kOrderByAttribute:
        case kEndAttribute:
            return false;
        default:
            return true;
    }
}

}  // namespace jet
