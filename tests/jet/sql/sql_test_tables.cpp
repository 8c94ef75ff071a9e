#include "sql/sql_test_tables.h"

#include <map>
#include <stdexcept>

#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/format/property_blob.h"
#include "jet/write/column_properties.h"
#include "jet/write/database_builder.h"

namespace sql_test {
namespace {

// The words of a line: bare, or key="text with ""quotes""".
std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted) {
            if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                word += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                word += ch;
            }
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == ' ') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += ch;
        }
    }
    if (quoted) throw std::invalid_argument("an unclosed quote in '" + line + "'");
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

int daoTypeOf(const std::string& name) {
    static const std::map<std::string, int> types = {
        {"Boolean", 1},  {"Byte", 2},   {"Integer", 3},  {"Long", 4},  {"Currency", 5},
        {"Single", 6},   {"Double", 7}, {"DateTime", 8}, {"Binary", 9}, {"Text", 10},
        {"OLE", 11},     {"Memo", 12},  {"Guid", 15},    {"Decimal", 20}};
    const auto found = types.find(name);
    if (found == types.end()) throw std::invalid_argument("unknown type '" + name + "'");
    return found->second;
}

bool takeSetting(const std::string& word, const char* key, std::string& into) {
    const std::string prefix = std::string(key) + "=";
    if (word.rfind(prefix, 0) != 0) return false;
    into = word.substr(prefix.size());
    return true;
}

}  // namespace

TestTable readTestTable(const std::string& name, const std::vector<std::string>& lines) {
    TestTable table;
    table.spec.name = name;
    jet::IndexSpec primary;
    primary.name = "PrimaryKey";
    primary.primary = primary.unique = primary.required = true;
    for (const std::string& line : lines) {
        const std::vector<std::string> words = splitWords(line);
        if (words.empty()) continue;
        if (words[0].rfind("rule=", 0) == 0) {
            for (const std::string& w : words)
                if (!takeSetting(w, "rule", table.validationRule) &&
                    !takeSetting(w, "text", table.validationText))
                    throw std::invalid_argument("unknown table setting '" + w + "'");
            continue;
        }
        if (words.size() < 2) throw std::invalid_argument("a column needs a type: '" + line + "'");
        jet::ColumnSpec column;
        column.name = words[0];
        std::string type = words[1];
        if (const size_t open = type.find('('); open != std::string::npos) {
            column.size = std::stoi(type.substr(open + 1));
            type = type.substr(0, open);
        }
        column.daoType = daoTypeOf(type);
        if (column.daoType == 10 && column.size == 0) column.size = 50;
        for (size_t i = 2; i < words.size(); ++i) {
            const std::string& w = words[i];
            auto index = [&](bool unique) {
                jet::IndexSpec spec;
                spec.name = column.name;
                spec.unique = unique;
                spec.columns.push_back({column.name, true});
                table.spec.indexes.push_back(spec);
            };
            if (w == "auto") {
                column.autoIncrement = true;
            } else if (w == "key") {
                primary.columns.push_back({column.name, true});
            } else if (w == "unique") {
                index(true);
            } else if (w == "index") {
                index(false);
            } else if (w == "required") {
                column.required = true;
            } else if (w == "zerolength") {
                column.allowZeroLength = true;
            } else if (!takeSetting(w, "default", column.defaultValue) &&
                       !takeSetting(w, "rule", column.validationRule) &&
                       !takeSetting(w, "text", column.validationText)) {
                throw std::invalid_argument("unknown column setting '" + w + "'");
            }
        }
        table.spec.columns.push_back(std::move(column));
    }
    if (!primary.columns.empty()) table.spec.indexes.insert(table.spec.indexes.begin(), primary);
    return table;
}

void addTestTable(const std::string& path, const TestTable& table) {
    jet::CompactRequest request;
    request.source = path;
    request.destination = path;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        const jet::JetVersion v = builder.version();
        jet::TableDef def = jet::layoutTable(table.spec, v, builder.options().sortOrder);
        def.tdefPage = builder.reserveTablePage();
        // The table's own rule is a property of the table, beside those
        // of its columns.
        jet::PropertyBlob properties = jet::newTablePropertyBlob(table.spec, "", v);
        jet::PropertyMap own;
        auto text = [&](const char* name, const std::string& value) {
            if (!value.empty())
                own.properties.push_back(
                    jet::Property{name, jet::DataType::Text, true, jet::Value::text(value), 0});
        };
        text("ValidationRule", table.validationRule);
        text("ValidationText", table.validationText);
        if (!own.properties.empty()) properties.maps.insert(properties.maps.begin(), own);
        builder.beginTable(def, jet::columnRulesOf(table.spec),
                           jet::writePropertyBlob(properties, jet::isJet3(v),
                                                  builder.options().codePage));
        builder.endTable();
    });
}

}  // namespace sql_test
