#include "tools/csv_format.h"

#include <type_traits>

namespace tools {

std::string csvQuote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string csvField(const jet::Value& v) {
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
                return jet::formatSingle(x);
            } else if constexpr (std::is_same_v<T, double>) {
                return jet::formatDouble(x);
            } else if constexpr (std::is_same_v<T, jet::CurrencyValue>) {
                return jet::formatCurrency(x.tenThousandths);
            } else if constexpr (std::is_same_v<T, jet::Decimal>) {
                return x.toString();
            } else if constexpr (std::is_same_v<T, jet::DateTimeValue>) {
                return csvQuote(jet::formatDateTime(x.days));
            } else if constexpr (std::is_same_v<T, std::string>) {
                return csvQuote(x);
            } else if constexpr (std::is_same_v<T, jet::Blob>) {
                return jet::hexString(x);
            } else if constexpr (std::is_same_v<T, jet::Guid>) {
                return csvQuote(x.toString());
            } else {
                return csvQuote(x.toString());
            }
        },
        v.storage());
}

}  // namespace tools
