// The syntax tree of an Access SQL statement, as the parser builds it.
//
// The tree records what was written, not what it means: names are not
// resolved, a bare name may later turn out to be a column, a parameter or a
// stored query, and no types are checked. The binder works on this tree; the
// printer (ast_printer.h) turns it back into SQL text.
//
// What a caller may rely on:
// - Every expression and source carries the byte range of its text in the
//   parsed statement, so later errors ("Undefined function 'X' in
//   expression.", ...) can quote or point at it.
// - Names are stored without brackets and compared by callers without regard
//   to case, as Access does.
// - The tree owns all its nodes (unique_ptr); it is movable, not copyable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/value.h"

namespace jet::sql {

struct SourceRange {
    size_t offset = 0;  // byte offset in the parsed text
    size_t length = 0;
    size_t end() const { return offset + length; }
};

enum class UnaryOp { Negate, Plus, Not };

// In Access's order of precedence, tightest first, within each group.
enum class BinaryOp {
    Power,         // ^
    Multiply,      // *
    Divide,        // /
    IntDivide,     // \ (integer division)
    Modulo,        // Mod
    Add,           // +
    Subtract,      // -
    Concat,        // & (Null-safe concatenation)
    Equal,         // =
    NotEqual,      // <>
    Less,          // <
    LessEqual,     // <=
    Greater,       // >
    GreaterEqual,  // >=
    And,
    Or,
    Xor,
    Eqv,
    Imp,
};

// Which characters of a LIKE pattern are wildcards. Access's own: * ? # [a-z]
// [!x]. Statements sent through a data connection also take % and _ (as ANSI
// SQL does). A recordset filter text takes * and % for any run of characters.
enum class LikeWildcards { Access, AccessAndAnsi, Filter };

enum class Quantifier { Any, All };  // SOME is read as ANY

enum class ExprKind {
    Literal,     // value
    Column,      // names: qualifiers then the name (T.F, [Forms]![F]![C])
    Star,        // * or T.* in a select list; names holds the qualifier, if any
    Parameter,   // ? (parameterIndex counts from 0 in text order)
    Unary,       // unaryOp operands[0]
    Binary,      // operands[0] binaryOp operands[1]
    Between,     // operands[0] [NOT] BETWEEN operands[1] AND operands[2]
    InList,      // operands[0] [NOT] IN (operands[1..])
    InSubquery,  // operands[0] [NOT] IN (subquery)
    IsNull,      // operands[0] IS [NOT] NULL
    Like,        // operands[0] [NOT] LIKE operands[1], wildcards as `wildcards`
    Exists,      // [NOT] EXISTS (subquery) (NOT is read as a Unary Not around it)
    Subquery,    // (subquery) giving one value
    Quantified,  // operands[0] binaryOp ANY|ALL (subquery)
    Function,    // names[0](operands...), distinct, starArgument for Count(*)
};

struct Query;
struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
using QueryPtr = std::unique_ptr<Query>;

// One expression node; which members count depends on `kind` (see ExprKind).
struct Expr {
    ExprKind kind = ExprKind::Literal;
    SourceRange range;

    Value value;                     // Literal
    std::vector<std::string> names;  // Column, Star, Function
    std::string separators;          // Column: '.' or '!' between names (size = names - 1)
    int parameterIndex = 0;          // Parameter
    UnaryOp unaryOp = UnaryOp::Not;
    BinaryOp binaryOp = BinaryOp::Equal;  // Binary, Quantified
    Quantifier quantifier = Quantifier::Any;
    LikeWildcards wildcards = LikeWildcards::Access;
    bool negated = false;       // NOT BETWEEN, NOT IN, NOT LIKE, IS NOT NULL
    bool distinct = false;      // Function: Count(DISTINCT x)
    bool starArgument = false;  // Function: Count(*)
    std::vector<ExprPtr> operands;
    QueryPtr subquery;  // InSubquery, Exists, Subquery, Quantified

    // Column: the column's own name; Function: the function's name.
    const std::string& name() const { return names.back(); }
    // Column and Star: the table (or alias) part, "" when unqualified.
    std::string qualifier() const {
        if (kind == ExprKind::Star) return names.empty() ? std::string() : names.back();
        return names.size() >= 2 ? names[names.size() - 2] : std::string();
    }
};

// ---- Sources (FROM) ----------------------------------------------------

enum class JoinType { Inner, Left, Right };

// IN 'path' [connect] after a table name: a source or target in another file.
struct ExternalDatabase {
    std::string path;
    std::string connect;  // e.g. "dBASE IV;" or "MS Access;PWD=x"; "" when absent
};

struct TableRef;
using TableRefPtr = std::unique_ptr<TableRef>;

struct TableRef {
    enum class Kind { Table, Subquery, Join };
    Kind kind = Kind::Table;
    SourceRange range;

    // Table: a table or stored query by name, possibly in another file.
    std::string name;
    std::optional<ExternalDatabase> database;
    // Table and Subquery: the alias ("" when none).
    std::string alias;
    // Subquery: (SELECT ...) AS alias.
    QueryPtr subquery;
    // Join: left joinType JOIN right ON condition.
    JoinType joinType = JoinType::Inner;
    TableRefPtr left, right;
    ExprPtr condition;
};

// ---- SELECT ----------------------------------------------------------------

enum class SelectPredicate { All, Distinct, DistinctRow };

struct Top {
    double count = 0;  // rows, or a percentage with `percent`
    bool percent = false;
};

struct SelectItem {
    ExprPtr expr;       // may be a Star
    std::string alias;  // AS alias; "" when none
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

// SELECT ... INTO target [IN 'db'] (a make-table query).
struct IntoTarget {
    std::string table;
    std::optional<ExternalDatabase> database;
};

// One SELECT of a query (a UNION has several).
struct SelectCore {
    SourceRange range;
    SelectPredicate predicate = SelectPredicate::All;
    std::optional<Top> top;
    std::vector<SelectItem> items;  // never empty
    std::optional<IntoTarget> into;
    std::vector<TableRefPtr> from;  // comma-separated sources; empty without FROM
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
};

// A SELECT, or a chain of SELECTs joined by UNION [ALL], with the ORDER BY of
// the whole result.
struct Query {
    SourceRange range;
    std::vector<SelectCore> parts;  // at least one
    std::vector<bool> unionAll;     // between parts[i] and parts[i+1]: true for UNION ALL
    std::vector<OrderItem> orderBy;
};

// TRANSFORM value SELECT ... PIVOT pivot [IN (pivotValues)].
struct CrosstabQuery {
    SelectItem value;
    Query select;
    ExprPtr pivot;
    std::vector<ExprPtr> pivotValues;  // fixed column headings; empty when not given
};

// ---- Changing data -------------------------------------------------------

// INSERT INTO table [IN 'db'] [(columns)] VALUES (...) | SELECT ...
struct InsertStatement {
    std::string table;
    std::optional<ExternalDatabase> database;
    std::vector<ExprPtr> columns;  // Column expressions; empty means all, in order
    std::vector<ExprPtr> values;   // VALUES form
    QueryPtr select;               // SELECT form
};

struct Assignment {
    ExprPtr column;  // a Column expression
    ExprPtr value;
};

// UPDATE [DISTINCTROW] source SET column = value, ... [WHERE ...]
struct UpdateStatement {
    SelectPredicate predicate = SelectPredicate::All;
    TableRefPtr target;  // a table or a join
    std::vector<Assignment> assignments;
    ExprPtr where;
};

// DELETE [DISTINCTROW] [targets] FROM sources [WHERE ...]
struct DeleteStatement {
    SelectPredicate predicate = SelectPredicate::All;
    std::vector<ExprPtr> targets;  // *, T.*, or columns (ignored by Access); may be empty
    std::vector<TableRefPtr> from;
    ExprPtr where;
};

// ---- Data definition -----------------------------------------------------

struct ColumnType {
    std::string word;  // as written, upper case: "TEXT", "COUNTER", "DECIMAL", ...
    DataType type = DataType::Text;
    std::optional<int> size;       // TEXT(n), BINARY(n)
    std::optional<int> precision;  // DECIMAL(p, s)
    std::optional<int> scale;
    bool autoIncrement = false;  // COUNTER, AUTOINCREMENT, IDENTITY
    std::optional<int> seed;     // COUNTER(seed, increment)
    std::optional<int> increment;
};

enum class ReferentialAction { None, Cascade, SetNull };

enum class ConstraintKind { PrimaryKey, Unique, NotNull, ForeignKey, Check };

struct Constraint {
    std::string name;  // CONSTRAINT name; "" when unnamed
    ConstraintKind kind = ConstraintKind::PrimaryKey;
    // The constrained columns of a table constraint; empty on a column.
    std::vector<std::string> columns;
    // ForeignKey: REFERENCES table [(columns)] [ON UPDATE ...] [ON DELETE ...]
    std::string referencedTable;
    std::vector<std::string> referencedColumns;
    ReferentialAction onUpdate = ReferentialAction::None;
    ReferentialAction onDelete = ReferentialAction::None;
    bool noIndex = false;  // FOREIGN KEY NO INDEX
    ExprPtr check;         // Check
};

struct ColumnDef {
    std::string name;
    ColumnType type;
    bool notNull = false;
    bool compression = false;  // WITH COMPRESSION (Unicode compression of text)
    ExprPtr defaultValue;      // DEFAULT value
    std::vector<Constraint> constraints;
};

struct CreateTableStatement {
    std::string table;
    std::vector<ColumnDef> columns;
    std::vector<Constraint> constraints;
};

enum class AlterAction { AddColumn, AlterColumn, DropColumn, AddConstraint, DropConstraint };

struct AlterTableStatement {
    std::string table;
    AlterAction action = AlterAction::AddColumn;
    ColumnDef column;       // AddColumn, AlterColumn
    std::string name;       // DropColumn, DropConstraint
    Constraint constraint;  // AddConstraint
};

struct DropTableStatement {
    std::string table;
};

enum class IndexOption { None, Primary, DisallowNull, IgnoreNull };

struct IndexColumn {
    std::string name;
    bool descending = false;
};

struct CreateIndexStatement {
    std::string name;
    std::string table;
    bool unique = false;
    std::vector<IndexColumn> columns;
    IndexOption option = IndexOption::None;
};

struct DropIndexStatement {
    std::string name;
    std::string table;
};

// ---- Statement -------------------------------------------------------------

// PARAMETERS name type, ...;
struct ParameterDecl {
    std::string name;
    std::string typeWord;          // as written, e.g. "Text", "IEEEDouble", "Value"
    std::optional<DataType> type;  // none for Value (any type)
    std::optional<int> size;       // Text (n)
};

enum class StatementKind {
    Select,
    Crosstab,
    Insert,
    Update,
    Delete,
    CreateTable,
    AlterTable,
    DropTable,
    CreateIndex,
    DropIndex,
};

struct Statement {
    using Body = std::variant<Query, CrosstabQuery, InsertStatement, UpdateStatement,
                              DeleteStatement, CreateTableStatement, AlterTableStatement,
                              DropTableStatement, CreateIndexStatement, DropIndexStatement>;

    std::vector<ParameterDecl> parameters;
    Body body;
    bool ownerAccess = false;  // WITH OWNERACCESS OPTION

    // The kind follows the order of the alternatives of Body.
    StatementKind kind() const { return static_cast<StatementKind>(body.index()); }
    // SELECT (including SELECT ... INTO) and UNION: the query; else nullptr.
    const Query* query() const { return std::get_if<Query>(&body); }
};

}  // namespace jet::sql
