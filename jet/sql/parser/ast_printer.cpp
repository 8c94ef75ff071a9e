#include "jet/sql/parser/ast_printer.h"

#include "jet/sql/parser/lexer.h"
#include "jet/value_text.h"

namespace jet::sql {
namespace {

constexpr int kPrimary = 100;

int binaryPrecedence(BinaryOp op) {
    switch (op) {
        case BinaryOp::Power:
            return 13;
        case BinaryOp::Multiply:
        case BinaryOp::Divide:
            return 11;
        case BinaryOp::IntDivide:
            return 10;
        case BinaryOp::Modulo:
            return 9;
        case BinaryOp::Add:
        case BinaryOp::Subtract:
            return 8;
        case BinaryOp::Concat:
            return 7;
        case BinaryOp::And:
            return 4;
        case BinaryOp::Or:
            return 3;
        case BinaryOp::Xor:
            return 2;
        case BinaryOp::Eqv:
            return 1;
        case BinaryOp::Imp:
            return 0;
        default:
            return 6;  // comparisons
    }
}

constexpr int kUnarySign = 12;
constexpr int kComparison = 6;
constexpr int kNot = 5;

std::string_view binaryText(BinaryOp op) {
    switch (op) {
        case BinaryOp::Power:
            return "^";
        case BinaryOp::Multiply:
            return "*";
        case BinaryOp::Divide:
            return "/";
        case BinaryOp::IntDivide:
            return "\\";
        case BinaryOp::Modulo:
            return "MOD";
        case BinaryOp::Add:
            return "+";
        case BinaryOp::Subtract:
            return "-";
        case BinaryOp::Concat:
            return "&";
        case BinaryOp::Equal:
            return "=";
        case BinaryOp::NotEqual:
            return "<>";
        case BinaryOp::Less:
            return "<";
        case BinaryOp::LessEqual:
            return "<=";
        case BinaryOp::Greater:
            return ">";
        case BinaryOp::GreaterEqual:
            return ">=";
        case BinaryOp::And:
            return "AND";
        case BinaryOp::Or:
            return "OR";
        case BinaryOp::Xor:
            return "XOR";
        case BinaryOp::Eqv:
            return "EQV";
        case BinaryOp::Imp:
            return "IMP";
    }
    return "?";
}

bool isNegativeNumber(const Value& v) {
    if (v.is<int64_t>()) return v.as<int64_t>() < 0;
    if (v.is<double>()) return v.as<double>() < 0;
    return false;
}

int precedence(const Expr& e) {
    switch (e.kind) {
        case ExprKind::Literal:
            return isNegativeNumber(e.value) ? kUnarySign : kPrimary;
        case ExprKind::Unary:
            return e.unaryOp == UnaryOp::Not ? kNot : kUnarySign;
        case ExprKind::Binary:
            return binaryPrecedence(e.binaryOp);
        case ExprKind::Between:
        case ExprKind::InList:
        case ExprKind::InSubquery:
        case ExprKind::IsNull:
        case ExprKind::Like:
        case ExprKind::Quantified:
            return kComparison;
        default:
            return kPrimary;
    }
}

std::string quoteText(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::string names(const Expr& e) {
    std::string out;
    for (size_t i = 0; i < e.names.size(); ++i) {
        if (i > 0) out += i - 1 < e.separators.size() ? e.separators[i - 1] : '.';
        out += quoteIdentifier(e.names[i]);
    }
    return out;
}

std::string externalDatabase(const std::optional<ExternalDatabase>& db) {
    if (!db) return {};
    std::string out = " IN '" + db->path + "'";
    if (!db->connect.empty()) out += " [" + db->connect + "]";
    return out;
}

std::string predicate(SelectPredicate p) {
    switch (p) {
        case SelectPredicate::Distinct:
            return "DISTINCT ";
        case SelectPredicate::DistinctRow:
            return "DISTINCTROW ";
        default:
            return {};
    }
}

class Printer {
public:
    explicit Printer(const PrintOptions& options) : opt_(options) {}

    // An expression standing on its own (a select column, a condition, an
    // argument): no parentheses around it.
    std::string expr(const Expr& e) const { return bare(e); }

    // An operand of an operation that binds with `minPrecedence`.
    std::string operand(const Expr& e, int minPrecedence) const {
        const int p = precedence(e);
        const bool wrap = p < minPrecedence || (opt_.explicitParentheses && p < kPrimary);
        return wrap ? "(" + bare(e) + ")" : bare(e);
    }

    std::string list(const std::vector<ExprPtr>& items, size_t from = 0) const {
        std::string out;
        for (size_t i = from; i < items.size(); ++i) {
            if (i > from) out += ", ";
            out += expr(*items[i]);
        }
        return out;
    }

    std::string query(const Query& q) const {
        std::string out;
        for (size_t i = 0; i < q.parts.size(); ++i) {
            if (i > 0) out += q.unionAll[i - 1] ? " UNION ALL " : " UNION ";
            out += select(q.parts[i]);
        }
        if (!q.orderBy.empty()) {
            out += " ORDER BY ";
            for (size_t i = 0; i < q.orderBy.size(); ++i) {
                if (i > 0) out += ", ";
                out += expr(*q.orderBy[i].expr);
                if (q.orderBy[i].descending) out += " DESC";
            }
        }
        return out;
    }

    std::string statement(const Statement& s) const {
        std::string out;
        if (!s.parameters.empty()) {
            out += "PARAMETERS ";
            for (size_t i = 0; i < s.parameters.size(); ++i) {
                const ParameterDecl& p = s.parameters[i];
                if (i > 0) out += ", ";
                out += quoteIdentifier(p.name) + " " + p.typeWord;
                if (p.size) out += " (" + std::to_string(*p.size) + ")";
            }
            out += "; ";
        }
        out += std::visit([this](const auto& body) { return this->body(body); }, s.body);
        if (s.ownerAccess) out += " WITH OWNERACCESS OPTION";
        return out;
    }

private:
    std::string bare(const Expr& e) const {
        switch (e.kind) {
            case ExprKind::Literal:
                return literalSql(e.value);
            case ExprKind::Column:
                return names(e);
            case ExprKind::Star:
                return e.names.empty() ? "*" : names(e) + ".*";
            case ExprKind::Parameter:
                return "?";
            case ExprKind::Unary: {
                const Expr& x = *e.operands[0];
                if (e.unaryOp == UnaryOp::Not) return "NOT " + operand(x, kNot);
                return (e.unaryOp == UnaryOp::Negate ? "-" : "+") + operand(x, kUnarySign);
            }
            case ExprKind::Binary: {
                const int p = binaryPrecedence(e.binaryOp);
                return operand(*e.operands[0], p) + " " + std::string(binaryText(e.binaryOp)) +
                       " " + operand(*e.operands[1], p + 1);
            }
            case ExprKind::Between:
                return operand(*e.operands[0], kComparison) + (e.negated ? " NOT" : "") +
                       " BETWEEN " + operand(*e.operands[1], kComparison + 1) + " AND " +
                       operand(*e.operands[2], kComparison + 1);
            case ExprKind::InList:
                return operand(*e.operands[0], kComparison) + (e.negated ? " NOT" : "") + " IN (" +
                       list(e.operands, 1) + ")";
            case ExprKind::InSubquery:
                return operand(*e.operands[0], kComparison) + (e.negated ? " NOT" : "") + " IN (" +
                       query(*e.subquery) + ")";
            case ExprKind::IsNull:
                return operand(*e.operands[0], kComparison) +
                       (e.negated ? " IS NOT NULL" : " IS NULL");
            case ExprKind::Like:
                return operand(*e.operands[0], kComparison) + (e.negated ? " NOT" : "") + " LIKE " +
                       operand(*e.operands[1], kComparison + 1);
            case ExprKind::Exists:
                return "EXISTS (" + query(*e.subquery) + ")";
            case ExprKind::Subquery:
                return "(" + query(*e.subquery) + ")";
            case ExprKind::Quantified:
                return operand(*e.operands[0], kComparison) + " " +
                       std::string(binaryText(e.binaryOp)) +
                       (e.quantifier == Quantifier::All ? " ALL (" : " ANY (") +
                       query(*e.subquery) + ")";
            case ExprKind::Function: {
                std::string out = e.name() + "(";
                if (e.starArgument) return out + "*)";
                if (e.distinct) out += "DISTINCT ";
                return out + list(e.operands) + ")";
            }
        }
        return {};
    }

    std::string select(const SelectCore& c) const {
        std::string out = "SELECT " + predicate(c.predicate);
        if (c.top) {
            out += "TOP " + formatDouble(c.top->count) + (c.top->percent ? " PERCENT " : " ");
        }
        for (size_t i = 0; i < c.items.size(); ++i) {
            if (i > 0) out += ", ";
            out += expr(*c.items[i].expr);
            if (!c.items[i].alias.empty()) out += " AS " + quoteIdentifier(c.items[i].alias);
        }
        if (c.into)
            out += " INTO " + quoteIdentifier(c.into->table) + externalDatabase(c.into->database);
        if (!c.from.empty()) out += " FROM " + sources(c.from);
        if (c.where) out += " WHERE " + expr(*c.where);
        if (!c.groupBy.empty()) out += " GROUP BY " + list(c.groupBy);
        if (c.having) out += " HAVING " + expr(*c.having);
        return out;
    }

    std::string sources(const std::vector<TableRefPtr>& from) const {
        std::string out;
        for (size_t i = 0; i < from.size(); ++i) {
            if (i > 0) out += ", ";
            out += source(*from[i]);
        }
        return out;
    }

    std::string source(const TableRef& t) const {
        std::string alias = t.alias.empty() ? "" : " AS " + quoteIdentifier(t.alias);
        switch (t.kind) {
            case TableRef::Kind::Table:
                return quoteIdentifier(t.name) + externalDatabase(t.database) + alias;
            case TableRef::Kind::Subquery:
                return "(" + query(*t.subquery) + ")" + alias;
            case TableRef::Kind::Join: {
                auto side = [this](const TableRef& s) {
                    return s.kind == TableRef::Kind::Join ? "(" + source(s) + ")" : source(s);
                };
                const char* type = t.joinType == JoinType::Inner  ? " INNER JOIN "
                                   : t.joinType == JoinType::Left ? " LEFT JOIN "
                                                                  : " RIGHT JOIN ";
                return side(*t.left) + type + side(*t.right) + " ON " + expr(*t.condition);
            }
        }
        return {};
    }

    std::string body(const Query& q) const { return query(q); }

    std::string body(const CrosstabQuery& c) const {
        std::string out = "TRANSFORM " + expr(*c.value.expr);
        if (!c.value.alias.empty()) out += " AS " + quoteIdentifier(c.value.alias);
        out += " " + query(c.select) + " PIVOT " + expr(*c.pivot);
        if (!c.pivotValues.empty()) out += " IN (" + list(c.pivotValues) + ")";
        return out;
    }

    std::string body(const InsertStatement& s) const {
        std::string out = "INSERT INTO " + quoteIdentifier(s.table) + externalDatabase(s.database);
        if (!s.columns.empty()) out += " (" + list(s.columns) + ")";
        if (s.select) return out + " " + query(*s.select);
        return out + " VALUES (" + list(s.values) + ")";
    }

    std::string body(const UpdateStatement& s) const {
        std::string out = "UPDATE " + predicate(s.predicate) + source(*s.target) + " SET ";
        for (size_t i = 0; i < s.assignments.size(); ++i) {
            if (i > 0) out += ", ";
            out += expr(*s.assignments[i].column) + " = " + expr(*s.assignments[i].value);
        }
        if (s.where) out += " WHERE " + expr(*s.where);
        return out;
    }

    std::string body(const DeleteStatement& s) const {
        std::string out = "DELETE " + predicate(s.predicate);
        if (!s.targets.empty()) out += list(s.targets) + " ";
        out += "FROM " + sources(s.from);
        if (s.where) out += " WHERE " + expr(*s.where);
        return out;
    }

    static std::string columnType(const ColumnType& t) {
        std::string out = t.word;
        if (t.size) out += "(" + std::to_string(*t.size) + ")";
        if (t.precision)
            out += "(" + std::to_string(*t.precision) + ", " + std::to_string(t.scale.value_or(0)) +
                   ")";
        if (t.seed)
            out += "(" + std::to_string(*t.seed) + ", " + std::to_string(t.increment.value_or(1)) +
                   ")";
        return out;
    }

    static std::string nameList(const std::vector<std::string>& names) {
        std::string out = "(";
        for (size_t i = 0; i < names.size(); ++i)
            out += (i > 0 ? ", " : "") + quoteIdentifier(names[i]);
        return out + ")";
    }

    static std::string action(ReferentialAction a) {
        return a == ReferentialAction::Cascade   ? "CASCADE"
               : a == ReferentialAction::SetNull ? "SET NULL"
                                                 : "NO ACTION";
    }

    std::string constraint(const Constraint& c) const {
        std::string out = c.name.empty() ? "" : "CONSTRAINT " + quoteIdentifier(c.name) + " ";
        const bool table = !c.columns.empty();
        switch (c.kind) {
            case ConstraintKind::PrimaryKey:
                out += "PRIMARY KEY";
                break;
            case ConstraintKind::Unique:
                out += "UNIQUE";
                break;
            case ConstraintKind::NotNull:
                out += "NOT NULL";
                break;
            case ConstraintKind::ForeignKey:
                if (table) out += c.noIndex ? "FOREIGN KEY NO INDEX" : "FOREIGN KEY";
                break;
            case ConstraintKind::Check:
                return out + "CHECK (" + expr(*c.check) + ")";
        }
        if (table) out += " " + nameList(c.columns);
        if (c.kind == ConstraintKind::ForeignKey) {
            out +=
                std::string(table ? " " : "") + "REFERENCES " + quoteIdentifier(c.referencedTable);
            if (!c.referencedColumns.empty()) out += " " + nameList(c.referencedColumns);
            if (c.onUpdate != ReferentialAction::None) out += " ON UPDATE " + action(c.onUpdate);
            if (c.onDelete != ReferentialAction::None) out += " ON DELETE " + action(c.onDelete);
        }
        return out;
    }

    std::string column(const ColumnDef& c) const {
        std::string out = quoteIdentifier(c.name) + " " + columnType(c.type);
        if (c.notNull) out += " NOT NULL";
        if (c.compression) out += " WITH COMPRESSION";
        if (c.defaultValue) out += " DEFAULT " + expr(*c.defaultValue);
        for (const Constraint& k : c.constraints) out += " " + constraint(k);
        return out;
    }

    std::string body(const CreateTableStatement& s) const {
        std::string out = "CREATE TABLE " + quoteIdentifier(s.table) + " (";
        bool first = true;
        for (const ColumnDef& c : s.columns) {
            out += (first ? "" : ", ") + column(c);
            first = false;
        }
        for (const Constraint& c : s.constraints) out += ", " + constraint(c);
        return out + ")";
    }

    std::string body(const AlterTableStatement& s) const {
        std::string out = "ALTER TABLE " + quoteIdentifier(s.table) + " ";
        switch (s.action) {
            case AlterAction::AddColumn:
                return out + "ADD COLUMN " + column(s.column);
            case AlterAction::AlterColumn:
                return out + "ALTER COLUMN " + column(s.column);
            case AlterAction::DropColumn:
                return out + "DROP COLUMN " + quoteIdentifier(s.name);
            case AlterAction::AddConstraint:
                return out + "ADD " + constraint(s.constraint);
            case AlterAction::DropConstraint:
                return out + "DROP CONSTRAINT " + quoteIdentifier(s.name);
        }
        return out;
    }

    std::string body(const DropTableStatement& s) const {
        return "DROP TABLE " + quoteIdentifier(s.table);
    }

    std::string body(const CreateIndexStatement& s) const {
        std::string out = std::string("CREATE ") + (s.unique ? "UNIQUE " : "") + "INDEX " +
                          quoteIdentifier(s.name) + " ON " + quoteIdentifier(s.table) + " (";
        for (size_t i = 0; i < s.columns.size(); ++i) {
            out += (i > 0 ? ", " : "") + quoteIdentifier(s.columns[i].name);
            if (s.columns[i].descending) out += " DESC";
        }
        out += ")";
        switch (s.option) {
            case IndexOption::Primary:
                return out + " WITH PRIMARY";
            case IndexOption::DisallowNull:
                return out + " WITH DISALLOW NULL";
            case IndexOption::IgnoreNull:
                return out + " WITH IGNORE NULL";
            case IndexOption::None:
                break;
        }
        return out;
    }

    std::string body(const DropIndexStatement& s) const {
        return "DROP INDEX " + quoteIdentifier(s.name) + " ON " + quoteIdentifier(s.table);
    }

    PrintOptions opt_;
};

bool isPlainWord(std::string_view name) {
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool letter =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0)) return false;
    }
    return true;
}

}  // namespace

std::string quoteIdentifier(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (isPlainWord(name) && !isReservedWord(upper)) return std::string(name);
    return "[" + std::string(name) + "]";
}

std::string literalSql(const Value& v) {
    if (v.is<std::string>()) return quoteText(v.as<std::string>());
    if (v.is<DateTimeValue>()) {
        std::string s = valueText(v);
        if (s.size() > 10 && s.compare(10, 9, " 00:00:00") == 0) s.resize(10);
        return "#" + s + "#";
    }
    if (isTextLike(v)) return quoteText(valueText(v));  // GUIDs, extended dates
    std::string s = valueText(
        v, {.null = "NULL", .falseText = "FALSE", .trueText = "TRUE", .binaryPrefix = "0x"});
    // Keep a whole Double a Double when read back.
    if (v.is<double>() && s.find_first_of(".eEni") == std::string::npos) s += ".0";
    return s;
}

std::string toSql(const Statement& statement, const PrintOptions& options) {
    return Printer(options).statement(statement);
}

std::string toSql(const Query& query, const PrintOptions& options) {
    return Printer(options).query(query);
}

std::string toSql(const Expr& expr, const PrintOptions& options) {
    return Printer(options).expr(expr);
}

}  // namespace jet::sql
