#include "db/value_kind.h"

#include <QString>
#include <cmath>
#include <limits>
#include <variant>

#include "db/query_value.h"

namespace db {

namespace {

// Days from 0001-01-01 (the extended date's origin) to 1899-12-30.
constexpr int64_t kExtDaysToAccessZero = 693593;
constexpr double kTicksPerDay = 864e9;

// The plain text of a number without redundant zeros, for comparing digits.
QString canonicalDigits(QString text) {
    if (text.startsWith(u'-')) text.remove(0, 1);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) text.chop(1);
        if (text.endsWith(u'.')) text.chop(1);
    }
    while (text.size() > 1 && text.startsWith(u'0') && text[1] != u'.') text.remove(0, 1);
    return text;
}

}  // namespace

ValueKind valueKind(const Value& value) {
    return std::visit(
        [](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) return ValueKind::Null;
            else if constexpr (std::is_same_v<T, bool>) return ValueKind::Boolean;
            else if constexpr (std::is_same_v<T, int64_t>) return ValueKind::Integer;
            else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>)
                return ValueKind::Float;
            else if constexpr (std::is_same_v<T, jet::CurrencyValue>) return ValueKind::Currency;
            else if constexpr (std::is_same_v<T, jet::Decimal>) return ValueKind::Decimal;
            else if constexpr (std::is_same_v<T, jet::DateTimeValue> ||
                               std::is_same_v<T, jet::ExtDateTime>)
                return ValueKind::DateTime;
            else if constexpr (std::is_same_v<T, std::string>) return ValueKind::Text;
            else if constexpr (std::is_same_v<T, jet::Blob>) return ValueKind::Binary;
            else if constexpr (std::is_same_v<T, jet::Guid>) return ValueKind::Guid;
            else return ValueKind::Failed;
        },
        value.storage());
}

double valueToDouble(const Value& value) {
    return std::visit(
        [](const auto& v) -> double {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) return v ? -1.0 : 0.0;
            else if constexpr (std::is_same_v<T, int64_t> || std::is_same_v<T, float> ||
                               std::is_same_v<T, double>)
                return static_cast<double>(v);
            else if constexpr (std::is_same_v<T, jet::CurrencyValue>)
                return static_cast<double>(v.tenThousandths) / 10000.0;
            else if constexpr (std::is_same_v<T, jet::Decimal>)
                return QString::fromStdString(v.toString()).toDouble();
            else if constexpr (std::is_same_v<T, jet::DateTimeValue>) return v.days;
            else if constexpr (std::is_same_v<T, jet::ExtDateTime>)
                return static_cast<double>(v.days - kExtDaysToAccessZero) +
                       static_cast<double>(v.ticks) / kTicksPerDay;
            else return std::numeric_limits<double>::quiet_NaN();
        },
        value.storage());
}

bool valueIsExactAsDouble(const Value& value) {
    const ValueKind kind = valueKind(value);
    if (kind == ValueKind::Integer) {
        const int64_t i = value.as<int64_t>();
        return i >= -(int64_t{1} << 53) && i <= (int64_t{1} << 53);
    }
    if (kind != ValueKind::Currency && kind != ValueKind::Decimal) return true;
    // Any decimal number of at most 15 significant digits comes back whole
    // from the nearest double; longer ones may not.
    const QString digits = canonicalDigits(valueToText(value)).remove(u'.');
    qsizetype first = 0;
    while (first < digits.size() && digits[first] == u'0') ++first;
    return digits.size() - first <= 15;
}

}  // namespace db
