#include "sql/select_result_text.h"

#include "tools/csv_format.h"

namespace jet::sql {

std::string columnNamesLine(const QueryResult& result) {
    std::string line;
    for (size_t i = 0; i < result.columns.size(); ++i) {
        line += (i ? "," : "") + result.columns[i].name;
    }
    return line;
}

std::string columnTypesLine(const QueryResult& result) {
    std::string line;
    for (size_t i = 0; i < result.columns.size(); ++i) {
        line += (i ? "," : "") + dataTypeName(result.columns[i].type);
    }
    return line;
}

std::vector<std::string> rowLines(const QueryResult& result) {
    std::vector<std::string> lines;
    for (const auto& row : result.rows) {
        std::string line;
        for (size_t i = 0; i < row.values.size(); ++i)
            line += (i ? "," : "") + tools::csvField(row.values[i]);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace jet::sql
