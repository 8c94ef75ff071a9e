// The names Access accepts for tables, queries, columns and indexes, checked
// before anything is written so that a file never holds a name Access itself
// would refuse. Every refusal is a jet::Error (InvalidArgument) carrying the
// message Access shows for the same mistake.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace jet {

// The longest name Access allows, counted in UTF-16 code units as Access
// counts characters.
inline constexpr size_t kMaxObjectNameLength = 64;

// Refuses an empty name, a name longer than 64 characters, a name starting
// with a blank, and one holding . ! ` [ ] or a control character (U+0000 to
// U+001F, U+007F), with "'X' isn't a valid name. ...".
void checkObjectName(std::string_view name);

// checkObjectName, then refuses a name already used by a table or a query
// (one name space, compared without regard to case): "Table 'X' already exists."
void checkNewTableName(std::string_view name,
                       std::span<const std::string> existingTablesAndQueries);

// The same for a query, in the words Access uses when a query is saved or
// renamed under a taken name: "Object 'X' already exists."
void checkNewQueryName(std::string_view name,
                       std::span<const std::string> existingTablesAndQueries);

// Checks every column name of a new table and that no two are the same
// without regard to case: "Field 'X' already exists in table 'T'."
void checkNewColumnNames(std::string_view table, std::span<const std::string> columns);

// Checks every index name of a table and that no two are the same without
// regard to case: "Table 'T' already has an index named 'X'."
void checkNewIndexNames(std::string_view table, std::span<const std::string> indexes);
// Only the second half: the names of the indexes Access makes for a
// relationship (".rC", "Table2Table1") follow no character rule, but share
// the table's index name space.
void checkDistinctIndexNames(std::string_view table, std::span<const std::string> indexes);

}  // namespace jet
