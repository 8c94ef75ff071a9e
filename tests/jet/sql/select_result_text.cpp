#include "sql/select_result_text.h"

#include <type_traits>

namespace jet::sql {
namespace {

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string field(const Value& v) {
    return std::visit(
        [](const auto& x) -> std::string {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return "";
            } else if constexpr (std::is_same_v<T, bool>) {
                return x ? "1" : "0";
            } else if constexpr (std::is_same_v<T, int64_t>) {
                return std::to_string(x);
            } else if constexpr (std::is_same_v<T, float>) {
                return formatSingle(x);
            } else if constexpr (std::is_same_v<T, double>) {
                return formatDouble(x);
            } else if constexpr (std::is_same_v<T, CurrencyValue>) {
                return formatCurrency(x.tenThousandths);
            } else if constexpr (std::is_same_v<T, Decimal>) {
                return x.toString();
            } else if constexpr (std::is_same_v<T, DateTimeValue>) {
                return quoted(formatDateTime(x.days));
            } else if constexpr (std::is_same_v<T, std::string>) {
                return quoted(x);
            } else if constexpr (std::is_same_v<T, Blob>) {
                return hexString(x);
            } else {
                return quoted(x.toString());
            }
        },
        v.storage());
}

}  // namespace

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
            line += (i ? "," : "") + field(row.values[i]);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace jet::sql
