// Data definition: CREATE/ALTER/DROP TABLE, CREATE/DROP INDEX, and the column
// type words they share with PARAMETERS.
#include <array>
#include <charconv>

#include "jet/sql/parser/parser_internal.h"
#include "jet/sql/parser/type_words.h"

namespace jet::sql::detail {
namespace {

constexpr std::string_view kCreateTableMessage = "Syntax error in CREATE TABLE statement.";
constexpr std::string_view kFieldMessage = "Syntax error in field definition.";
constexpr std::string_view kConstraintMessage = "Syntax error in CONSTRAINT clause.";
constexpr std::string_view kAlterMessage = "Syntax error in ALTER TABLE statement.";
constexpr std::string_view kCreateIndexMessage = "Syntax error in CREATE INDEX statement.";
constexpr std::string_view kDropMessage = "Syntax error in DROP TABLE or DROP INDEX.";
constexpr std::string_view kDropIndexMessage = "Syntax error in DROP INDEX statement.";

struct TypeWord {
    std::string_view word;
    DataType type;
    bool autoIncrement;
};

// The type words of Access SQL DDL and of PARAMETERS declarations. INTEGER
// is a Long in Access SQL; SHORT and SMALLINT are the 16-bit Integer.
constexpr std::array<TypeWord, 58> kTypeWords{{
    {"TEXT", DataType::Text, false},
    {"CHAR", DataType::Text, false},
    {"CHARACTER", DataType::Text, false},
    {"VARCHAR", DataType::Text, false},
    {"ALPHANUMERIC", DataType::Text, false},
    {"STRING", DataType::Text, false},
    {"NCHAR", DataType::Text, false},
    {"NVARCHAR", DataType::Text, false},
    {"MEMO", DataType::Memo, false},
    {"LONGTEXT", DataType::Memo, false},
    {"LONGCHAR", DataType::Memo, false},
    {"NOTE", DataType::Memo, false},
    {"NTEXT", DataType::Memo, false},
    {"LONG", DataType::Long, false},
    {"INTEGER", DataType::Long, false},
    {"INT", DataType::Long, false},
    {"INTEGER4", DataType::Long, false},
    {"INT4", DataType::Long, false},
    {"SHORT", DataType::Integer, false},
    {"SMALLINT", DataType::Integer, false},
    {"INTEGER2", DataType::Integer, false},
    {"INT2", DataType::Integer, false},
    {"BYTE", DataType::Byte, false},
    {"TINYINT", DataType::Byte, false},
    {"INTEGER1", DataType::Byte, false},
    {"BIT", DataType::Boolean, false},
    {"YESNO", DataType::Boolean, false},
    {"BOOLEAN", DataType::Boolean, false},
    {"LOGICAL", DataType::Boolean, false},
    {"LOGICAL1", DataType::Boolean, false},
    {"COUNTER", DataType::Long, true},
    {"AUTOINCREMENT", DataType::Long, true},
    {"IDENTITY", DataType::Long, true},
    {"CURRENCY", DataType::Currency, false},
    {"MONEY", DataType::Currency, false},
    {"SINGLE", DataType::Single, false},
    {"REAL", DataType::Single, false},
    {"FLOAT4", DataType::Single, false},
    {"IEEESINGLE", DataType::Single, false},
    {"DOUBLE", DataType::Double, false},
    {"FLOAT", DataType::Double, false},
    {"FLOAT8", DataType::Double, false},
    {"NUMBER", DataType::Double, false},
    {"IEEEDOUBLE", DataType::Double, false},
    {"DATETIME", DataType::DateTime, false},
    {"DATE", DataType::DateTime, false},
    {"TIME", DataType::DateTime, false},
    {"TIMESTAMP", DataType::DateTime, false},
    {"BINARY", DataType::Binary, false},
    {"VARBINARY", DataType::Binary, false},
    {"OLEOBJECT", DataType::LongBinary, false},
    {"LONGBINARY", DataType::LongBinary, false},
    {"GENERAL", DataType::LongBinary, false},
    {"IMAGE", DataType::LongBinary, false},
    {"GUID", DataType::Guid, false},
    {"UNIQUEIDENTIFIER", DataType::Guid, false},
    {"DECIMAL", DataType::Numeric, false},
    {"NUMERIC", DataType::Numeric, false},
}};

}  // namespace

namespace {

int smallNumber(const Token& t, bool& ok) {
    int v = 0;
    const auto r = std::from_chars(t.text.data(), t.text.data() + t.text.size(), v);
    ok = t.kind == TokenKind::Number && r.ec == std::errc() &&
         r.ptr == t.text.data() + t.text.size() && v >= 0;
    return v;
}

}  // namespace

// Reads the parts of data definition that only DDL statements use.
class DdlReader {
public:
    explicit DdlReader(Parser& p) : p_(p) {}

    ColumnDef column(std::string_view message) {
        ColumnDef c;
        c.name = p_.name(message);
        c.type = type();
        for (;;) {
            if (p_.atWord("NOT") && p_.atWord("NULL", 1)) {
                p_.advance();
                p_.advance();
                c.notNull = true;
            } else if (p_.acceptWord("NULL")) {
                // explicitly nullable: the default
            } else if (p_.atWord("WITH") && (p_.atWord("COMPRESSION", 1) || p_.atWord("COMP", 1))) {
                p_.advance();
                p_.advance();
                c.compression = true;
            } else if (p_.acceptWord("DEFAULT")) {
                if (!p_.canStartExpression()) p_.fail(kFieldMessage);
                c.defaultValue = p_.item(true);
            } else if (p_.atWord("CONSTRAINT") || p_.atWord("PRIMARY") || p_.atWord("UNIQUE") ||
                       p_.atWord("REFERENCES") || p_.atWord("CHECK")) {
                c.constraints.push_back(constraint(false));
            } else {
                return c;
            }
        }
    }

    ColumnType type() {
        if (!p_.at(TokenKind::Word)) p_.fail(kFieldMessage);
        auto t = columnTypeForWord(p_.peek().upper);
        if (!t) p_.fail(kFieldMessage);
        p_.advance();
        if (t->type == DataType::Double && p_.acceptWord("PRECISION")) t->word = "DOUBLE";
        if (!p_.accept(TokenKind::LeftParen)) return *t;
        bool ok = false;
        const int first = smallNumber(p_.advance(), ok);
        if (!ok) p_.fail(kFieldMessage);
        std::optional<int> second;
        if (p_.accept(TokenKind::Comma)) {
            second = smallNumber(p_.advance(), ok);
            if (!ok) p_.fail(kFieldMessage);
        }
        if (!p_.accept(TokenKind::RightParen)) p_.fail(kFieldMessage);
        if (t->autoIncrement) {
            t->seed = first;
            t->increment = second.value_or(1);
        } else if (t->type == DataType::Numeric) {
            t->precision = first;
            t->scale = second.value_or(0);
        } else if (!second) {
            t->size = first;
        } else {
            p_.fail(kFieldMessage);
        }
        return *t;
    }

    // [CONSTRAINT name] PRIMARY KEY | UNIQUE | NOT NULL | REFERENCES ... |
    // FOREIGN KEY ... | CHECK (...); `table`: the constraint of a table,
    // naming its columns in parentheses.
    Constraint constraint(bool table) {
        Constraint c;
        if (p_.acceptWord("CONSTRAINT")) c.name = p_.name(kConstraintMessage);
        if (p_.acceptWord("PRIMARY")) {
            if (!p_.acceptWord("KEY")) p_.fail(kConstraintMessage);
            c.kind = ConstraintKind::PrimaryKey;
        } else if (p_.acceptWord("UNIQUE")) {
            c.kind = ConstraintKind::Unique;
        } else if (p_.atWord("NOT") && p_.atWord("NULL", 1)) {
            p_.advance();
            p_.advance();
            c.kind = ConstraintKind::NotNull;
        } else if (p_.acceptWord("FOREIGN")) {
            if (!table || !p_.acceptWord("KEY")) p_.fail(kConstraintMessage);
            c.kind = ConstraintKind::ForeignKey;
            if (p_.atWord("NO") && p_.atWord("INDEX", 1)) {
                p_.advance();
                p_.advance();
                c.noIndex = true;
            }
        } else if (p_.atWord("REFERENCES")) {
            if (table) p_.fail(kConstraintMessage);
            c.kind = ConstraintKind::ForeignKey;
        } else if (p_.acceptWord("CHECK")) {
            c.kind = ConstraintKind::Check;
            if (!p_.at(TokenKind::LeftParen)) p_.fail(kConstraintMessage);
            c.check = p_.item(true);
            return c;
        } else {
            p_.fail(kConstraintMessage);
        }
        if (table) c.columns = nameList(kConstraintMessage);
        if (c.kind == ConstraintKind::ForeignKey) {
            if (!p_.acceptWord("REFERENCES")) p_.fail(kConstraintMessage);
            c.referencedTable = p_.name(kConstraintMessage);
            if (p_.at(TokenKind::LeftParen)) c.referencedColumns = nameList(kConstraintMessage);
            while (p_.atWord("ON")) {
                p_.advance();
                const bool onUpdate = p_.acceptWord("UPDATE");
                if (!onUpdate && !p_.acceptWord("DELETE")) p_.fail(kConstraintMessage);
                ReferentialAction action = ReferentialAction::None;
                if (p_.acceptWord("CASCADE")) {
                    action = ReferentialAction::Cascade;
                } else if (p_.acceptWord("SET")) {
                    if (!p_.acceptWord("NULL")) p_.fail(kConstraintMessage);
                    action = ReferentialAction::SetNull;
                } else if (p_.acceptWord("NO")) {
                    if (!p_.acceptWord("ACTION")) p_.fail(kConstraintMessage);
                } else {
                    p_.fail(kConstraintMessage);
                }
                (onUpdate ? c.onUpdate : c.onDelete) = action;
            }
        }
        return c;
    }

    std::vector<std::string> nameList(std::string_view message) {
        if (!p_.accept(TokenKind::LeftParen)) p_.fail(message);
        std::vector<std::string> names;
        do {
            names.push_back(p_.name(message));
        } while (p_.accept(TokenKind::Comma));
        if (!p_.accept(TokenKind::RightParen)) p_.fail(message);
        return names;
    }

private:
    Parser& p_;
};

Statement::Body Parser::create() {
    advance();  // CREATE
    clause_ = kCreateTableMessage;
    DdlReader ddl(*this);
    const bool unique = acceptWord("UNIQUE");
    if (acceptWord("INDEX")) {
        clause_ = kCreateIndexMessage;
        CreateIndexStatement s;
        s.unique = unique;
        s.name = name(kCreateIndexMessage);
        if (!acceptWord("ON")) fail(kCreateIndexMessage);
        s.table = name(kCreateIndexMessage);
        if (!accept(TokenKind::LeftParen)) fail(kCreateIndexMessage);
        do {
            IndexColumn c;
            c.name = name(kCreateIndexMessage);
            if (acceptWord("DESC")) {
                c.descending = true;
            } else {
                acceptWord("ASC");
            }
            s.columns.push_back(std::move(c));
        } while (accept(TokenKind::Comma));
        if (!accept(TokenKind::RightParen)) fail(kCreateIndexMessage);
        if (acceptWord("WITH")) {
            if (acceptWord("PRIMARY")) {
                s.option = IndexOption::Primary;
            } else if (acceptWord("DISALLOW")) {
                if (!acceptWord("NULL")) fail(kCreateIndexMessage);
                s.option = IndexOption::DisallowNull;
            } else if (acceptWord("IGNORE")) {
                if (!acceptWord("NULL")) fail(kCreateIndexMessage);
                s.option = IndexOption::IgnoreNull;
            } else {
                fail(kCreateIndexMessage);
            }
        }
        return s;
    }
    if (unique || !acceptWord("TABLE")) fail(kCreateTableMessage);
    CreateTableStatement s;
    s.table = name(kCreateTableMessage);
    if (!accept(TokenKind::LeftParen)) fail(kCreateTableMessage);
    ++nesting_;
    do {
        if (atWord("CONSTRAINT") || (atWord("PRIMARY") && atWord("KEY", 1)) ||
            (atWord("UNIQUE") && at(TokenKind::LeftParen, 1)) || atWord("FOREIGN")) {
            s.constraints.push_back(ddl.constraint(true));
        } else {
            s.columns.push_back(ddl.column(kCreateTableMessage));
        }
    } while (accept(TokenKind::Comma));
    if (!accept(TokenKind::RightParen)) fail(kCreateTableMessage);
    --nesting_;
    if (s.columns.empty()) fail(kCreateTableMessage);
    return s;
}

AlterTableStatement Parser::alterTable() {
    advance();  // ALTER
    clause_ = kAlterMessage;
    DdlReader ddl(*this);
    AlterTableStatement s;
    if (!acceptWord("TABLE")) fail(kAlterMessage);
    s.table = name(kAlterMessage);
    if (acceptWord("ADD")) {
        if (atWord("CONSTRAINT") || (atWord("PRIMARY") && atWord("KEY", 1)) ||
            (atWord("UNIQUE") && at(TokenKind::LeftParen, 1)) || atWord("FOREIGN")) {
            s.action = AlterAction::AddConstraint;
            s.constraint = ddl.constraint(true);
        } else {
            acceptWord("COLUMN");
            s.action = AlterAction::AddColumn;
            s.column = ddl.column(kAlterMessage);
        }
    } else if (acceptWord("ALTER")) {
        acceptWord("COLUMN");
        s.action = AlterAction::AlterColumn;
        s.column = ddl.column(kAlterMessage);
    } else if (acceptWord("DROP")) {
        if (acceptWord("CONSTRAINT")) {
            s.action = AlterAction::DropConstraint;
        } else {
            acceptWord("COLUMN");
            s.action = AlterAction::DropColumn;
        }
        s.name = name(kAlterMessage);
    } else {
        fail(kAlterMessage);
    }
    return s;
}

Statement::Body Parser::drop() {
    advance();  // DROP
    clause_ = kDropMessage;
    if (acceptWord("TABLE")) {
        DropTableStatement s;
        s.table = name(kDropMessage);
        return s;
    }
    if (acceptWord("INDEX")) {
        clause_ = kDropIndexMessage;
        DropIndexStatement s;
        s.name = name(kDropIndexMessage);
        if (!acceptWord("ON")) fail(kDropIndexMessage);
        s.table = name(kDropIndexMessage);
        return s;
    }
    fail(kDropMessage);
}

}  // namespace jet::sql::detail

namespace jet::sql {

std::optional<ColumnType> columnTypeForWord(std::string_view upper) {
    if (upper == "DEC") upper = "DECIMAL";
    if (upper == "BIGINT") {
        ColumnType t;
        t.word = "BIGINT";
        t.type = DataType::BigInt;
        return t;
    }
    for (const auto& w : detail::kTypeWords) {
        if (w.word == upper) {
            ColumnType t;
            t.word = std::string(w.word);
            t.type = w.type;
            t.autoIncrement = w.autoIncrement;
            return t;
        }
    }
    return std::nullopt;
}

}  // namespace jet::sql
