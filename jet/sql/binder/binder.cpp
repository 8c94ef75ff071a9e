// Binding queries: FROM sources, the select list and its column names,
// grouping, ORDER BY and UNION.
#include "jet/sql/binder/binder.h"

#include <map>

#include "jet/catalog/linked_table.h"
#include "jet/catalog/stored_queries.h"
#include "jet/sql/binder/binder_internal.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/parser/parser.h"
#include "jet/util/names.h"

namespace jet::sql {
namespace detail {
namespace {

// A stored query that reads itself, directly or not, would never end.
constexpr int kMaxStoredQueryDepth = 50;

int storedSize(const jet::ColumnDef& column, bool jet3) {
    switch (column.type) {
        case DataType::Text:
            return jet3 ? column.length : column.length / 2;
        case DataType::Binary:
            return column.length;
        case DataType::Memo:
        case DataType::LongBinary:
        case DataType::Complex:
            return 0;
        default:
            return column.length;
    }
}

void collectAggregates(const Expr& expr, bool& found) {
    if (isAggregateCall(expr)) found = true;
    for (const auto& operand : expr.operands) {
        if (operand) collectAggregates(*operand, found);
    }
}

}  // namespace

void Binder::addDerivedSource(std::shared_ptr<BoundQuery> derived, const std::string& name,
                              BoundSelect& select) {
    BoundSource source;
    source.name = name;
    source.rowIdOffset = select.rowIdWidth;
    source.rowIdCount = derived->rowIdTables.size();
    if (derived->crosstab && !derived->crosstab->fixedHeadings) {
        source.materialized = std::make_shared<QueryResult>(executeBound(db_, *derived));
    }
    const auto& columns = source.materialized ? source.materialized->columns : derived->columns;
    for (const ResultColumn& column : columns) {
        SourceColumn c;
        c.name = column.name;
        c.info = column;
        if (c.info.rowIdSlot >= 0) c.info.rowIdSlot += static_cast<int>(source.rowIdOffset);
        source.columns.push_back(std::move(c));
    }
    source.derived = std::move(derived);
    source.columnOffset = select.rowWidth;
    select.rowWidth += source.columns.size();
    select.rowIdWidth += source.rowIdCount;
    select.sources.push_back(std::move(source));
}

void Binder::addNamedSource(const TableRef& ref, BoundSelect& select) {
    if (ref.database) {
        throw Error(ErrorCode::Unsupported, "Tables in another database (IN '" +
                                                ref.database->path + "') are not supported.");
    }
    const std::string name = ref.alias.empty() ? ref.name : ref.alias;
    const CatalogObject* object = db_.findObject(ref.name);
    if (!object) throw Error(ErrorCode::NotFound, missingObjectMessage(ref.name));
    if (object->type == static_cast<int16_t>(ObjectType::Query)) {
        if (storedQueryDepth_ >= kMaxStoredQueryDepth) {
            throw Error(ErrorCode::InvalidArgument,
                        "Circular reference caused by '" + object->name + "'.");
        }
        const QueryDefinition definition = readStoredQuery(db_, object->name);
        const Statement statement = parseStatement(definition.query.sql);
        const auto* crosstab = std::get_if<CrosstabQuery>(&statement.body);
        if (!statement.query() && !crosstab) {
            throw Error(ErrorCode::InvalidArgument,
                        "The query '" + object->name + "' does not return rows.");
        }
        ++storedQueryDepth_;
        std::shared_ptr<BoundQuery> derived;
        try {
            // A stored query sees only its own sources, never the caller's.
            derived = crosstab ? bindCrosstab(*crosstab) : bindQuery(*statement.query(), nullptr);
        } catch (...) {
            --storedQueryDepth_;
            throw;
        }
        --storedQueryDepth_;
        addDerivedSource(std::move(derived), name, select);
        return;
    }
    if (object->type == static_cast<int16_t>(ObjectType::LinkedTable)) {
        LinkedTable linked = openLinkedTable(db_, *object);
        addTableSource(linked.table, name, select, linked.database);
        return;
    }
    if (object->type != static_cast<int16_t>(ObjectType::Table)) {
        throw Error(ErrorCode::Unsupported, "Linked table '" + object->name + "' cannot be read.");
    }
    addTableSource(db_.table(object->name), name, select);
}

void Binder::addTableSource(std::shared_ptr<const TableDef> def, const std::string& name,
                            BoundSelect& select, std::shared_ptr<Database> linked) {
    const bool jet3 = isJet3((linked ? *linked : db_).version());
    BoundSource source;
    source.name = name;
    source.table = def;
    source.database = std::move(linked);
    source.columnOffset = select.rowWidth;
    source.rowIdOffset = select.rowIdWidth;
    source.rowIdCount = 1;
    for (const jet::ColumnDef& column : def->columns) {
        SourceColumn c;
        c.name = column.name;
        c.info.name = column.name;
        c.info.type = column.type;
        c.info.size = storedSize(column, jet3);
        c.info.updatable = !column.isAutoNumber() && !column.calculated;
        c.info.required = (column.flags & kColumnNullable) == 0 && !column.isAutoNumber();
        c.info.baseTable = def->name;
        c.info.baseColumn = column.name;
        c.info.rowIdSlot = static_cast<int>(source.rowIdOffset);
        source.columns.push_back(std::move(c));
    }
    select.rowWidth += source.columns.size();
    select.rowIdWidth += 1;
    select.sources.push_back(std::move(source));
}

std::unique_ptr<BoundJoin> Binder::bindFrom(const TableRef& ref, BoundSelect& select,
                                            Scope& scope) {
    auto node = std::make_unique<BoundJoin>();
    node->firstSource = select.sources.size();
    switch (ref.kind) {
        case TableRef::Kind::Table:
            addNamedSource(ref, select);
            node->source = static_cast<int>(select.sources.size() - 1);
            break;
        case TableRef::Kind::Subquery:
            addDerivedSource(bindQuery(*ref.subquery, nullptr), ref.alias, select);
            node->source = static_cast<int>(select.sources.size() - 1);
            break;
        case TableRef::Kind::Join:
            node->type = ref.joinType;
            node->left = bindFrom(*ref.left, select, scope);
            node->right = bindFrom(*ref.right, select, scope);
            break;
    }
    node->endSource = select.sources.size();
    if (ref.kind == TableRef::Kind::Join) {
        // The ON condition sees every source bound so far; the executor
        // evaluates it on rows whose later sources are still empty.
        node->condition = bindExpr(*ref.condition, scope, {nullptr, "JOIN operation"});
    }
    return node;
}

void Binder::bindSelect(const SelectCore& core, BoundSelect& select, BoundQuery& query,
                        Scope* outer, const std::vector<OrderItem>* orderBy) {
    if (core.into) {
        throw Error(ErrorCode::Unsupported, "SELECT ... INTO is not supported yet.");
    }
    select.predicate = core.predicate;
    select.top = core.top;
    Scope scope{&select, &query, outer, &core};
    for (const auto& ref : core.from) {
        auto node = bindFrom(*ref, select, scope);
        if (!select.from) {
            select.from = std::move(node);
            continue;
        }
        auto cross = std::make_unique<BoundJoin>();
        cross->cross = true;
        cross->firstSource = select.from->firstSource;
        cross->endSource = node->endSource;
        cross->left = std::move(select.from);
        cross->right = std::move(node);
        select.from = std::move(cross);
    }
    if (core.where) {
        if (containsAggregate(*core.where)) {
            throw Error(ErrorCode::Syntax, "Cannot have aggregate function in WHERE clause (" +
                                               exprText(*core.where) + ").");
        }
        select.where = bindExpr(*core.where, scope, {nullptr, "WHERE clause"});
    }

    bool hasAggregates = false;
    for (const auto& item : core.items) collectAggregates(*item.expr, hasAggregates);
    if (core.having) collectAggregates(*core.having, hasAggregates);
    if (orderBy) {
        for (const auto& o : *orderBy) collectAggregates(*o.expr, hasAggregates);
    }
    select.grouped = hasAggregates || !core.groupBy.empty() || core.having;
    std::vector<std::string> groupTexts;
    for (const auto& g : core.groupBy) {
        select.groupBy.push_back(bindExpr(*g, scope, {nullptr, "GROUP BY clause"}));
        groupTexts.push_back(foldName(exprText(*g)));
    }
    const AggregateTarget aggregates{select.grouped ? &select.aggregates : nullptr, "WHERE clause"};
    if (select.grouped) {
        for (const auto& item : core.items) {
            if (item.expr->kind == ExprKind::Star) {
                throw Error(ErrorCode::Syntax, "Cannot group on fields selected with '*'.");
            }
            checkGrouped(*item.expr, scope, groupTexts);
        }
        if (core.having) checkGrouped(*core.having, scope, groupTexts);
    }
    if (core.having) select.having = bindExpr(*core.having, scope, aggregates);

    // The select list. Columns named after a source column keep that name
    // unless two of them would clash; those are shown as Source.Column.
    struct Named {
        std::string sourceName;  // set for plain column references without alias
    };
    std::vector<Named> naming;
    int expressionNumber = 1000;
    for (const auto& item : core.items) {
        if (item.expr->kind == ExprKind::Star) {
            const std::string qualifier = item.expr->qualifier();
            bool any = false;
            for (const BoundSource& source : select.sources) {
                if (!qualifier.empty() && !sameName(source.name, qualifier)) continue;
                any = true;
                for (size_t c = 0; c < source.columns.size(); ++c) {
                    auto column = std::make_unique<BoundExpr>();
                    column->kind = BoundKind::Column;
                    column->column = source.columnOffset + c;
                    column->text = source.columns[c].name;
                    select.outputs.push_back(std::move(column));
                    select.outputTypeKnown.push_back(true);
                    ResultColumn info = source.columns[c].info;
                    info.name = source.columns[c].name;
                    query.columns.push_back(info);
                    naming.push_back({source.name});
                }
            }
            if (!any) {
                throw Error(ErrorCode::NotFound,
                            missingObjectMessage(qualifier.empty() ? "*" : qualifier));
            }
            continue;
        }
        BoundExprPtr bound = bindExpr(*item.expr, scope, aggregates);
        bool known = true;
        ResultColumn info = describe(*bound, select, &known);
        if (bound->kind != BoundKind::Column || bound->depth != 0) {
            info.updatable = false;
            info.required = false;
            info.baseTable.clear();
            info.baseColumn.clear();
            info.rowIdSlot = -1;
        }
        std::string sourceName;
        if (!item.alias.empty()) {
            info.name = item.alias;
        } else if (item.expr->kind == ExprKind::Column && bound->kind == BoundKind::Column) {
            info.name = item.expr->name();
            // "F.Value" names the values of multi-value column F.
            const auto& names = item.expr->names;
            if (names.size() >= 2 && bound->depth == 0 && isMultiValueSlot(select, bound->column)) {
                info.name = names[names.size() - 2] + "." + names.back();
            }
            for (const BoundSource& source : select.sources) {
                if (bound->depth == 0 && bound->column >= source.columnOffset &&
                    bound->column < source.columnOffset + source.columns.size()) {
                    sourceName = source.name;
                }
            }
        } else {
            info.name = "Expr" + std::to_string(expressionNumber++);
        }
        select.outputs.push_back(std::move(bound));
        select.outputTypeKnown.push_back(known);
        query.columns.push_back(info);
        naming.push_back({sourceName});
    }
    std::map<std::string, int> counts;
    for (const auto& c : query.columns) ++counts[foldName(c.name)];
    for (size_t i = 0; i < query.columns.size(); ++i) {
        if (!naming[i].sourceName.empty() && counts[foldName(query.columns[i].name)] > 1) {
            query.columns[i].name = naming[i].sourceName + "." + query.columns[i].name;
        }
    }

    if (core.predicate == SelectPredicate::DistinctRow) {
        for (const auto& c : query.columns) {
            if (c.rowIdSlot < 0) continue;
            bool seen = false;
            for (size_t s : select.distinctRowSlots)
                seen = seen || s == static_cast<size_t>(c.rowIdSlot);
            if (!seen) select.distinctRowSlots.push_back(static_cast<size_t>(c.rowIdSlot));
        }
    }
    if (select.grouped || core.predicate == SelectPredicate::Distinct) {
        for (auto& c : query.columns) c.updatable = false;
    }

    if (orderBy) {
        for (const auto& item : *orderBy) {
            BoundOrder order;
            order.descending = item.descending;
            if (select.grouped) checkGrouped(*item.expr, scope, groupTexts);
            // A name that is no source column may be a result column's alias.
            order.expr = bindExpr(*item.expr, scope, aggregates);
            // DISTINCT rows have no values of their own to sort by: the
            // ORDER BY item must be an output, as written or as the same
            // column ([Country] for Customers.Country, as Access saves it).
            if (core.predicate == SelectPredicate::Distinct) {
                const std::string text = foldName(exprText(*item.expr));
                bool listed = false;
                for (const auto& selected : core.items) {
                    listed = listed || selected.expr->kind == ExprKind::Star ||
                             foldName(exprText(*selected.expr)) == text ||
                             (!selected.alias.empty() && foldName(selected.alias) == text);
                }
                if (order.expr->kind == BoundKind::Column) {
                    for (const auto& output : select.outputs) {
                        listed = listed || (output->kind == BoundKind::Column &&
                                            output->depth == order.expr->depth &&
                                            output->column == order.expr->column);
                    }
                }
                if (!listed) {
                    throw Error(ErrorCode::Syntax, "ORDER BY clause (" + exprText(*item.expr) +
                                                       ") conflicts with DISTINCT.");
                }
            }
            query.orderBy.push_back(std::move(order));
        }
    }
}

std::shared_ptr<BoundQuery> Binder::bindQuery(const Query& query, Scope* outer) {
    auto bound = std::make_shared<BoundQuery>();
    const bool single = query.parts.size() == 1;
    bound->parts.resize(query.parts.size());
    bound->unionAll = query.unionAll;
    bound->unionAll.resize(query.parts.size() > 0 ? query.parts.size() - 1 : 0, false);
    std::vector<std::vector<ResultColumn>> partColumns;
    for (size_t i = 0; i < query.parts.size(); ++i) {
        BoundQuery partQuery;
        bindSelect(query.parts[i], bound->parts[i], single ? *bound : partQuery, outer,
                   single ? &query.orderBy : nullptr);
        if (!single) {
            bound->correlated = bound->correlated || partQuery.correlated;
            partColumns.push_back(std::move(partQuery.columns));
        }
    }
    for (const auto& part : bound->parts) {
        for (const auto& source : part.sources) {
            if (source.table) {
                bound->rowIdTables.push_back(source.table->name);
            } else if (source.derived) {
                for (const auto& t : source.derived->rowIdTables) bound->rowIdTables.push_back(t);
            }
        }
    }
    if (single) return bound;

    for (size_t i = 1; i < partColumns.size(); ++i) {
        if (partColumns[i].size() != partColumns[0].size()) {
            throw Error(ErrorCode::InvalidArgument,
                        "The number of columns in the two selected tables or queries of a union "
                        "query do not match.");
        }
    }
    bound->columns = partColumns[0];
    for (auto& c : bound->columns) {
        c.updatable = false;
        c.rowIdSlot = -1;
    }
    // ORDER BY of a UNION names result columns.
    BoundSelect resultShape;
    BoundSource result;
    for (const auto& c : bound->columns) result.columns.push_back({c.name, c});
    resultShape.sources.push_back(std::move(result));
    resultShape.rowWidth = bound->columns.size();
    BoundQuery orderQuery;
    Scope scope{&resultShape, &orderQuery, nullptr};
    for (const auto& item : query.orderBy) {
        BoundOrder order;
        order.descending = item.descending;
        order.expr = bindExpr(*item.expr, scope, {nullptr, "ORDER BY clause"});
        bound->orderBy.push_back(std::move(order));
    }
    return bound;
}

}  // namespace detail

std::shared_ptr<BoundQuery> bindQuery(Database& db, const Query& query,
                                      const QueryParameters& parameters) {
    detail::Binder binder(db, parameters);
    return binder.bindQuery(query, nullptr);
}

std::shared_ptr<BoundQuery> bindStatement(Database& db, const Statement& statement,
                                          const QueryParameters& parameters) {
    const Query* query = statement.query();
    const auto* crosstab = std::get_if<CrosstabQuery>(&statement.body);
    if (!query && !crosstab) {
        throw Error(ErrorCode::Unsupported, "Only SELECT statements can be run so far.");
    }
    for (const auto& declared : statement.parameters) {
        bool given = false;
        for (const auto& [name, value] : parameters.named)
            given = given || detail::sameParameterName(name, declared.name);
        if (!given) {
            throw Error(ErrorCode::InvalidArgument,
                        "No value given for one or more required parameters.");
        }
    }
    if (crosstab) {
        detail::Binder binder(db, parameters);
        return binder.bindCrosstab(*crosstab);
    }
    return bindQuery(db, *query, parameters);
}

}  // namespace jet::sql
