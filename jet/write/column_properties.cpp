#include "jet/write/column_properties.h"

namespace jet {
namespace {

constexpr int kDaoText = 10;
constexpr int kDaoMemo = 12;

bool holdsText(const ColumnSpec& c) {
    return c.daoType == kDaoText || c.daoType == kDaoMemo;
}

Property flag(const char* name, bool value) {
    return Property{name, DataType::Boolean, true, Value::boolean(value), 0};
}

Property text(const char* name, DataType type, bool ddl, const std::string& value) {
    return Property{name, type, ddl, Value::text(value), 0};
}

}  // namespace

PropertyBlob newTablePropertyBlob(const TableSpec& spec, std::string_view tableDescription,
                                  JetVersion v) {
    // Jet 3 blobs have no Memo values for the default; Access writes Text.
    const DataType longText = isJet3(v) ? DataType::Text : DataType::Memo;
    PropertyBlob blob;
    if (!tableDescription.empty()) {
        blob.maps.push_back(
            PropertyMap{"", {text("Description", longText, false, std::string(tableDescription))}});
    }
    for (const ColumnSpec& c : spec.columns) {
        PropertyMap map;
        map.objectName = c.name;
        if (!c.defaultValue.empty())
            map.properties.push_back(text("DefaultValue", longText, true, c.defaultValue));
        map.properties.push_back(flag("Required", c.required));
        if (holdsText(c)) {
            map.properties.push_back(flag("AllowZeroLength", c.allowZeroLength));
            if (!isJet3(v)) map.properties.push_back(flag("UnicodeCompression", true));
        }
        if (!c.validationRule.empty())
            map.properties.push_back(
                text("ValidationRule", DataType::Text, true, c.validationRule));
        if (!c.validationText.empty())
            map.properties.push_back(
                text("ValidationText", DataType::Text, true, c.validationText));
        if (!c.description.empty())
            map.properties.push_back(text("Description", longText, false, c.description));
        blob.maps.push_back(std::move(map));
    }
    return blob;
}

Blob encodeNewTableProperties(const TableSpec& spec, std::string_view tableDescription,
                              JetVersion v, uint16_t codePage) {
    return writePropertyBlob(newTablePropertyBlob(spec, tableDescription, v), isJet3(v), codePage);
}

std::vector<ColumnRule> columnRulesOf(const TableSpec& spec) {
    std::vector<ColumnRule> rules;
    for (const ColumnSpec& c : spec.columns) {
        ColumnRule rule;
        rule.required = c.required;
        rule.allowZeroLength = !holdsText(c) || c.allowZeroLength;
        rules.push_back(rule);
    }
    return rules;
}

}  // namespace jet
