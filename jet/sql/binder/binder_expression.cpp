// Binding expressions: column references, parameters, functions, aggregates
// and subqueries.
#include "jet/catalog/complex_columns.h"
#include "jet/sql/binder/binder_internal.h"
#include "jet/sql/parser/ast_printer.h"
#include "jet/util/names.h"

namespace jet::sql::detail {

std::string exprText(const Expr& expr) {
    return toSql(expr);
}

bool isAggregateCall(const Expr& expr) {
    return expr.kind == ExprKind::Function && aggregateKindOf(expr.name()).has_value();
}

bool containsAggregate(const Expr& expr) {
    if (isAggregateCall(expr)) return true;
    for (const auto& operand : expr.operands) {
        if (operand && containsAggregate(*operand)) return true;
    }
    return false;  // subqueries aggregate on their own
}

namespace {

const char* kNoParameterValue = "No value given for one or more required parameters.";

// Statements sent through a data connection take both kinds of wildcards.
LikeDialect dialectFor(LikeWildcards wildcards) {
    return wildcards == LikeWildcards::AccessAndAnsi ? LikeDialect::AccessAndAnsi
                                                     : LikeDialect::Access;
}

std::string joinedName(const Expr& expr) {
    std::string name = expr.names.empty() ? std::string() : expr.names[0];
    for (size_t i = 1; i < expr.names.size(); ++i) {
        name += i - 1 < expr.separators.size() ? expr.separators[i - 1] : '.';
        name += expr.names[i];
    }
    return name;
}

}  // namespace

bool sameParameterName(std::string_view a, std::string_view b) {
    auto unbracketed = [](std::string_view name) {
        std::string out;
        for (char c : name) {
            if (c != '[' && c != ']') out += c;
        }
        return out;
    };
    return sameName(unbracketed(a), unbracketed(b));
}

BoundExprPtr Binder::parameterValue(const std::string& name) {
    for (const auto& [key, value] : parameters_.named) {
        if (sameParameterName(key, name)) {
            auto bound = std::make_unique<BoundExpr>();
            bound->kind = BoundKind::Literal;
            bound->value = value;
            bound->text = name;
            return bound;
        }
    }
    throw Error(ErrorCode::InvalidArgument, kNoParameterValue);
}

BoundExprPtr Binder::bindColumn(const Expr& expr, Scope& scope) {
    if (BoundExprPtr column = findColumn(expr, scope)) return column;
    if (BoundExprPtr value = findMultiValue(expr, scope)) return value;
    return parameterValue(joinedName(expr));
}

BoundExprPtr Binder::bindAlias(const Expr& expr, Scope& scope, const AggregateTarget& aggregates) {
    if (expr.names.size() != 1 || !scope.core) return nullptr;
    for (const SelectItem& item : scope.core->items) {
        if (item.alias.empty() || !sameName(item.alias, expr.name())) continue;
        for (const SelectItem* inUse : aliasesInUse_) {
            if (inUse == &item) {
                throw Error(ErrorCode::Syntax, "Circular reference caused by alias '" + item.alias +
                                                   "' in query definition's SELECT list.");
            }
        }
        aliasesInUse_.push_back(&item);
        BoundExprPtr bound;
        try {
            bound = bindExpr(*item.expr, scope, aggregates);
        } catch (...) {
            aliasesInUse_.pop_back();
            throw;
        }
        aliasesInUse_.pop_back();
        return bound;
    }
    return nullptr;
}

BoundExprPtr Binder::findColumn(const Expr& expr, Scope& scope) {
    if (expr.names.size() <= 2) {
        const std::string qualifier = expr.qualifier();
        int depth = 0;
        for (Scope* s = &scope; s; s = s->outer, ++depth) {
            const BoundSelect& select = *s->select;
            const BoundSource* foundSource = nullptr;
            size_t found = 0;
            int matches = 0;
            for (const BoundSource& source : select.sources) {
                if (!qualifier.empty() && !sameName(source.name, qualifier)) continue;
                for (size_t c = 0; c < source.columns.size(); ++c) {
                    if (!sameName(source.columns[c].name, expr.name())) continue;
                    if (foundSource != &source) ++matches;
                    if (!foundSource) {
                        foundSource = &source;
                        found = source.columnOffset + c;
                    }
                }
            }
            if (matches > 1 && qualifier.empty()) {
                throw Error(ErrorCode::Syntax,
                            "The specified field '" + expr.name() +
                                "' could refer to more than one table listed in the FROM "
                                "clause of your SQL statement.");
            }
            if (foundSource) {
                // Every query between here and the one that owns the row
                // reads a row from outside itself.
                Scope* inner = &scope;
                for (int d = 0; d < depth; ++d, inner = inner->outer)
                    inner->query->correlated = true;
                auto bound = std::make_unique<BoundExpr>();
                bound->kind = BoundKind::Column;
                bound->column = found;
                bound->depth = depth;
                bound->text = joinedName(expr);
                return bound;
            }
        }
    }
    return nullptr;
}

BoundExprPtr Binder::findMultiValue(const Expr& expr, Scope& scope) {
    if (expr.names.size() < 2 || expr.names.size() > 3 || !sameName(expr.names.back(), "Value")) {
        return nullptr;
    }
    Expr owner;
    owner.kind = ExprKind::Column;
    owner.names.assign(expr.names.begin(), expr.names.end() - 1);
    BoundExprPtr column = findColumn(owner, scope);
    if (!column || column->depth != 0) return nullptr;
    BoundSelect& select = *scope.select;
    const BoundSource* ownerSource = nullptr;
    for (const BoundSource& source : select.sources) {
        if (column->column >= source.columnOffset &&
            column->column < source.columnOffset + source.columns.size()) {
            ownerSource = &source;
        }
    }
    if (!ownerSource || !ownerSource->table) return nullptr;
    const jet::ColumnDef& def =
        ownerSource->table->columns[column->column - ownerSource->columnOffset];
    if (def.type != DataType::Complex) return nullptr;
    const ComplexColumnReader complex(databaseOf(db_, *ownerSource), *ownerSource->table, def);
    if (complex.info().kind != ComplexKind::MultiValue || complex.info().valueColumns.empty()) {
        return nullptr;
    }

    const auto key = std::make_pair(static_cast<const BoundSelect*>(&select), column->column);
    auto found = multiValueSlots_.find(key);
    if (found == multiValueSlots_.end()) {
        const std::shared_ptr<const TableDef>& flat = complex.flatTable();
        const std::shared_ptr<Database> ownerDatabase = ownerSource->database;
        const std::string name = ownerSource->name + "." + def.name;
        const size_t index = select.sources.size();
        addTableSource(flat, name, select, ownerDatabase);
        const BoundSource& values = select.sources[index];
        auto slotOf = [&](const std::string& columnName) {
            for (size_t c = 0; c < values.columns.size(); ++c) {
                if (values.columns[c].name == columnName) return values.columnOffset + c;
            }
            throwCorrupt("the values table '" + flat->name + "' has no column " + columnName);
        };
        // LEFT JOIN: a row without values still comes once, its value Null.
        auto leaf = std::make_unique<BoundJoin>();
        leaf->source = static_cast<int>(index);
        leaf->firstSource = index;
        leaf->endSource = index + 1;
        auto condition = std::make_unique<BoundExpr>();
        condition->kind = BoundKind::Binary;
        condition->binaryOp = BinaryOp::Equal;
        auto keyColumn = std::make_unique<BoundExpr>();
        keyColumn->kind = BoundKind::Column;
        keyColumn->column = slotOf(complex.info().keyColumn);
        condition->operands.push_back(std::move(keyColumn));
        auto ownerColumn = std::make_unique<BoundExpr>();
        ownerColumn->kind = BoundKind::Column;
        ownerColumn->column = column->column;
        condition->operands.push_back(std::move(ownerColumn));
        auto node = std::make_unique<BoundJoin>();
        node->type = JoinType::Left;
        node->firstSource = select.from ? select.from->firstSource : 0;
        node->endSource = index + 1;
        node->left = std::move(select.from);
        node->right = std::move(leaf);
        node->condition = std::move(condition);
        select.from = std::move(node);
        found = multiValueSlots_.emplace(key, slotOf(complex.info().valueColumns[0])).first;
    }
    auto bound = std::make_unique<BoundExpr>();
    bound->kind = BoundKind::Column;
    bound->column = found->second;
    bound->text = joinedName(expr);
    return bound;
}

bool Binder::isMultiValueSlot(const BoundSelect& select, size_t slot) const {
    for (const auto& [key, valueSlot] : multiValueSlots_) {
        if (key.first == &select && valueSlot == slot) return true;
    }
    return false;
}

BoundExprPtr Binder::bindExpr(const Expr& expr, Scope& scope, const AggregateTarget& aggregates) {
    auto bound = std::make_unique<BoundExpr>();
    auto bindOperands = [&](const AggregateTarget& target) {
        for (const auto& operand : expr.operands) {
            bound->operands.push_back(bindExpr(*operand, scope, target));
        }
    };
    auto bindSubquery = [&] {
        Scope* outer = &scope;
        bound->subquery = bindQuery(*expr.subquery, outer);
    };
    switch (expr.kind) {
        case ExprKind::Literal:
            bound->kind = BoundKind::Literal;
            bound->value = expr.value;
            return bound;
        case ExprKind::Column: {
            if (BoundExprPtr column = findColumn(expr, scope)) return column;
            if (BoundExprPtr value = findMultiValue(expr, scope)) return value;
            if (BoundExprPtr aliased = bindAlias(expr, scope, aggregates)) return aliased;
            // Yes and No (On and Off) are Access's words for True and False.
            if (expr.names.size() == 1) {
                const std::string word = foldName(expr.name());
                if (word == "yes" || word == "on" || word == "no" || word == "off") {
                    bound->kind = BoundKind::Literal;
                    bound->value = Value::boolean(word == "yes" || word == "on");
                    bound->text = expr.name();
                    return bound;
                }
            }
            return parameterValue(joinedName(expr));
        }
        case ExprKind::Star:
            throw Error(ErrorCode::Syntax,
                        "Syntax error in query expression '" + exprText(expr) + "'.");
        case ExprKind::Parameter:
            if (expr.parameterIndex < 0 ||
                static_cast<size_t>(expr.parameterIndex) >= parameters_.positional.size()) {
                throw Error(ErrorCode::InvalidArgument, kNoParameterValue);
            }
            bound->kind = BoundKind::Literal;
            bound->value = parameters_.positional[static_cast<size_t>(expr.parameterIndex)];
            return bound;
        case ExprKind::Unary:
            bound->kind = BoundKind::Unary;
            bound->unaryOp = expr.unaryOp;
            bindOperands(aggregates);
            return bound;
        case ExprKind::Binary:
            bound->kind = BoundKind::Binary;
            bound->binaryOp = expr.binaryOp;
            bindOperands(aggregates);
            return bound;
        case ExprKind::Between:
            bound->kind = BoundKind::Between;
            bound->negated = expr.negated;
            bindOperands(aggregates);
            return bound;
        case ExprKind::InList:
            bound->kind = BoundKind::InList;
            bound->negated = expr.negated;
            bindOperands(aggregates);
            return bound;
        case ExprKind::IsNull:
            bound->kind = BoundKind::IsNull;
            bound->negated = expr.negated;
            bindOperands(aggregates);
            return bound;
        case ExprKind::Like:
            bound->kind = BoundKind::Like;
            bound->negated = expr.negated;
            bindOperands(aggregates);
            if (bound->operands[1]->kind == BoundKind::Literal) {
                const Value& p = bound->operands[1]->value;
                bound->dialect = dialectFor(expr.wildcards);
                if (p.is<std::string>()) {
                    bound->pattern =
                        std::make_shared<LikePattern>(p.as<std::string>(), bound->dialect);
                }
            } else {
                bound->dialect = dialectFor(expr.wildcards);
            }
            return bound;
        case ExprKind::InSubquery:
            bound->kind = BoundKind::InSubquery;
            bound->negated = expr.negated;
            bindOperands(aggregates);
            bindSubquery();
            return bound;
        case ExprKind::Exists:
            bound->kind = BoundKind::Exists;
            bindSubquery();
            return bound;
        case ExprKind::Subquery:
            bound->kind = BoundKind::Subquery;
            bindSubquery();
            return bound;
        case ExprKind::Quantified:
            bound->kind = BoundKind::Quantified;
            bound->binaryOp = expr.binaryOp;
            bound->quantifier = expr.quantifier;
            bindOperands(aggregates);
            bindSubquery();
            return bound;
        case ExprKind::Function:
            break;
    }

    bound->text = exprText(expr);
    if (auto kind = aggregateKindOf(expr.name())) {
        if (!aggregates.aggregates) {
            throw Error(ErrorCode::Syntax, "Cannot have aggregate function in " +
                                               std::string(aggregates.clause) + " (" + bound->text +
                                               ").");
        }
        // Access reads DISTINCT inside an aggregate as a missing operator.
        if (expr.distinct) {
            throw Error(ErrorCode::Syntax, "Syntax error (missing operator) in query expression '" +
                                               bound->text + "'.");
        }
        if (expr.operands.size() != (expr.starArgument ? 0u : 1u)) {
            throw Error(ErrorCode::Syntax,
                        "Wrong number of arguments used with function in query expression '" +
                            bound->text + "'.");
        }
        BoundAggregate aggregate;
        aggregate.kind = expr.starArgument ? AggregateKind::CountRows : *kind;
        if (!expr.starArgument) {
            aggregate.argument = bindExpr(*expr.operands[0], scope, {nullptr, "expression"});
        }
        bound->kind = BoundKind::Aggregate;
        bound->column = aggregates.aggregates->size();
        aggregates.aggregates->push_back(std::move(aggregate));
        return bound;
    }
    const FunctionInfo& info = requireFunction(expr.name());
    checkArgumentCount(info, expr.operands.size(), bound->text);
    bound->function = &info;
    bound->kind =
        info.kind == FunctionKind::Conditional ? BoundKind::Conditional : BoundKind::Function;
    bindOperands(aggregates);
    return bound;
}

void Binder::checkGrouped(const Expr& expr, Scope& scope,
                          const std::vector<std::string>& groupTexts) {
    const std::string text = foldName(exprText(expr));
    for (const auto& g : groupTexts) {
        if (g == text) return;
    }
    if (isAggregateCall(expr)) return;
    if (expr.kind == ExprKind::Column) {
        BoundExprPtr bound;
        try {
            bound = bindColumn(expr, scope);
        } catch (const Error&) {
            return;  // a parameter; binding reports it
        }
        if (bound->kind == BoundKind::Column && bound->depth == 0) {
            throw Error(ErrorCode::Syntax,
                        "You tried to execute a query that does not include the specified "
                        "expression '" +
                            exprText(expr) + "' as part of an aggregate function.");
        }
        return;
    }
    for (const auto& operand : expr.operands) {
        if (operand) checkGrouped(*operand, scope, groupTexts);
    }
}

}  // namespace jet::sql::detail
