// A column's rules changed in place: Required, AllowZeroLength, DefaultValue,
// ValidationRule and ValidationText live in the table's property blob, so
// changing them rewrites that blob alone; the definition and the rows stay.
#include <algorithm>

#include "jet/catalog/type_codes.h"
#include "jet/error.h"
#include "jet/table/row_rules.h"
#include "jet/table/schema_editor.h"
#include "jet/table/schema_editor_internal.h"
#include "jet/table/table_scan.h"
#include "jet/util/names.h"

namespace jet {
namespace {

constexpr const char* kRuleProperties[] = {"Required", "AllowZeroLength", "DefaultValue",
                                           "ValidationRule", "ValidationText"};

bool isRuleProperty(const std::string& name) {
    return std::any_of(std::begin(kRuleProperties), std::end(kRuleProperties),
                       [&](const char* p) { return sameName(name, p); });
}

// Rows written before the change must keep to the new rules, as Access
// checks them when a design is saved.
void checkRows(Database& db, const std::shared_ptr<const TableDef>& def, size_t column,
               const ColumnSpec& rules) {
    if (!rules.required && rules.allowZeroLength) return;
    const ColumnDef& c = def->columns[column];
    TableScan scan(db, def);
    while (scan.next()) {
        const Value v = scan.value(column);
        if (rules.required && v.isNull())
            throw Error(ErrorCode::Constraint, requiredValueMessage(def->name, c.name));
        if (!rules.allowZeroLength && v.is<std::string>() && v.as<std::string>().empty() &&
            (c.type == DataType::Text || c.type == DataType::Memo))
            throw Error(ErrorCode::Constraint, zeroLengthMessage(def->name, c.name));
    }
}

}  // namespace

void SchemaEditor::setColumnRules(std::string_view table, const ColumnSpec& rules) {
    const TableDef def = schema::storedDefinition(db_, table);
    const size_t column = schema::columnIndexOrThrow(def, rules.name);
    const ColumnDef* at = &def.columns[column];
    schema::requireFaithfulProperties(db_, def.tdefPage);
    checkRows(db_, db_.table(def.name), column, rules);

    // The rules as a new column of this type would have them; every other
    // property of the column (Caption, Format, ...) stays as it is.
    ColumnSpec typed = rules;
    typed.name = at->name;
    typed.daoType = daoTypeCode(*at);
    PropertyBlob properties = schema::tableProperties(db_, def.tdefPage);
    std::vector<Property> fresh;
    for (PropertyMap& m : schema::columnPropertyMaps(typed, db_.version()))
        for (Property& p : m.properties)
            if (isRuleProperty(p.name)) fresh.push_back(std::move(p));
    auto map = std::find_if(properties.maps.begin(), properties.maps.end(),
                            [&](const PropertyMap& m) { return sameName(m.objectName, at->name); });
    if (map == properties.maps.end()) {
        properties.maps.push_back(PropertyMap{at->name, {}});
        map = properties.maps.end() - 1;
    }
    std::vector<Property> kept;
    for (Property& p : map->properties) {
        if (!isRuleProperty(p.name)) {
            kept.push_back(std::move(p));
            continue;
        }
        // A rule the column keeps stays where it was, with its stored bytes
        // when its value did not change.
        const auto again = std::find_if(fresh.begin(), fresh.end(), [&](const Property& f) {
            return sameName(f.name, p.name);
        });
        if (again == fresh.end()) continue;
        if (!(again->value == p.value)) {
            p.value = again->value;
            p.type = again->type;
        }
        kept.push_back(std::move(p));
        fresh.erase(again);
    }
    for (Property& p : fresh) kept.push_back(std::move(p));
    map->properties = std::move(kept);
    (void)writePropertyBlob(properties, isJet3(db_.version()), db_.codePage());

    inTransaction([&] { schema::storeTableProperties(db_, def.tdefPage, properties); });
}

}  // namespace jet
