#include "jet/sql/executor/schema_statement.h"

#include "jet/error.h"

namespace jet::sql {

void executeSchemaStatement(Database&, const Statement&) {
    throw Error(ErrorCode::Unsupported, "This statement is not supported yet.");
}

}  // namespace jet::sql
