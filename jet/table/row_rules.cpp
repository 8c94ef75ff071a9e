#include "jet/table/row_rules.h"

#include "jet/crypt/office_agile_writer.h"
#include "jet/error.h"
#include "jet/format/value_encoder.h"

namespace jet {

const char* const kDuplicateKeyMessage =
    "The changes you requested to the table were not successful because they would create "
    "duplicate values in the index, primary key, or relationship. Change the data in the field or "
    "fields that contain duplicate data, remove the index, or redefine the index to permit "
    "duplicate entries and try again.";

const char* const kNullInRequiredIndexMessage = "Index or primary key cannot contain a Null value.";

std::string requiredValueMessage(std::string_view table, std::string_view column) {
    return "You must enter a value in the '" + std::string(table) + "." + std::string(column) +
           "' field.";
}

std::string zeroLengthMessage(std::string_view table, std::string_view column) {
    return "Field '" + std::string(table) + "." + std::string(column) +
           "' cannot be a zero-length string.";
}

std::vector<ColumnRule> columnRulesFromProperties(const TableDef& def, const PropertyBlob& props) {
    std::vector<ColumnRule> rules;
    for (const ColumnDef& c : def.columns) {
        ColumnRule rule;
        if (const PropertyMap* map = props.forObject(c.name)) {
            auto flag = [&](const char* name, bool fallback) {
                const Property* p = map->find(name);
                if (!p || p->value.isNull()) return fallback;
                if (p->value.is<bool>()) return p->value.as<bool>();
                if (p->value.is<int64_t>()) return p->value.as<int64_t>() != 0;
                return fallback;
            };
            rule.required = flag("Required", false);
            rule.allowZeroLength = flag("AllowZeroLength", true);
        }
        rules.push_back(rule);
    }
    return rules;
}

Guid randomGuid() {
    Guid g;
    office::secureRandomBytes(g.bytes);
    g.bytes[7] = static_cast<uint8_t>((g.bytes[7] & 0x0F) | 0x40);  // version 4
    g.bytes[8] = static_cast<uint8_t>((g.bytes[8] & 0x3F) | 0x80);
    return g;
}

Value prepareColumnValue(std::string_view table, const ColumnDef& c, const ColumnRule& rule,
                         const Value& given, JetVersion ver, uint16_t codePage,
                         uint32_t& nextAutoNumber) {
    // A calculated Decimal carries its own scale in each value; the
    // column's scale would round it.
    const bool ownScale = c.calculated && c.type == DataType::Numeric && given.is<Decimal>();
    Value v = ownScale ? given : convertForColumn(given, c, ver, codePage);
    if (c.isAutoLong()) {
        if (v.isNull()) {
            v = Value::integer(nextAutoNumber++);
        } else if (v.is<int64_t>() && v.as<int64_t>() >= nextAutoNumber) {
            nextAutoNumber = static_cast<uint32_t>(v.as<int64_t>() + 1);
        }
    } else if (c.isAutoGuid() && v.isNull()) {
        v = Value::guid(randomGuid());
    }
    if (c.type == DataType::Boolean && v.isNull()) v = Value::boolean(false);
    if (v.isNull() && rule.required)
        throw Error(ErrorCode::Constraint, requiredValueMessage(table, c.name));
    if (!rule.allowZeroLength && isTextType(c.type) && v.is<std::string>() &&
        v.as<std::string>().empty())
        throw Error(ErrorCode::Constraint, zeroLengthMessage(table, c.name));
    return v;
}

}  // namespace jet
