// Stored queries as SQL text.
//
// Access does not keep a saved query's SQL. It keeps the query taken apart:
// one row of the system table MSysQueries per piece (the kind, each
// parameter, each source table, join, output column, the WHERE text, ...),
// all tied to the query's MSysObjects row by ObjectId. This file turns such a
// set of rows back into the SQL text Access shows in its SQL view.
//
// What a caller may rely on:
// - The same rows give the same text whatever the file version; nothing here
//   depends on Jet 3, Jet 4 or ACE.
// - Rows may come in any order across attributes. Rows of the same attribute
//   (the output columns, the joins, ...) are taken in the order of their
//   Order values (Access numbers them from 1), rows with equal Order values
//   in the order given.
// - Lines are separated by "\r\n", as in Access. Pass-through and
//   data-definition texts are returned exactly as stored, without a ';' added;
//   Access stores them with a trailing NUL character, and the NUL is kept so
//   that the text matches what Access shows and writes back unchanged.
// - Rows that cannot form a query throw jet::Error with ErrorCode::Corrupt and
//   a message naming the object id and the faulty piece. The function is pure:
//   no file access, safe to call from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace jet {

// One MSysQueries row, already decoded from the table.
struct QueryRow {
    int attribute = 0;  // which piece of the query the row describes (see stored_query_format.h)
    std::optional<std::string> expression;
    int flag = 0;  // the Flag column (a 16-bit integer); 0 when empty
    std::optional<std::string> name1, name2;
    int32_t objectId = 0;
    // The Order column (Binary): Access numbers the rows of each attribute
    // from 1 in four bytes, most significant first; read as that number, 0
    // when empty. Rows of one attribute are sorted by it, ties keeping their
    // given order.
    int order = 0;
    std::optional<int32_t> lvExtra;  // LvExtra (Jet 4 and later): the size of a Text parameter
};

enum class QueryKind {
    Select,
    Crosstab,
    Delete,
    Update,
    Append,
    MakeTable,
    Union,
    PassThrough,
    DataDefinition,
    Unknown
};

// "Select", "Crosstab", "Delete", "Update", "Append", "MakeTable", "Union",
// "PassThrough", "DataDefinition", "Unknown".
std::string queryKindName(QueryKind kind);

// The kind told by the Flags column of the query's MSysObjects row, for
// listing queries without reading MSysQueries. Plain select queries carry 0,
// as do unknown values; the type row of MSysQueries has the last word.
QueryKind queryKindFromObjectFlags(int32_t objectFlags);

struct StoredQuery {
    QueryKind kind = QueryKind::Unknown;
    // The SQL text; empty for QueryKind::Unknown (a kind this engine cannot show).
    std::string sql;
    // The PARAMETERS clause as (name, type text) pairs, e.g. ("User Name", "Text").
    std::vector<std::pair<std::string, std::string>> parameters;
    // The ODBC connect string of a pass-through query ("ODBC;DSN=..."), as stored.
    std::optional<std::string> connectString;
};

// Builds the query from the rows of one query (one ObjectId).
StoredQuery storedQueryFromRows(std::vector<QueryRow> rows);

}  // namespace jet
