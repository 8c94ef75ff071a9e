// Stored queries of a database: the rows of MSysQueries grouped by the
// query's catalogue id and turned into the SQL text Access shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/sql/stored_query.h"

namespace jet {

struct QueryDefinition {
    std::string name;
    StoredQuery query;
};

// Every stored query in catalogue order, hidden ones ("~sq_...") included.
std::vector<QueryDefinition> readStoredQueries(Database& db);
// One query by name (case-insensitive); jet::Error (NotFound) when there is none.
QueryDefinition readStoredQuery(Database& db, std::string_view name);

}  // namespace jet
