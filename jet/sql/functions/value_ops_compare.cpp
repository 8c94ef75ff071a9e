// Comparison operators and the sort order of values.
#include <algorithm>
#include <cstring>

#include "jet/sql/functions/value_ops.h"
#include "jet/sql/functions/value_ops_calendar.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_decimal.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

enum class Family { Number, Text, Binary, Guid };

bool isNumeric(const Value& v) {
    return isNumberValue(v) || v.is<DateTimeValue>() || v.is<ExtDateTime>();
}

double extToDateNumber(const ExtDateTime& e) {
    // 0001-01-01 lies 693593 days before 1899-12-30.
    double days = static_cast<double>(e.days - 693593);
    double time = static_cast<double>(e.ticks) / 864000000000.0;
    return dateFromLinear(days + time);
}

template <typename T>
int threeWay(const T& x, const T& y) {
    return x < y ? -1 : (y < x ? 1 : 0);
}

// Dates compare by their stored day numbers, as index keys order them.
int compareNumbers(const Value& a, const Value& b) {
    if (a.is<int64_t>() && b.is<int64_t>()) return threeWay(a.as<int64_t>(), b.as<int64_t>());
    if (a.is<CurrencyValue>() && b.is<CurrencyValue>())
        return threeWay(a.as<CurrencyValue>().tenThousandths, b.as<CurrencyValue>().tenThousandths);
    if (a.is<ExtDateTime>() && b.is<ExtDateTime>()) {
        const auto &x = a.as<ExtDateTime>(), &y = b.as<ExtDateTime>();
        if (x.days != y.days) return threeWay(x.days, y.days);
        return threeWay(x.ticks, y.ticks);
    }
    auto exact = [](const Value& v) {
        return v.is<int64_t>() || v.is<bool>() || v.is<CurrencyValue>() || v.is<Decimal>();
    };
    const SqlLocale& locale = englishUnitedStates();
    if ((a.is<Decimal>() || b.is<Decimal>()) && exact(a) && exact(b))
        return decimalCompare(toDecimal(a, locale), toDecimal(b, locale));
    auto asDouble = [&](const Value& v) {
        if (v.is<ExtDateTime>()) return extToDateNumber(v.as<ExtDateTime>());
        return toDouble(v, locale);
    };
    return threeWay(asDouble(a), asDouble(b));
}

int compareBytes(const uint8_t* x, size_t nx, const uint8_t* y, size_t ny) {
    size_t n = std::min(nx, ny);
    int c = n == 0 ? 0 : std::memcmp(x, y, n);
    if (c != 0) return c < 0 ? -1 : 1;
    return threeWay(nx, ny);
}

Family familyOf(const Value& v) {
    if (v.is<std::string>()) return Family::Text;
    if (v.is<Blob>()) return Family::Binary;
    if (v.is<Guid>()) return Family::Guid;
    return Family::Number;
}

}  // namespace

int compareValues(const Value& a, const Value& b, const CompareOptions& options) {
    if (a.isNull() || b.isNull()) throwInvalidUseOfNull();
    const SqlLocale& locale = *options.locale;
    if (a.is<std::string>() && b.is<std::string>()) {
        const std::string& x = a.as<std::string>();
        const std::string& y = b.as<std::string>();
        if (options.caseSensitive) return compareTextExact(x, y);
        if (options.textOrder) return compareTextInSortOrder(x, y, *options.textOrder);
        return compareTextNoCase(x, y);
    }
    if (isNumeric(a) && isNumeric(b)) return compareNumbers(a, b);
    if (a.is<Guid>() || b.is<Guid>()) {
        auto guidOf = [](const Value& v) -> Guid {
            if (v.is<Guid>()) return v.as<Guid>();
            if (v.is<std::string>())
                if (auto g = parseGuidText(v.as<std::string>())) return *g;
            throwTypeMismatch();
        };
        Guid x = guidOf(a), y = guidOf(b);
        return compareBytes(x.bytes.data(), 16, y.bytes.data(), 16);
    }
    if (a.is<Blob>() && b.is<Blob>()) {
        const Blob &x = a.as<Blob>(), &y = b.as<Blob>();
        return compareBytes(x.data(), x.size(), y.data(), y.size());
    }
    if (options.convertText && (a.is<std::string>() || b.is<std::string>())) {
        const Value& text = a.is<std::string>() ? a : b;
        const Value& other = a.is<std::string>() ? b : a;
        if (!isNumeric(other)) throwTypeMismatch();
        Value converted;
        if (other.is<DateTimeValue>() || other.is<ExtDateTime>()) {
            converted = Value::dateTime(toDateNumber(text, locale));
        } else if (auto n = parseNumberText(text.as<std::string>(), locale)) {
            converted = Value::real(*n);
        } else if (other.is<bool>()) {
            converted = Value::boolean(toBoolean(text, locale));
        } else {
            throwTypeMismatch();
        }
        return a.is<std::string>() ? compareNumbers(converted, b) : compareNumbers(a, converted);
    }
    throwTypeMismatch();
}

Value compare(CompareOp op, const Value& a, const Value& b, const CompareOptions& options) {
    if (a.isNull() || b.isNull()) return Value::null();
    // Texts are equal in the sort order exactly when they are equal without
    // regard to case, which needs no sort keys.
    const bool equality = op == CompareOp::Equal || op == CompareOp::NotEqual;
    CompareOptions plain = options;
    if (equality) plain.textOrder.reset();
    int c = compareValues(a, b, plain);
    bool r = false;
    switch (op) {
        case CompareOp::Equal:
            r = c == 0;
            break;
        case CompareOp::NotEqual:
            r = c != 0;
            break;
        case CompareOp::Less:
            r = c < 0;
            break;
        case CompareOp::Greater:
            r = c > 0;
            break;
        case CompareOp::LessEqual:
            r = c <= 0;
            break;
        case CompareOp::GreaterEqual:
            r = c >= 0;
            break;
    }
    return Value::boolean(r);
}

ValueOrder::ValueOrder() : collation_(compareTextNoCase) {}
ValueOrder::ValueOrder(TextCollation collation) : collation_(std::move(collation)) {
    if (!collation_) collation_ = compareTextNoCase;
}

int ValueOrder::compare(const Value& a, const Value& b) const {
    if (a.isNull() || b.isNull()) return threeWay(!a.isNull(), !b.isNull());
    // The common cases of a sort, without the general number comparison.
    if (a.is<double>() && b.is<double>()) return threeWay(a.as<double>(), b.as<double>());
    if (a.is<int64_t>() && b.is<int64_t>()) return threeWay(a.as<int64_t>(), b.as<int64_t>());
    Family fa = familyOf(a), fb = familyOf(b);
    if (fa != fb) return threeWay(static_cast<int>(fa), static_cast<int>(fb));
    switch (fa) {
        case Family::Number:
            return compareNumbers(a, b);
        case Family::Text: {
            int c = collation_(a.as<std::string>(), b.as<std::string>());
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        case Family::Binary: {
            const Blob &x = a.as<Blob>(), &y = b.as<Blob>();
            return compareBytes(x.data(), x.size(), y.data(), y.size());
        }
        case Family::Guid:
            return compareBytes(a.as<Guid>().bytes.data(), 16, b.as<Guid>().bytes.data(), 16);
    }
    return 0;
}

}  // namespace jet
