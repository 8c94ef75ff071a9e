#include "jet/value_text.h"

#include <type_traits>

namespace jet {

std::string valueText(const Value& v, const TextForm& form) {
    return std::visit(
        [&form](const auto& x) -> std::string {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return std::string(form.null);
            } else if constexpr (std::is_same_v<T, bool>) {
                return std::string(x ? form.trueText : form.falseText);
            } else if constexpr (std::is_same_v<T, int64_t>) {
                return std::to_string(x);
            } else if constexpr (std::is_same_v<T, float>) {
                return formatSingle(x);
            } else if constexpr (std::is_same_v<T, double>) {
                return formatDouble(x);
            } else if constexpr (std::is_same_v<T, CurrencyValue>) {
                return formatCurrency(x.tenThousandths);
            } else if constexpr (std::is_same_v<T, DateTimeValue>) {
                return formatDateTime(x.days);
            } else if constexpr (std::is_same_v<T, std::string>) {
                return x;
            } else if constexpr (std::is_same_v<T, Blob>) {
                return std::string(form.binaryPrefix) + hexString(x);
            } else {
                return x.toString();  // Decimal, Guid, ExtDateTime
            }
        },
        v.storage());
}

}  // namespace jet
