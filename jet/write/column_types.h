// The column types a new table can have, named by their DAO type codes, and
// how each becomes a column of the table definition: stored type, length in
// bytes, flag bits, Unicode compression and text sort order, as Access sets
// them when it creates the column.
#pragma once

#include <string>

#include "jet/file/header.h"
#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"

namespace jet {

// One column as a user describes it. `size` counts characters for Text and
// bytes for Binary; 0 means the default (Text 50, Binary 255 in Jet 3 and 510
// later) and it is ignored for every other type. `autoIncrement` makes a Long
// an AutoNumber and a GUID a Replication ID filled in by the engine.
// `required`, `allowZeroLength` and the texts are column properties the
// caller stores beside the definition; they do not change the ColumnDef.
struct ColumnSpec {
    std::string name;
    int daoType = 10;
    int size = 0;
    bool autoIncrement = false;
    bool required = false;
    bool allowZeroLength = false;
    std::string defaultValue, validationRule, validationText, description;
};

// Largest Text size in characters and Binary size in bytes for a version.
inline constexpr int kMaxTextSize = 255;
int maxBinarySize(JetVersion v);

// The column definition for `spec` in a database of version `v` whose text
// sorts by `textOrder`. Sets type, length, flags (fixed, the always-set
// nullable bit, auto-number), compressedUnicode (Text and Memo from Jet 4 on,
// as Access's "Unicode Compression: Yes" default) and the sort order of Text
// and Memo (Jet 3 also gets the collation's code page). Leaves name, number,
// varIndex and fixedOffset to the table layout (the name is copied).
//
// Throws jet::Error (InvalidArgument) with Access's message for a type the
// version cannot hold ("Invalid field data type."; BigInt needs ACE 16, the
// 2016 format), a size out of range ("The setting for the FieldSize property
// must be from 1 through 255."), or auto-increment on a type other than Long
// and GUID.
ColumnDef columnDefFor(const ColumnSpec& spec, JetVersion v, SortOrder textOrder);

}  // namespace jet
