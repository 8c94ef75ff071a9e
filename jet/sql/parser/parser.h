// Parsing Access SQL statements, single expressions, and the filter and sort
// texts of an open recordset.
//
// What a caller may rely on:
// - Every function is pure (no database access) and safe to call from any
//   thread. A refused text throws SyntaxError (a jet::Error with
//   ErrorCode::Syntax) carrying Access's message and the byte offset of the
//   place where reading stopped.
// - Keywords are read without regard to case; CR, LF and tab are white space;
//   one trailing ';' is allowed (anything after it is refused with
//   "Characters found after end of SQL statement.").
// - Operator precedence is Access's, tightest first: ^; unary - and +; * and /;
//   \; Mod; + and -; &; the comparisons (=, <>, <, >, <=, >=, Like, Between,
//   In, Is), all equal and read left to right; Not; And; Or; Xor; Eqv; Imp.
//   So -2^2 is -(2^2), a & b + c is a & (b + c), and Not a = b is Not (a = b).
//
// The filter text of a recordset is the expression language of a WHERE
// clause with these differences, matching the texts the program's filter
// builders write:
// - `F = NULL` and `F <> NULL` (any spacing, any case) are the tests
//   F IS NULL and F IS NOT NULL; IS [NOT] NULL is read as well.
// - In LIKE patterns both * and % stand for any run of characters.
// - A date may be written #m/d/yyyy [time]# or #yyyy-mm-dd [hh:nn:ss]#, or as
//   a quoted string in the one fixed format 'yyyy-mm-dd' or
//   'yyyy-mm-dd hh:nn:ss' (24-hour clock). The parser keeps a quoted string as
//   text; whoever compares it with a date column reads it with
//   parseFilterDate(), which accepts exactly that format. A GUID is written
//   as the quoted string '{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}'.
// - Field names are bare or in [ ]; true and false are the Boolean literals.
//
// The sort text is a comma-separated list of field names, bare or in [ ],
// each optionally followed by ASC or DESC: "NAME, [ORDER DATE] DESC". An
// empty (or blank) text is the empty list, meaning the natural order.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/error.h"
#include "jet/sql/parser/ast.h"

namespace jet::sql {

// A refused statement or expression: Access's message and where it stopped.
class SyntaxError : public Error {
public:
    SyntaxError(const std::string& message, size_t offset)
        : Error(ErrorCode::Syntax, message), offset_(offset) {}
    // Byte offset in the parsed text of the token where the error was found.
    size_t offset() const noexcept { return offset_; }

private:
    size_t offset_;
};

struct ParseOptions {
    // Statements sent through a data connection also take % and _ in LIKE.
    LikeWildcards likeWildcards = LikeWildcards::Access;
};

// One statement: SELECT (with UNION, INTO), TRANSFORM, INSERT, UPDATE, DELETE,
// CREATE/ALTER/DROP TABLE, CREATE/DROP INDEX, each optionally after a
// PARAMETERS declaration.
Statement parseStatement(std::string_view sql, const ParseOptions& options = {});

// One expression on its own, such as a stored query's column or condition
// text, a validation rule or a default value.
ExprPtr parseExpression(std::string_view text, const ParseOptions& options = {});

// A recordset filter text (see above); an empty or blank text is refused,
// callers switch filtering off instead.
ExprPtr parseFilterText(std::string_view text);

struct SortKey {
    std::string field;  // without brackets
    bool descending = false;
};

// A recordset sort text (see above).
std::vector<SortKey> parseSortText(std::string_view text);

// The date of a filter text's quoted date string, 'yyyy-mm-dd' or
// 'yyyy-mm-dd hh:nn:ss' (without the quotes), as Access's day count; nothing
// when the text is not exactly in that format or names no real date.
std::optional<double> parseFilterDate(std::string_view text);

}  // namespace jet::sql
