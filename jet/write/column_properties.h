// The property blob (LvProp) of a new table and the row rules that follow
// from its column properties. The properties are the ones a table made
// through DAO or DDL carries, with the types and DDL marks Access gives them:
//   Required         Boolean, DDL   every column
//   AllowZeroLength  Boolean, DDL   Text and Memo
//   UnicodeCompression Boolean, DDL Text and Memo from Jet 4 on (our columns
//                                   are compressed, see column_types.h)
//   DefaultValue     Memo, DDL      when set (Text in Jet 3 files)
//   ValidationRule   Text, DDL      when set
//   ValidationText   Text, DDL      when set
//   Description      Memo           when set, for columns and the table
// Access evaluates DefaultValue and ValidationRule itself; this engine stores
// them for Access and does not evaluate them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/property_blob.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_layout.h"

namespace jet {

// The properties of `spec` and its columns; maps without properties are
// left out, so a table without any gives an empty blob.
PropertyBlob newTablePropertyBlob(const TableSpec& spec, std::string_view tableDescription,
                                  JetVersion v);

// The same, encoded for the LvProp column of a file of version `v` whose text
// uses `codePage` (Jet 3). Throws jet::Error(InvalidArgument) for a text the
// code page cannot hold or one too long for the blob layout.
Blob encodeNewTableProperties(const TableSpec& spec, std::string_view tableDescription,
                              JetVersion v, uint16_t codePage);

// Required and AllowZeroLength of each column, in column order, as
// DatabaseBuilder::beginTable takes them. AllowZeroLength only limits Text
// and Memo columns.
std::vector<ColumnRule> columnRulesOf(const TableSpec& spec);

}  // namespace jet
