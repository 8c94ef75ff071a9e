// The binder's working state, shared by the files that bind queries,
// sources and expressions. Not for use outside the binder.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "jet/sql/binder/binder.h"

namespace jet::sql::detail {

// The names visible to an expression: one query's sources, and the
// enclosing query's scope for correlated subqueries.
struct Scope {
    BoundSelect* select = nullptr;
    BoundQuery* query = nullptr;
    Scope* outer = nullptr;
    // The SELECT as written, whose aliases a name may refer to; null where
    // there are none to refer to (the ORDER BY of a UNION).
    const SelectCore* core = nullptr;
};

// Where aggregates may appear while an expression is bound.
struct AggregateTarget {
    std::vector<BoundAggregate>* aggregates = nullptr;  // null: not allowed here
    const char* clause = "";  // for the message when not allowed ("WHERE clause", ...)
};

class Binder {
public:
    Binder(Database& db, const QueryParameters& parameters) : db_(db), parameters_(parameters) {}

    std::shared_ptr<BoundQuery> bindQuery(const Query& query, Scope* outer);
    std::shared_ptr<BoundQuery> bindCrosstab(const CrosstabQuery& crosstab);
    BoundExprPtr bindExpr(const Expr& expr, Scope& scope, const AggregateTarget& aggregates);
    // Type, size and origin of an output expression of `select`.
    ResultColumn describe(const BoundExpr& expr, const BoundSelect& select, bool* known) const;

private:
    void bindSelect(const SelectCore& core, BoundSelect& select, BoundQuery& query, Scope* outer,
                    const std::vector<OrderItem>* orderBy);
    std::unique_ptr<BoundJoin> bindFrom(const TableRef& ref, BoundSelect& select, Scope& scope);
    void addNamedSource(const TableRef& ref, BoundSelect& select);
    void addTableSource(std::shared_ptr<const TableDef> def, const std::string& name,
                        BoundSelect& select, std::shared_ptr<Database> linked = nullptr);
    void addDerivedSource(std::shared_ptr<BoundQuery> derived, const std::string& name,
                          BoundSelect& select);
    // A name as a column of a source, else a parameter.
    BoundExprPtr bindColumn(const Expr& expr, Scope& scope);
    // The column of a source (this query's or an outer one's) `expr` names;
    // null when there is none.
    BoundExprPtr findColumn(const Expr& expr, Scope& scope);
    // `T.Column.Value` of a multi-value column: the column's values table is
    // joined in (LEFT JOIN on the row's key, once per column and SELECT) and
    // the name is its value column, so the row comes once per value; null
    // when `expr` names no such thing.
    BoundExprPtr findMultiValue(const Expr& expr, Scope& scope);
    bool isMultiValueSlot(const BoundSelect& select, size_t slot) const;
    // A name that is no column may be the alias of an expression of the same
    // SELECT, which it then stands for; null when it is none.
    BoundExprPtr bindAlias(const Expr& expr, Scope& scope, const AggregateTarget& aggregates);
    BoundExprPtr parameterValue(const std::string& name);
    void checkGrouped(const Expr& expr, Scope& scope, const std::vector<std::string>& groupTexts);

    Database& db_;
    const QueryParameters& parameters_;
    int storedQueryDepth_ = 0;
    std::vector<const SelectItem*> aliasesInUse_;  // against an alias standing for itself
    // The values tables joined in for `.Value`: by SELECT and the owning
    // column's slot, the slot of the values column.
    std::map<std::pair<const BoundSelect*, size_t>, size_t> multiValueSlots_;
};

// Whether two names are the same parameter: without regard to case and to
// the brackets around their parts ("[Forms]![Dialog]![Start]" is
// "Forms![Dialog]!Start").
bool sameParameterName(std::string_view a, std::string_view b);

// The text of an expression for messages and for matching GROUP BY terms.
std::string exprText(const Expr& expr);
bool isAggregateCall(const Expr& expr);
bool containsAggregate(const Expr& expr);
// A pivot value as a column name; Null is shown as "<>", as Access does.
std::string crosstabHeading(const Value& value);

}  // namespace jet::sql::detail
