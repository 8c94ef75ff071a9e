#include "jet/sql/executor/table_rules.h"

#include "jet/error.h"
#include "jet/format/property_blob.h"
#include "jet/sql/binder/binder.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/functions/value_ops.h"
#include "jet/sql/parser/lexer.h"
#include "jet/sql/parser/parser.h"
#include "jet/util/names.h"

namespace jet::sql {

// One default or rule, read once: a statement of one SELECT without FROM
// whose only column is the expression, so that the names in it become
// parameters the record's values are given as.
struct TableRules::Expression {
    std::string text;            // as stored, for messages
    std::string validationText;  // rules only
    std::string owner;           // "Table.Field" or "Table"
    Statement statement;
};

namespace {

bool startsComparison(const Token& t) {
    switch (t.kind) {
        case TokenKind::Equal:
        case TokenKind::NotEqual:
        case TokenKind::Less:
        case TokenKind::LessEqual:
        case TokenKind::Greater:
        case TokenKind::GreaterEqual:
            return true;
        case TokenKind::Word:
            return t.upper == "LIKE" || t.upper == "BETWEEN" || t.upper == "IN" || t.upper == "IS";
        default:
            return false;
    }
}

bool isLogicalWord(const Token& t) {
    return t.kind == TokenKind::Word && (t.upper == "AND" || t.upper == "OR" || t.upper == "XOR" ||
                                         t.upper == "EQV" || t.upper == "IMP");
}

std::string bracketed(std::string_view name) {
    return "[" + std::string(name) + "]";
}

// The expression text with Access's expression-service words the SQL
// parser does not know (Yes, No) spelt as it knows them and, for a field's
// rule, the field put in front of every comparison that leaves it out.
std::string completedText(std::string_view text, const std::string* field) {
    const std::vector<Token> tokens = tokenize(text);
    std::string out;
    size_t copied = 0;
    auto splice = [&](size_t at, size_t length, const std::string& with) {
        out.append(text.substr(copied, at - copied));
        out += with;
        copied = at + length;
    };
    int depth = 0;
    bool segmentStart = true;  // where an operand may begin without a left side
    bool betweenPending = false;
    for (size_t i = 0; i < tokens.size() && tokens[i].kind != TokenKind::End; ++i) {
        const Token& t = tokens[i];
        if (t.kind == TokenKind::Word && (t.upper == "YES" || t.upper == "NO") &&
            (i + 1 >= tokens.size() || tokens[i + 1].kind != TokenKind::LeftParen)) {
            splice(t.offset, t.length, t.upper == "YES" ? "True" : "False");
        }
        if (field && depth == 0 && segmentStart) {
            const bool negatedComparison = t.isWord("NOT") && i + 1 < tokens.size() &&
                                           startsComparison(tokens[i + 1]) &&
                                           !tokens[i + 1].isWord("IS");
            if (startsComparison(t) || negatedComparison) {
                splice(t.offset, 0, bracketed(*field) + " ");
            }
        }
        if (t.kind == TokenKind::LeftParen) {
            ++depth;
        } else if (t.kind == TokenKind::RightParen) {
            --depth;
        }
        if (depth == 0 && t.isWord("BETWEEN")) betweenPending = true;
        if (depth == 0 && isLogicalWord(t)) {
            if (betweenPending && t.upper == "AND") {
                betweenPending = false;
                segmentStart = false;
                continue;
            }
            segmentStart = true;
        } else if (!(segmentStart && t.isWord("NOT") && depth == 0 &&
                     !(i + 1 < tokens.size() && startsComparison(tokens[i + 1])))) {
            segmentStart = false;
        }
    }
    out.append(text.substr(copied));
    return out;
}

std::shared_ptr<TableRules::Expression> readExpression(std::string_view stored,
                                                              const std::string& owner,
                                                              const std::string* field,
                                                              bool isDefault) {
    std::string_view text = stored;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (isDefault && !text.empty() && text.front() == '=') text.remove_prefix(1);
    auto e = std::make_shared<TableRules::Expression>();
    e->text = std::string(stored);
    e->owner = owner;
    const std::string what = isDefault ? "default value" : "validation rule";
    try {
        Query query;
        SelectCore core;
        core.items.push_back(SelectItem{parseExpression(completedText(text, field)), ""});
        query.parts.push_back(std::move(core));
        e->statement.body = std::move(query);
    } catch (const Error& error) {
        throw Error(ErrorCode::InvalidArgument, "The " + what + " '" + e->text + "' set for '" +
                                                    owner + "' cannot be read: " + error.what());
    }
    return e;
}

Value evaluate(Database& db, const TableRules::Expression& e, const QueryParameters& parameters,
               const FunctionContext& functions, const char* what) {
    try {
        const auto bound = bindStatement(db, e.statement, parameters);
        const QueryResult result = executeBound(db, *bound, functions);
        if (result.rows.empty() || result.rows[0].values.empty()) return Value::null();
        return result.rows[0].values[0];
    } catch (const Error& error) {
        throw Error(error.code(), std::string("The ") + what + " '" + e.text + "' set for '" +
                                      e.owner + "' cannot be evaluated: " + error.what());
    }
}

PropertyBlob tablePropertiesOf(Database& db, const TableDef& def) {
    for (const CatalogObject* o : db.tables(true))
        if (o->tdefPage() == def.tdefPage && !o->properties.empty())
            return parsePropertyBlob(o->properties, isJet3(db.version()), db.codePage());
    return {};
}

std::string textProperty(const PropertyMap* map, const char* name) {
    if (!map) return {};
    const Property* p = map->find(name);
    if (!p || !p->value.is<std::string>()) return {};
    return p->value.as<std::string>();
}

bool isBlank(std::string_view s) {
    return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::string validationRuleMessage(std::string_view rule, std::string_view owner) {
    return "One or more values are prohibited by the validation rule '" + std::string(rule) +
           "' set for '" + std::string(owner) +
           "'. Enter a value that the expression for this field can accept.";
}

TableRules TableRules::forTable(Database& db, std::string_view table,
                                const FunctionContext& functions) {
    TableRules rules;
    rules.db_ = &db;
    rules.def_ = db.table(table);
    rules.functions_ = functions;
    const TableDef& def = *rules.def_;
    const PropertyBlob props = tablePropertiesOf(db, def);
    for (const jet::ColumnDef& c : def.columns) {
        const PropertyMap* map = props.forObject(c.name);
        const std::string owner = def.name + "." + c.name;
        const std::string defaultText = textProperty(map, "DefaultValue");
        rules.defaults_.push_back(
            isBlank(defaultText) ? nullptr : readExpression(defaultText, owner, nullptr, true));
        const std::string ruleText = textProperty(map, "ValidationRule");
        std::shared_ptr<Expression> rule;
        if (!isBlank(ruleText)) {
            rule = readExpression(ruleText, owner, &c.name, false);
            rule->validationText = textProperty(map, "ValidationText");
        }
        rules.fieldRules_.push_back(std::move(rule));
    }
    const PropertyMap* own = props.forObject("");
    const std::string tableRule = textProperty(own, "ValidationRule");
    if (!isBlank(tableRule)) {
        auto rule = readExpression(tableRule, def.name, nullptr, false);
        rule->validationText = textProperty(own, "ValidationText");
        rules.tableRule_ = std::move(rule);
    }
    return rules;
}

std::vector<Value> TableRules::newRow() const {
    std::vector<Value> row(def_->columns.size());
    for (size_t i = 0; i < defaults_.size(); ++i)
        if (defaults_[i]) row[i] = evaluate(*db_, *defaults_[i], {}, functions_, "default value");
    return row;
}

bool TableRules::hasDefaults() const {
    for (const auto& d : defaults_)
        if (d) return true;
    return false;
}

bool TableRules::hasValidation() const {
    if (tableRule_) return true;
    for (const auto& r : fieldRules_)
        if (r) return true;
    return false;
}

void TableRules::check(const std::vector<Value>& row) const {
    const TableDef& def = *def_;
    if (row.size() != def.columns.size())
        throw Error(ErrorCode::InvalidArgument, "a row of table '" + def.name + "' needs " +
                                                    std::to_string(def.columns.size()) +
                                                    " values, not " + std::to_string(row.size()));
    auto refuse = [](const Expression& rule, const Value& result) {
        const std::optional<bool> truth = truthOf(result);
        if (!truth || *truth) return;
        throw Error(ErrorCode::Constraint, rule.validationText.empty()
                                               ? validationRuleMessage(rule.text, rule.owner)
                                               : rule.validationText);
    };
    for (size_t i = 0; i < fieldRules_.size(); ++i) {
        if (!fieldRules_[i]) continue;
        QueryParameters parameters;
        parameters.named[def.columns[i].name] = row[i];
        refuse(*fieldRules_[i],
               evaluate(*db_, *fieldRules_[i], parameters, functions_, "validation rule"));
    }
    if (tableRule_) {
        QueryParameters parameters;
        for (size_t i = 0; i < row.size(); ++i) parameters.named[def.columns[i].name] = row[i];
        refuse(*tableRule_, evaluate(*db_, *tableRule_, parameters, functions_, "validation rule"));
    }
}

}  // namespace jet::sql
