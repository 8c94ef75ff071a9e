// What Access applies to a record of a table beyond what the table editor
// checks, because it takes the expression evaluator: each field's
// DefaultValue for a new record, and the ValidationRule of each field and of
// the table, with their ValidationText. Anything that writes records (action
// statements, a recordset) asks here, so all refuse in the same words.
//
//   TableRules rules = TableRules::forTable(db, "Orders");
//   std::vector<Value> row = rules.newRow();  // defaults, else Null
//   ... fill in what the user gave ...
//   rules.check(row);                         // throws when a rule refuses
//
// What a caller may rely on:
// - A default is an expression ("0", "\"text\"", "Date()", "=Now()"; a
//   leading "=" is allowed; Yes and No read as True and False), evaluated
//   on every newRow(), so Now() gives the time of that call.
// - A field's rule may leave out the field before an operator (">0",
//   "Between 1 And 9", "Like \"A*\"", "<5 Or >10", "Is Not Null"), as in
//   Access; it sees only its own field. The table's rule names its fields.
// - A rule refuses a record only when it evaluates to False (or 0): Null
//   passes, as in Access. The refusal is jet::Error(Constraint) with the
//   rule's ValidationText, or when that is empty Access's own message:
//   "One or more values are prohibited by the validation rule '<rule>' set
//   for '<table>.<field>'. Enter a value that the expression for this field
//   can accept." ('<table>' alone for the table's rule). Field rules are
//   checked in column order, then the table's.
// - A default or rule that does not read or cannot be evaluated throws
//   jet::Error naming the table and field.
// - check() takes the values as they will be stored (converted to the
//   column types, see convertForColumn).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/functions/functions.h"
#include "jet/value.h"

namespace jet::sql {

class TableRules {
public:
    // The rules of local table `table` (without regard to case). Throws
    // jet::Error (NotFound) when there is no such table. `functions` gives
    // the clock for Date() and Now().
    static TableRules forTable(Database& db, std::string_view table,
                               const FunctionContext& functions = {});

    const TableDef& def() const { return *def_; }
    // One value per column: its default, else Null.
    std::vector<Value> newRow() const;
    // Whether any column has a default value.
    bool hasDefaults() const;
    // Throws as described above when a rule refuses `row` (one value per
    // column, in column order).
    void check(const std::vector<Value>& row) const;
    // Whether there is any rule to check.
    bool hasValidation() const;

    struct Expression;

private:
    TableRules() = default;

    Database* db_ = nullptr;
    std::shared_ptr<const TableDef> def_;
    FunctionContext functions_;
    // By column; null where the column has none.
    std::vector<std::shared_ptr<const Expression>> defaults_;
    std::vector<std::shared_ptr<const Expression>> fieldRules_;
    std::shared_ptr<const Expression> tableRule_;
};

// Access's message for a record a validation rule refuses that has no
// ValidationText; `owner` is "Table.Field" or, for a table's rule, "Table".
std::string validationRuleMessage(std::string_view rule, std::string_view owner);

}  // namespace jet::sql
