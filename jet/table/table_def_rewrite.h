// The definition of a table changed in place: counts, the next auto-number
// and index roots are written back over the definition's own page chain. The
// definition is encoded again whole (jet/write/table_def_writer.h), so it is
// first checked that encoding the stored definition gives back the stored
// bytes: a definition the encoder would not reproduce is refused rather
// than rewritten with something else.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"

namespace jet {

class PageStore;

// Throws jet::Error (Unsupported) naming the table when encoding `stored`
// (as readTableDef gives it) does not reproduce the chain's bytes.
void requireFaithfulDefinition(PageStore& store, JetVersion v, const TableDef& stored,
                               uint16_t codePage);
// Writes `def` over its chain. Its stream must be as long as the stored
// one (only numbers change). Throws jet::Error (InvalidArgument) otherwise.
void rewriteDefinition(PageStore& store, JetVersion v, const TableDef& def, uint16_t codePage);

}  // namespace jet
