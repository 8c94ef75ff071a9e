// Lays out a new table the way Access does: numbers and row positions of its
// columns and the physical ("real") indexes behind its logical indexes, as a
// TableDef the page writers encode. Nothing is written here; page numbers,
// usage maps and index roots stay zero for the writers to fill in.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/file/header.h"
#include "jet/file/jet_version.h"
#include "jet/format/table_def.h"
#include "jet/write/column_types.h"

namespace jet {

// Limits Access enforces on a table.
inline constexpr size_t kMaxColumnsPerTable = 255;
inline constexpr size_t kMaxIndexesPerTable = 32;
inline constexpr size_t kMaxColumnsPerIndex = 10;

// Set on every physical index from Jet 4 on (never in Jet 3 files).
inline constexpr uint8_t kIndexJet4Marker = 0x80;

// One logical index: its columns by name with their direction. A primary key
// is always unique and required. A foreign-key index gets kind 2 here; its
// related table, index and cascade flags are set by the caller afterwards.
struct IndexSpec {
    std::string name;
    std::vector<std::pair<std::string, bool /*ascending*/>> columns;
    bool primary = false, unique = false, required = false, ignoreNulls = false;
    bool foreignKey = false;
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;
    std::vector<IndexSpec> indexes;
};

// The definition of the new table `spec` in a database of version `v` whose
// text sorts by `textOrder`:
//  - columns numbered in the given order; variable columns (Text, Memo,
//    Binary, OLE) take row variable-offset entries in that order, and a fixed
//    column records how many come before it; fixed columns are packed one
//    after another in column order, Yes/No columns take no bytes (their value
//    is the null-mask bit) and stay at offset 0;
//  - logical indexes numbered in the given order and listed by name (without
//    regard to case), as Access stores them;
//  - physical indexes in order of first use: a logical index shares one with
//    an earlier index of the same columns, directions and flags; a foreign-key
//    index without such a twin shares the first one with the same columns and
//    directions (the referenced side of a relationship uses the primary key).
//
// Throws jet::Error (InvalidArgument) with Access's message for a bad or
// duplicate name (see name_rules.h; the names of foreign-key indexes, which
// Access makes up itself, need only be distinct), a bad column (see column_types.h), no
// columns or too many, a second AutoNumber, an index on a missing column, an
// index with no or more than ten columns, a second primary key, more than 32
// indexes, or an index on an OLE column (or a Memo before ACE).
TableDef layoutTable(const TableSpec& spec, JetVersion v, SortOrder textOrder);

// The physical index of `t` a new logical index over `columns` with `flags`
// shares, as layoutTable chooses it; nullopt when it needs one of its own.
std::optional<size_t> sharedRealIndex(const TableDef& t, const std::vector<IndexColumn>& columns,
                                      uint8_t flags, bool foreignKey);

}  // namespace jet
