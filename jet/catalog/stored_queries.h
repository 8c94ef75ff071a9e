// Stored queries of a database: the rows of MSysQueries grouped by the
// query's catalogue id and turned into the SQL text Access shows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/stored_query.h"

namespace jet {

struct QueryDefinition {
    std::string name;
    // For a query whose rows cannot be read: the kind its catalogue flags
    // give, and no SQL text.
    StoredQuery query;
    // Why the query's rows cannot be read; empty when they can.
    std::string error;
};

// Every stored query in catalogue order, hidden ones ("~sq_...") included. A
// query whose rows cannot be read is listed with its error (one damaged query
// hides none of the others); throws only when MSysQueries itself cannot be
// read.
std::vector<QueryDefinition> readStoredQueries(Database& db);
// Every MSysQueries row, decoded and grouped by the owning query's object
// id, each group in stored order; empty when the file has no MSysQueries.
std::map<int32_t, std::vector<QueryRow>> readQueryRows(Database& db);

// One query by name (case-insensitive); jet::Error (NotFound) when there is
// none, and the query's own error (Corrupt) when its rows cannot be read.
QueryDefinition readStoredQuery(Database& db, std::string_view name);

}  // namespace jet
