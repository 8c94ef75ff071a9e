// The rules a row must keep whenever it is written, by the bulk builder of a
// new file and by the table editor of an open one alike, with Access's
// messages: each value converted to its column's type as Access converts on
// insert, auto-numbers assigned, Required and AllowZeroLength enforced. One
// home for each message, so both writers refuse a row in the same words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/property_blob.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace jet {

// What Access checks of a value beyond its type when a row is written: the
// Required and AllowZeroLength properties of the column.
struct ColumnRule {
    bool required = false;
    bool allowZeroLength = true;
};

// The rules of each column of `def` (same order) from the table's property
// blob: Required and AllowZeroLength of each column's property map.
std::vector<ColumnRule> columnRulesFromProperties(const TableDef& def, const PropertyBlob& props);

// Access's messages for a refused row.
extern const char* const kDuplicateKeyMessage;
extern const char* const kNullInRequiredIndexMessage;
std::string requiredValueMessage(std::string_view table, std::string_view column);
std::string zeroLengthMessage(std::string_view table, std::string_view column);

// A new random (version 4) GUID for an auto-GUID column.
Guid randomGuid();

// Converts `given` for column `c` of table `table` and applies its rule: a
// null auto-increment value takes `nextAutoNumber` (which moves on; a given
// number at or past it moves it past that number), a null auto-GUID a new
// GUID, a null Boolean is false. Throws jet::Error: what convertForColumn
// throws (type mismatch, overflow, text too long), Constraint for a missing
// required value or a zero-length text the column does not allow.
Value prepareColumnValue(std::string_view table, const ColumnDef& c, const ColumnRule& rule,
                         const Value& given, JetVersion v, uint16_t codePage,
                         uint32_t& nextAutoNumber);

}  // namespace jet
