// Turns the engine's definition of a table (columns, indexes, the property
// set Access keeps beside them) into the Field and Index objects of the
// catalogue surface, with DAO's codes, sizes and defaults.
#pragma once

#include <memory>
#include <vector>

#include "db/dao_objects.h"
#include "jet/catalog/database.h"

namespace dao {

// The fields of the local table `table` in field order (by column number).
std::vector<std::shared_ptr<Field>> readTableFields(jet::Database& db,
                                                    const jet::CatalogObject& table);

// The indexes of the local table `table` in stored order. The helper indexes
// Access keeps on the referenced side of a relation (named ".r...", a name
// no user object may have) are not listed, as DAO does not list them.
std::vector<std::shared_ptr<Index>> readTableIndexes(jet::Database& db,
                                                     const jet::CatalogObject& table);

}  // namespace dao
